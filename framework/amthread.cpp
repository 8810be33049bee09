#include "amthread.h"

#include <objbase.h>

CAMThread::CAMThread() = default;

CAMThread::~CAMThread() {
    Close();
}

BOOL CAMThread::Create() {
    CScopedLock guard(&commandLock);
    if (threadHandle != nullptr) {
        return FALSE;
    }
    threadHandle = CreateThread(nullptr, 0, &CAMThread::InitialThreadProc, this, 0, nullptr);
    return threadHandle != nullptr;
}

DWORD CAMThread::CallWorker(DWORD code) {
    CScopedLock guard(&commandLock);
    if (threadHandle == nullptr) {
        return static_cast<DWORD>(E_FAIL);
    }
    command = code;
    pending.store(true, std::memory_order_release);
    SetEvent(sendEvent.Handle());
    WaitForSingleObject(completeEvent.Handle(), INFINITE);
    return reply;
}

DWORD CAMThread::GetRequest() {
    WaitForSingleObject(sendEvent.Handle(), INFINITE);
    return command;
}

BOOL CAMThread::CheckRequest(DWORD* pCommand) {
    if (!pending.load(std::memory_order_acquire)) {
        return FALSE;
    }
    if (pCommand != nullptr) {
        *pCommand = command;
    }
    return TRUE;
}

void CAMThread::Reply(DWORD result) {
    reply = result;
    pending.store(false, std::memory_order_relaxed);
    // Reset before signalling so that the next caller's set cannot be lost.
    ResetEvent(sendEvent.Handle());
    SetEvent(completeEvent.Handle());
}

void CAMThread::Close() {
    HANDLE handle = InterlockedExchangePointer(const_cast<PVOID*>(&threadHandle), nullptr);
    if (handle != nullptr) {
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
    }
}

HRESULT CAMThread::CoInitializeWorker() {
    using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
    HMODULE ole = GetModuleHandleA("ole32.dll");
    if (ole == nullptr) {
        return E_FAIL;
    }
    auto coInitializeEx = reinterpret_cast<CoInitializeExFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole, "CoInitializeEx")));
    if (coInitializeEx == nullptr) {
        return E_FAIL;
    }
    return coInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE);
}

DWORD WINAPI CAMThread::InitialThreadProc(LPVOID argument) {
    CAMThread* thread = static_cast<CAMThread*>(argument);
    const HRESULT init = CoInitializeWorker();
    const DWORD result = thread->ThreadProc();
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return result;
}

#pragma once
// A worker thread with a one-slot command channel: one command at a time, answered
// with a 32-bit reply.
#include "sync.h"

#include <atomic>

class CAMThread {
public:
    CAMThread();
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    virtual DWORD ThreadProc() = 0;

    BOOL Create();
    DWORD CallWorker(DWORD command);
    DWORD GetRequest();
    BOOL CheckRequest(DWORD* pCommand);
    void Reply(DWORD result);
    BOOL ThreadExists() const { return threadHandle != nullptr; }
    void Close();

    // Joins the multithreaded apartment through CoInitializeEx looked up at run time.
    static HRESULT CoInitializeWorker();

protected:
    // Signalled while a command is posted and not yet answered: a worker that waits for
    // something else waits on it too, so that a command ends the wait at once.
    HANDLE RequestEvent() const { return sendEvent.Handle(); }

private:
    static DWORD WINAPI InitialThreadProc(LPVOID argument);

    CEventHandle sendEvent{TRUE};
    CEventHandle completeEvent{FALSE};
    volatile DWORD command = 0;
    // Set with the command and cleared by the reply: the worker polls it between frames at
    // no cost, instead of asking the kernel about the event each time.
    std::atomic<bool> pending{false};
    volatile DWORD reply = 0;
    HANDLE volatile threadHandle = nullptr;
    // Held by a caller for the whole of CallWorker: inside the filter's state lock, outside
    // every lock the worker takes (order in sourcestream.h).
    CCritSec commandLock;
};

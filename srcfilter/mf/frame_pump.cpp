#include "frame_pump.h"

#include "frame_fill.h"
#include "qvl_protocol.h"

#include <mfapi.h>
#include <mferror.h>

FramePump::FramePump(const CameraFormat& format, IMFMediaEventQueue* events)
    : format(format), frameTime(10000000 / format.fps), events(events) {
    // Made with the source, so that producers find the channel before anyone streams. Without
    // it the camera shows black.
    channel.Open(format);
}

HRESULT FramePump::Start(IMFMediaType* type) {
    CScopedLock guard(&lock);
    if (exiting) {
        return MF_E_SHUTDOWN;
    }
    if (thread.Get() == nullptr) {
        thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
        if (thread.Get() == nullptr) {
            return HRESULT_FROM_WIN32(GetLastError());
        }
    }
    running = true;
    ++generation;
    runStart = MFGetSystemTime();
    runType = type;
    ResetEvent(halt.Handle());
    SetEvent(wake.Handle());
    return S_OK;
}

void FramePump::Stop() {
    CScopedLock guard(&lock);
    running = false;
    ++generation;
    DropRequests();
    SetEvent(halt.Handle());
    SetEvent(wake.Handle());
}

void FramePump::Shutdown() {
    {
        CScopedLock guard(&lock);
        exiting = true;
    }
    Stop();
    // Every wait of the worker ends on halt or wake: this returns within one frame's copy.
    if (thread.Get() != nullptr) {
        WaitForSingleObject(thread.Get(), INFINITE);
        thread.Reset();
    }
}

HRESULT FramePump::Request(IUnknown* token) {
    CScopedLock guard(&lock);
    if (exiting) {
        return MF_E_SHUTDOWN;
    }
    if (!running) {
        return MF_E_MEDIA_SOURCE_WRONGSTATE;
    }
    if (requests == maxRequests) {
        return MF_E_NOTACCEPTING;
    }
    if (token != nullptr) {
        token->AddRef();
    }
    tokens[(firstToken + requests) % maxRequests] = token;
    ++requests;
    SetEvent(wake.Handle());
    return S_OK;
}

void FramePump::DropRequests() {
    for (; requests > 0; --requests) {
        if (tokens[firstToken] != nullptr) {
            tokens[firstToken]->Release();
            tokens[firstToken] = nullptr;
        }
        firstToken = (firstToken + 1) % maxRequests;
    }
}

DWORD WINAPI FramePump::ThreadMain(void* self) {
    static_cast<FramePump*>(self)->Run();
    return 0;
}

void FramePump::Run() {
    const CComScope com;
    for (;;) {
        LONG current = 0;
        bool streaming = false;
        bool wanted = false;
        ComPtr<IMFMediaType> type;
        {
            CScopedLock guard(&lock);
            if (exiting) {
                break;
            }
            current = generation;
            streaming = running;
            wanted = running && requests > 0;
            if (running && current != workerGeneration) {
                type = runType;
                workerStart = runStart;
            }
        }
        if (!streaming) {
            channel.Signal().Release();
        } else if (current != workerGeneration) {
            workerGeneration = current;
            BeginRun(type.Get());
            continue;
        }
        if (!wanted) {
            WaitForSingleObject(wake.Handle(), INFINITE);
        } else if (TakeSample() && WaitUntilDue(current)) {
            Deliver(current);
        }
    }
    channel.Signal().Release();
}

void FramePump::BeginRun(IMFMediaType* type) {
    // Every camera streaming at once has a slot of its own, so each is woken by every frame.
    channel.Signal().Claim();
    pacer.Start(channel.Signal().Sequence());
    GUID wanted = MFVideoFormat_RGB32;
    if (type != nullptr) {
        type->GetGUID(MF_MT_SUBTYPE, &wanted);
    }
    if (allocator && wanted == subtype) {
        return;
    }
    inHand.Reset();
    allocator.Reset();
    subtype = wanted;
    if (type == nullptr || FAILED(MFCreateVideoSampleAllocatorEx(IID_PPV_ARGS(&allocator))) ||
        FAILED(allocator->InitializeSampleAllocatorEx(2, 8, nullptr, type))) {
        allocator.Reset(); // each request then waits: no sample can be made
    }
}

bool FramePump::WaitUntilDue(LONG run) {
    const REFERENCE_TIME due = pacer.DeliveredCount() * frameTime;
    for (;;) {
        REFERENCE_TIME wait = 0;
        const REFERENCE_TIME now = MFGetSystemTime() - workerStart;
        if (pacer.Decide(due, now, frameTime, channel.Signal().Sequence(), &wait)) {
            return true;
        }
        HANDLE handles[4] = {halt.Handle(), wake.Handle()};
        DWORD count = 2;
        DWORD timeoutMs = static_cast<DWORD>((wait + 9999) / 10000);
        if (timer.Start(wait)) {
            handles[count++] = timer.Handle();
            timeoutMs = INFINITE;
        }
        // A write may make the sample due early.
        if (channel.Signal().Event() != nullptr) {
            handles[count++] = channel.Signal().Event();
        }
        const DWORD woken = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
        if (woken != WAIT_OBJECT_0 && woken != WAIT_OBJECT_0 + 1) {
            continue; // the time came, or a write: Decide tells
        }
        CScopedLock guard(&lock);
        if (!running || generation != run) {
            return false;
        }
    }
}

bool FramePump::TakeSample() {
    if (!inHand && (!allocator || FAILED(allocator->AllocateSample(&inHand)))) {
        // Every sample is out with the consumer (or none can be made): look again shortly.
        WaitForSingleObject(halt.Handle(), 1);
        return false;
    }
    return true;
}

void FramePump::Deliver(LONG run) {
    const ComPtr<IMFSample> sample = inHand;
    if (Fill(sample.Get()) != S_OK) {
        return; // halted while waiting for the producer
    }
    sample->SetSampleTime(workerStart + pacer.DeliveredCount() * frameTime + pacer.Lag());
    sample->SetSampleDuration(frameTime);
    IUnknown* token = nullptr;
    {
        CScopedLock guard(&lock);
        if (!running || generation != run || requests == 0) {
            return; // the run ended while the picture was made: it goes back unused
        }
        token = tokens[firstToken];
        tokens[firstToken] = nullptr;
        firstToken = (firstToken + 1) % maxRequests;
        --requests;
        if (token != nullptr) {
            sample->SetUnknown(MFSampleExtension_Token, token);
        } else {
            sample->DeleteItem(MFSampleExtension_Token);
        }
        // Queued under the lock, so that Stop's MEStreamStopped comes after every sample.
        events->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, sample.Get());
        inHand.Reset(); // the next one is taken before its time
    }
    pacer.Delivered();
    if (token != nullptr) {
        token->Release();
    }
}

HRESULT FramePump::Fill(IMFSample* sample) {
    ComPtr<IMFMediaBuffer> buffer;
    ComPtr<IMF2DBuffer> picture;
    HRESULT hr = sample->GetBufferByIndex(0, &buffer);
    if (SUCCEEDED(hr)) {
        hr = buffer.As(&picture);
    }
    BYTE* first = nullptr;
    LONG pitch = 0;
    if (SUCCEEDED(hr)) {
        hr = picture->Lock2D(&first, &pitch);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const bool nv12 = subtype == MFVideoFormat_NV12;
    bool interrupted = false;
    const std::uint8_t* frame = channel.Lock(halt.Handle(), &interrupted);
    if (frame != nullptr) {
        nv12 ? FillNv12(frame, format.width, format.height, first, pitch)
             : FillRgb32(frame, format.width, format.height, first, pitch);
    } else if (!interrupted) {
        // No channel, or a producer that held its mutex past the bound: black, not a torn
        // frame.
        nv12 ? FillBlackNv12(format.width, format.height, first, pitch)
             : FillBlackRgb32(format.width, format.height, first, pitch);
    }
    channel.Unlock();
    picture->Unlock2D();
    const DWORD pixels = static_cast<DWORD>(format.width * format.height);
    buffer->SetCurrentLength(nv12 ? pixels + pixels / 2 : pixels * 4);
    return interrupted ? S_FALSE : S_OK;
}

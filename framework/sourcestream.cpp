#include "sourcestream.h"

#include "source.h"
#include "widestring.h"

CSourceStream::CSourceStream(const WCHAR* objectName, HRESULT* phr, CSource* filter,
                             const WCHAR* pinName)
    : CBaseOutputPin(objectName, filter, filter->pStateLock(), phr, pinName), sourceFilter(filter) {
    *phr = filter->AddPin(this);
}

CSourceStream::~CSourceStream() {
    sourceFilter->RemovePin(this);
    if (timingClock != nullptr) {
        timingClock->Release();
    }
}

HRESULT CSourceStream::Active() {
    CScopedLock guard(sourceFilter->pStateLock());
    if (sourceFilter->IsActive()) {
        return S_FALSE;
    }
    if (!IsConnected()) {
        return S_OK;
    }
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) {
        return hr;
    }
    // The worker starts in the paused state; the filter hands over every later change.
    IReferenceClock* clock = nullptr;
    sourceFilter->GetSyncSource(&clock);
    SetTiming(State_Paused, clock, 0);
    if (clock != nullptr) {
        clock->Release();
    }
    if (!Create()) {
        return E_FAIL;
    }
    hr = Init();
    if (FAILED(hr)) {
        return hr;
    }
    return Pause();
}

HRESULT CSourceStream::Inactive() {
    CScopedLock guard(sourceFilter->pStateLock());
    if (!IsConnected()) {
        return S_OK;
    }
    // Decommit first: it frees a worker waiting for a buffer.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (FAILED(hr)) {
        return hr;
    }
    if (ThreadExists()) {
        hr = Stop();
        if (FAILED(hr)) {
            return hr;
        }
        hr = Exit();
        if (FAILED(hr)) {
            return hr;
        }
        Close();
    }
    return S_OK;
}

DWORD CSourceStream::ThreadProc() {
    while (GetRequest() != CMD_INIT) {
        Reply(static_cast<DWORD>(E_UNEXPECTED));
    }
    released = 0;
    lag = 0;
    lastReleaseKnown = false;
    const HRESULT created = OnThreadCreate();
    if (FAILED(created)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(created));
        return 1;
    }
    Reply(S_OK);
    for (bool running = true; running;) {
        switch (GetRequest()) {
        case CMD_PAUSE:
        case CMD_RUN:
            Reply(S_OK);
            DoBufferProcessingLoop();
            break;
        case CMD_STOP:
            Reply(S_OK);
            break;
        case CMD_EXIT:
            Reply(S_OK);
            running = false;
            break;
        default:
            Reply(static_cast<DWORD>(E_NOTIMPL));
            break;
        }
    }
    return FAILED(OnThreadDestroy()) ? 1 : 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    OnThreadStartPlay();
    for (;;) {
        DWORD pending = 0;
        while (!CheckRequest(&pending)) {
            IMediaSample* sample = nullptr;
            if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) {
                Sleep(1);
                continue;
            }
            // The frame is copied only once it is due, so that it is as fresh as can be.
            if (WaitUntilDue() != S_OK) {
                // A command came while the sample waited: give the buffer back, answer it.
                sample->Release();
                continue;
            }
            HRESULT hr = FillBuffer(sample);
            if (hr == S_OK) {
                NoteRelease();
                hr = Deliver(sample);
                sample->Release();
                if (hr != S_OK) {
                    // Downstream refused: stop pushing, quietly.
                    return S_OK;
                }
            } else if (hr == S_FALSE) {
                sample->Release();
                DeliverEndOfStream();
                return S_OK;
            } else {
                sample->Release();
                DeliverEndOfStream();
                sourceFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        }
        if (pending == CMD_RUN || pending == CMD_PAUSE) {
            Reply(S_OK);
        } else if (pending == CMD_STOP) {
            // Left pending: the command loop answers it.
            return S_FALSE;
        } else {
            Reply(static_cast<DWORD>(E_UNEXPECTED));
        }
    }
}

HRESULT CSourceStream::GetMediaType(COwnedMediaType*) {
    return E_UNEXPECTED;
}

HRESULT CSourceStream::GetNextSampleTimes(REFERENCE_TIME*, REFERENCE_TIME*) {
    return S_FALSE;
}

void CSourceStream::SetTiming(FILTER_STATE filterState, IReferenceClock* clock,
                              REFERENCE_TIME start) {
    if (filterState == State_Stopped) {
        clock = nullptr; // a stopped stream holds no clock
    }
    if (clock != nullptr) {
        clock->AddRef();
    }
    IReferenceClock* old = nullptr;
    {
        CScopedLock guard(&timingLock);
        old = timingClock;
        timingState = filterState;
        timingClock = clock;
        timingStart = start;
    }
    // Released outside the leaf lock: a last release may run the clock's own teardown.
    if (old != nullptr) {
        old->Release();
    }
    SetEvent(timingChanged.Handle());
}

void CSourceStream::ReadTiming(TimingView* view) {
    CScopedLock guard(&timingLock);
    view->state = timingState;
    view->clock = timingClock;
    view->start = timingStart;
    if (view->clock != nullptr) {
        view->clock->AddRef();
    }
}

HRESULT CSourceStream::WaitUntilDue() {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    paced = GetNextSampleTimes(&start, &stop) == S_OK;
    if (!paced) {
        return S_OK;
    }
    const REFERENCE_TIME frame = stop > start ? stop - start : 0;
    for (;;) {
        DWORD timeoutMs = INFINITE;
        bool timed = false;
        {
            TimingView timing;
            ReadTiming(&timing);
            if (timing.clock == nullptr || timing.state == State_Stopped) {
                return S_OK; // without a clock: as fast as downstream takes samples
            }
            if (timing.state == State_Paused) {
                if (released == 0) {
                    return S_OK; // a paused stream gives its first sample, then waits for Run
                }
            } else {
                REFERENCE_TIME now = 0;
                if (FAILED(timing.clock->GetTime(&now))) {
                    return S_OK; // a clock that cannot tell the time paces nothing
                }
                const REFERENCE_TIME streamNow = now - timing.start;
                REFERENCE_TIME due = start + lag;
                if (streamNow - due > frame) {
                    // More than a frame behind (a stall upstream or downstream): go on at the
                    // frame rate from here, a frame after the last delivery at the earliest,
                    // instead of sending a burst to catch up. The stamps do not change.
                    REFERENCE_TIME resume = streamNow;
                    if (lastReleaseKnown && lastRelease + frame > resume) {
                        resume = lastRelease + frame;
                    }
                    lag += resume - due;
                    due = resume;
                }
                if (streamNow >= due) {
                    return S_OK;
                }
                const REFERENCE_TIME wait = due - streamNow;
                timed = frameTimer.Start(wait);
                if (!timed) {
                    // No timer: a plain time-out, rounded up to whole milliseconds.
                    const REFERENCE_TIME ms = (wait + 9999) / 10000;
                    timeoutMs = ms < 0x7FFFFFFF ? static_cast<DWORD>(ms) : 0x7FFFFFFF;
                }
            }
        } // the clock reference is not held across the wait
        // Whatever ends the wait, the loop looks again: a timer that fired early or late, a
        // clock that runs at another pace than the timer, a new state, clock or start time.
        const HANDLE events[] = {RequestEvent(), timingChanged.Handle(), frameTimer.Handle()};
        const DWORD count = timed ? 3 : 2;
        if (WaitForMultipleObjects(count, events, FALSE, timeoutMs) == WAIT_OBJECT_0) {
            return S_FALSE;
        }
    }
}

void CSourceStream::NoteRelease() {
    ++released;
    lastReleaseKnown = false;
    if (!paced) {
        return;
    }
    TimingView timing;
    ReadTiming(&timing);
    REFERENCE_TIME now = 0;
    if (timing.clock != nullptr && timing.state == State_Running &&
        SUCCEEDED(timing.clock->GetTime(&now))) {
        lastRelease = now - timing.start;
        lastReleaseKnown = true;
    }
}

HRESULT CSourceStream::GetMediaType(int iPosition, COwnedMediaType* pmt) {
    CScopedLock guard(sourceFilter->pStateLock());
    if (iPosition < 0) {
        return E_INVALIDARG;
    }
    if (iPosition > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return GetMediaType(pmt);
}

HRESULT CSourceStream::CheckMediaType(const COwnedMediaType* pmt) {
    CScopedLock guard(sourceFilter->pStateLock());
    COwnedMediaType own;
    GetMediaType(&own);
    return own == *pmt ? S_OK : E_FAIL;
}

STDMETHODIMP CSourceStream::QueryId(LPWSTR* Id) {
    if (Id == nullptr) {
        return E_POINTER;
    }
    const int number = 1 + sourceFilter->FindPinNumber(static_cast<IPin*>(this));
    // The 8-byte identifier holds at most three digits and a terminator.
    if (number < 1 || number > 999) {
        return VFW_E_NOT_FOUND;
    }
    *Id = static_cast<WCHAR*>(CoTaskMemAlloc(8));
    if (*Id == nullptr) {
        return E_OUTOFMEMORY;
    }
    IntToWstr(number, *Id);
    return S_OK;
}

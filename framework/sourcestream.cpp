#include "sourcestream.h"

#include "pacing.h"
#include "source.h"
#include "widestring.h"

CSourceStream::CSourceStream(const WCHAR* objectName, HRESULT* phr, CSource* filter,
                             const WCHAR* pinName)
    : CBaseOutputPin(objectName, filter, filter->pStateLock(), phr, pinName), sourceFilter(filter) {
    *phr = filter->AddPin(this);
}

CSourceStream::~CSourceStream() {
    sourceFilter->RemovePin(this);
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
    ComPtr<IReferenceClock> clock;
    sourceFilter->GetSyncSource(&clock);
    SetTiming(State_Paused, clock.Get(), 0);
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
    const HRESULT created = OnThreadCreate();
    if (FAILED(created)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(created));
        return 1;
    }
    // Writes made before this run belong to no sample of it.
    pace.Start(WrittenCount());
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
            ComPtr<IMediaSample> sample;
            if (FAILED(GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0))) {
                Sleep(1);
                continue;
            }
            // The frame is copied only once it is due, so that it is as fresh as can be. A
            // command that came meanwhile is answered; the buffer goes back unused.
            if (WaitUntilDue() != S_OK) {
                continue;
            }
            HRESULT hr = FillBuffer(sample.Get());
            if (hr == S_OK) {
                NoteDelivery();
                if (Deliver(sample.Get()) != S_OK) {
                    return S_OK; // downstream refused: stop pushing, quietly
                }
            } else if (hr == S_FILL_INTERRUPTED) {
                continue; // the loop answers the command or looks at the new timing
            } else if (hr == S_FALSE) {
                DeliverEndOfStream();
                return S_OK;
            } else {
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
    // A stopped stream holds no clock. The old one is released outside the lock: a last
    // release may run the clock's own teardown.
    ComPtr<IReferenceClock> kept(filterState == State_Stopped ? nullptr : clock);
    {
        CScopedLock guard(&timingLock);
        timingState = filterState;
        timingClock.Swap(kept);
        timingStart = start;
    }
    kept.Reset();
    SetEvent(timingChanged.Handle());
}

void CSourceStream::ReadTiming(TimingView* view) {
    CScopedLock guard(&timingLock);
    view->state = timingState;
    view->clock = timingClock;
    view->start = timingStart;
}

void CSourceStream::InterruptEvents(HANDLE* events) const {
    events[0] = RequestEvent();
    events[1] = timingChanged.Handle();
}

HRESULT CSourceStream::WaitUntilDue() {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    pace.GoUnpaced();
    if (GetNextSampleTimes(&start, &stop) != S_OK) {
        return S_OK;
    }
    const REFERENCE_TIME frame = stop > start ? stop - start : 0;
    for (;;) {
        REFERENCE_TIME wait = -1; // paused: until Run
        {
            TimingView timing;
            ReadTiming(&timing);
            if (!timing.clock || timing.state == State_Stopped) {
                return S_OK; // without a clock: as fast as downstream takes samples
            }
            if (timing.state == State_Running) {
                REFERENCE_TIME now = 0;
                if (FAILED(timing.clock->GetTime(&now))) {
                    return S_OK; // a clock that cannot tell the time paces nothing
                }
                now -= timing.start;
                if (pace.Decide(start, now, frame, WrittenCount(), &wait)) {
                    return S_OK;
                }
            } else if (pace.DeliveredCount() == 0) {
                return S_OK; // a paused stream gives its first sample, then waits for Run
            }
        } // the clock reference is not held across the wait
        // Whatever ends the wait, the loop looks again: a timer that fired early or late, a
        // clock that runs at another pace than the timer, a new state, clock or start time.
        if (!WaitForChange(wait)) {
            return S_FALSE;
        }
    }
}

bool CSourceStream::WaitForChange(REFERENCE_TIME wait) {
    HANDLE events[interruptCount + 2];
    InterruptEvents(events);
    DWORD count = interruptCount;
    DWORD timeoutMs = INFINITE;
    if (wait >= 0) {
        if (frameTimer.Start(wait)) {
            events[count++] = frameTimer.Handle();
        } else {
            // No timer: a plain time-out, rounded up to whole milliseconds.
            const REFERENCE_TIME ms = (wait + 9999) / 10000;
            timeoutMs = ms < 0x7FFFFFFF ? static_cast<DWORD>(ms) : 0x7FFFFFFF;
        }
        // A write may make the sample due early; a paused stream is not woken by writes.
        const HANDLE written = WrittenEvent();
        if (written != nullptr) {
            events[count++] = written;
        }
    }
    return WaitForMultipleObjects(count, events, FALSE, timeoutMs) != WAIT_OBJECT_0;
}

void CSourceStream::NoteDelivery() {
    pace.Delivered();
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

#pragma once
// An output pin whose own worker thread fills and delivers samples. A stream that tells the
// times of its next sample (GetNextSampleTimes) is delivered in real time while its filter has
// a reference clock: each sample leaves no earlier than the stream time of its start stamp.
#include "amthread.h"
#include "outputpin.h"
#include "sync.h"

class CSource;

class CSourceStream : public CAMThread, public CBaseOutputPin {
public:
    enum Command : DWORD { CMD_INIT = 0, CMD_PAUSE = 1, CMD_RUN = 2, CMD_STOP = 3, CMD_EXIT = 4 };

    CSourceStream(const WCHAR* objectName, HRESULT* phr, CSource* filter, const WCHAR* pinName);
    ~CSourceStream() override;

    DWORD ThreadProc() override;
    virtual HRESULT FillBuffer(IMediaSample* pSample) = 0;
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    virtual HRESULT DoBufferProcessingLoop();
    virtual HRESULT GetMediaType(COwnedMediaType* pmt);
    // Worker: the start and stop times the next FillBuffer will stamp. S_OK: the sample is
    // held until the stream time reaches its start while the filter runs with a clock;
    // S_FALSE (the default): the stream is not paced and goes as fast as downstream takes it.
    virtual HRESULT GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop);

    // The filter's state, clock and start time, handed over by the filter under its state
    // lock whenever one of them changes; the worker paces by this copy, since it never takes
    // the state lock. The stream keeps a counted reference on the clock while not stopped.
    void SetTiming(FILTER_STATE filterState, IReferenceClock* clock, REFERENCE_TIME start);

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT CheckMediaType(const COwnedMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, COwnedMediaType* pmt) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;

    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }

protected:
    CSource* const sourceFilter;

private:
    // The worker's copy of SetTiming's values, with a reference of its own on the clock.
    struct TimingView {
        FILTER_STATE state = State_Stopped;
        IReferenceClock* clock = nullptr;
        REFERENCE_TIME start = 0;
        TimingView() = default;
        TimingView(const TimingView&) = delete;
        TimingView& operator=(const TimingView&) = delete;
        ~TimingView() {
            if (clock != nullptr) {
                clock->Release();
            }
        }
    };
    void ReadTiming(TimingView* view);
    // Worker: holds the sample about to be filled until it is due. S_OK: fill and deliver it
    // now; S_FALSE: a command is waiting to be answered.
    HRESULT WaitUntilDue();
    // Worker: notes that a filled sample is about to be delivered.
    void NoteRelease();

    // Guards the timing copy only; a leaf lock, taken by the filter (under its state lock)
    // and by the worker (holding nothing else).
    CCritSec timingLock;
    FILTER_STATE timingState = State_Stopped;
    IReferenceClock* timingClock = nullptr;
    REFERENCE_TIME timingStart = 0;
    // Wakes a worker that waits for a sample's time or for Run: set on every SetTiming.
    CEventHandle timingChanged{FALSE};
    // Ends the worker's wait for a sample's time; made once with the pin.
    CWaitableTimer frameTimer;

    // The worker's own pacing state, reset when the worker starts.
    bool paced = false;             // the sample in hand has times to wait for
    LONGLONG released = 0;          // samples handed downstream since the worker started
    REFERENCE_TIME lag = 0;         // how far stalls have moved delivery behind the stamps
    REFERENCE_TIME lastRelease = 0; // stream time of the last delivery, when running
    bool lastReleaseKnown = false;
};

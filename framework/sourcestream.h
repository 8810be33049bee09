#pragma once
// An output pin whose own worker thread fills and delivers samples. A stream that tells the
// times of its next sample (GetNextSampleTimes) is delivered in real time while its filter has
// a reference clock: each sample leaves at the stream time of its start stamp. A stream whose
// source also says when it has written something new (WrittenEvent, WrittenCount) delivers a
// fresh frame as soon as it is written, within a frame of that time, at the same rate.
//
// Lock order, outermost first: the filter's state lock -> the worker's command lock (held by
// the caller of CallWorker) -> the timing lock here, or a derived stream's own lock -> locks
// outside the process (a producer's mutex). The worker takes only the last two, never the
// state lock, so that the filter can stop it while holding that lock.
#include "amthread.h"
#include "outputpin.h"
#include "pacing.h"
#include "sync.h"

#include "com_owners.h"

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
    // Worker: an auto-reset event the source sets after each write, and the number of writes
    // so far. The defaults (no event, 0) pace by the clock alone.
    virtual HANDLE WrittenEvent() { return nullptr; }
    virtual LONG WrittenCount() { return 0; }

    // What FillBuffer returns when a command or a new state or clock called it away from a
    // wait (see InterruptEvents): the sample is not delivered and the worker looks again.
    static constexpr HRESULT S_FILL_INTERRUPTED =
        MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x210);

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
    // Worker: the two events that call the worker away from a wait (a command posted, a new
    // state, clock or start time). A fill that waits on something outside the process waits
    // on these too and returns S_FILL_INTERRUPTED when one of them ends the wait.
    static constexpr DWORD interruptCount = 2;
    void InterruptEvents(HANDLE* events) const; // fills interruptCount entries

    CSource* const sourceFilter;

private:
    // The worker's copy of SetTiming's values.
    struct TimingView {
        FILTER_STATE state = State_Stopped;
        ComPtr<IReferenceClock> clock;
        REFERENCE_TIME start = 0;
    };
    void ReadTiming(TimingView* view);
    // Worker: holds the sample about to be filled until it is due. S_OK: fill and deliver it
    // now; S_FALSE: a command is waiting to be answered.
    HRESULT WaitUntilDue();
    // Waits until `wait` (100 ns units; negative: no limit) has passed or something changes;
    // false when a command ended the wait.
    bool WaitForChange(REFERENCE_TIME wait);
    // Worker: a filled sample is about to be delivered.
    void NoteDelivery();

    // Guards the timing copy only; taken by the filter (under its state lock) and by the
    // worker (holding nothing else).
    CCritSec timingLock;
    FILTER_STATE timingState = State_Stopped;
    ComPtr<IReferenceClock> timingClock;
    REFERENCE_TIME timingStart = 0;
    // Wakes a worker that waits for a sample's time or for Run: set on every SetTiming.
    CEventHandle timingChanged{FALSE};
    // Ends the worker's wait for a sample's time; made once with the pin.
    CWaitableTimer frameTimer;

    // The worker's own pacing state, restarted when the worker starts.
    FramePacer pace;
};

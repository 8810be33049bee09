#pragma once
// The stream's worker: answers each sample request with one picture from the channel, paced at
// the camera's rate by the same rules as the DirectShow camera (FramePacer), on a sample from
// Media Foundation's allocator, stamped on the system clock, queued as MEMediaSample.
//
// Lock order, outermost first: the source's lock -> the stream's lock -> this pump's lock ->
// the producer's mutex. The worker holds the pump's lock only for short steps, never while it
// waits, so that Start, Stop and Shutdown are never held up by a producer or a frame.
#include "camera_format.h"
#include "com_owners.h"
#include "global_channel.h"
#include "kernel_owners.h"
#include "pacing.h"
#include "sync.h"

#include <mfidl.h>

class FramePump {
public:
    // `events`: the stream's queue, where the samples go.
    FramePump(const CameraFormat& format, IMFMediaEventQueue* events);
    ~FramePump() { Shutdown(); }
    FramePump(const FramePump&) = delete;
    FramePump& operator=(const FramePump&) = delete;

    // A run starts (again) with pictures of `type`; the worker starts the first time.
    HRESULT Start(IMFMediaType* type);
    // The run ends: pending requests are dropped, and no sample is queued after this returns.
    void Stop();
    // Stops and ends the worker; nothing is left running.
    void Shutdown();
    // One sample wanted, carrying `token` (may be null). MF_E_NOTACCEPTING when too many wait.
    HRESULT Request(IUnknown* token);

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Worker: a new run (generation) seen: pacing, signal claim and allocator set up for it.
    void BeginRun(IMFMediaType* type);
    // Worker: has the next sample in hand before its time, so that nothing but the picture
    // is left to do when it is due; false (after a short wait) when none can be had now.
    bool TakeSample();
    // Worker: holds the next sample until it is due; false when the run changed meanwhile.
    bool WaitUntilDue(LONG generation);
    // Worker: fills, stamps and queues the sample in hand for the run `generation`.
    void Deliver(LONG generation);
    HRESULT Fill(IMFSample* sample);
    void DropRequests(); // under the lock

    const CameraFormat format;
    const REFERENCE_TIME frameTime;
    ComPtr<IMFMediaEventQueue> events;

    // Guards what follows up to the worker's own state.
    CCritSec lock;
    bool running = false;
    bool exiting = false;
    LONG generation = 0;
    MFTIME runStart = 0;
    ComPtr<IMFMediaType> runType;
    static constexpr int maxRequests = 32;
    IUnknown* tokens[maxRequests] = {};
    int firstToken = 0;
    int requests = 0;

    CEventHandle wake{FALSE}; // a request, a new run or the end
    CEventHandle halt{TRUE};  // set from Stop until the next Start: ends the worker's waits
    CKernelHandle thread;

    // The worker's own state.
    GlobalChannel channel;
    FramePacer pacer;
    CWaitableTimer timer;
    LONG workerGeneration = 0;
    MFTIME workerStart = 0;
    GUID subtype = GUID_NULL;
    ComPtr<IMFVideoSampleAllocatorEx> allocator;
    ComPtr<IMFSample> inHand;
};

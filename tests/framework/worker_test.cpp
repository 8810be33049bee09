// The stream's worker thread: when it delivers, how it ends, how it answers commands, that
// starting and stopping it leaves nothing behind, and how it paces a stream in real time.
#include "lib/counting_clock.h"
#include "lib/event_graph.h"
#include "lib/fake_allocator.h"
#include "lib/fake_input_pin.h"
#include "process_handles.h"
#include "lib/stream_source.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

constexpr DWORD waitMs = 10000;

DWORD WINAPI RunJob(LPVOID argument) {
    std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(argument));
    (*job)();
    return 0;
}

// Runs `work` on its own thread and reports whether it ended within `timeoutMs`, so that a
// hang fails the test instead of stalling the program. A thread that hangs is left behind.
bool FinishesWithin(DWORD timeoutMs, std::function<void()> work) {
    auto* job = new std::function<void()>(std::move(work));
    HANDLE thread = CreateThread(nullptr, 0, &RunJob, job, 0, nullptr);
    if (thread == nullptr) {
        delete job;
        return false;
    }
    const bool finished = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return finished;
}

int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
            ++count;
        }
    }
    CloseHandle(snapshot);
    return count;
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        allocator = std::make_unique<CFakeAllocator>();
        ASSERT_TRUE(allocator->Ready());
        peer.allocatorToOffer = allocator.get();
        filter = new CTestSource;
        filter->AddRef();
        stream = filter->Stream();
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(filter->JoinFilterGraph(&graph, L"source"), S_OK);
    }
    void TearDown() override {
        if (filter != nullptr) {
            EXPECT_TRUE(FinishesWithin(waitMs, [this] { filter->Stop(); }));
            stream->Disconnect();
            peer.Disconnect();
            filter->JoinFilterGraph(nullptr, nullptr);
            EXPECT_EQ(filter->Release(), 0u);
        }
        allocator.reset();
        CoUninitialize();
    }

    void Connect() {
        ASSERT_EQ(stream->Connect(static_cast<IPin*>(&peer), nullptr), S_OK);
        ASSERT_EQ(stream->Allocator(), allocator.get());
    }

    HRESULT Command(DWORD command) { return static_cast<HRESULT>(stream->CallWorker(command)); }

    // Samples keep arriving: `more` beyond what has arrived so far.
    bool Flowing(LONG more = 3) {
        return peer.received.WaitFor(peer.received.Value() + more, waitMs);
    }

    CFakeInputPin peer;
    CEventGraph graph;
    std::unique_ptr<CFakeAllocator> allocator;
    CTestSource* filter = nullptr;
    CTestStream* stream = nullptr;
};

TEST_F(WorkerTest, PausingStartsDeliveryAndRunningNeedsNoCommand) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_TRUE(stream->ThreadExists());
    EXPECT_EQ(allocator->commits.Value(), 1);
    EXPECT_TRUE(Flowing());

    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_TRUE(Flowing());
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_TRUE(Flowing());
    // Still the first worker in its first processing loop, and the counter never restarted.
    EXPECT_EQ(stream->threadCreates.Value(), 1);
    EXPECT_EQ(stream->startPlays.Value(), 1);
    const std::vector<DWORD> counters = peer.Counters();
    for (size_t i = 0; i < counters.size(); ++i) {
        ASSERT_EQ(counters[i], i);
    }
    EXPECT_EQ(peer.endOfStreams.Value(), 0);

    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(stream->ThreadExists());
}

TEST_F(WorkerTest, StopFreesAWorkerWaitingForABuffer) {
    peer.holdSamples = true;
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(peer.received.WaitFor(1, waitMs));
    // The one buffer is held downstream: the second GetBuffer can only wait.
    ASSERT_TRUE(allocator->getBufferCalls.WaitFor(2, waitMs));

    HRESULT stopped = E_PENDING;
    EXPECT_TRUE(FinishesWithin(waitMs, [&] { stopped = filter->Stop(); }));
    EXPECT_EQ(stopped, S_OK);
    EXPECT_FALSE(stream->ThreadExists());
    EXPECT_EQ(peer.received.Value(), 1);
    EXPECT_EQ(stream->fills.Value(), 1);
    peer.ReleaseHeld();
}

TEST_F(WorkerTest, AFillEndingOnItsThirdCallGivesTwoSamplesAndOneEndOfStream) {
    stream->endAtFill = 3;
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(peer.endOfStreams.WaitFor(1, waitMs));

    // The worker idles after the end of stream and still answers the stop.
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(stream->ThreadExists());
    EXPECT_EQ(peer.Counters(), (std::vector<DWORD>{0, 1}));
    EXPECT_EQ(peer.endOfStreams.Value(), 1);
    EXPECT_EQ(stream->fills.Value(), 3);
    EXPECT_TRUE(graph.Events().empty());
}

TEST_F(WorkerTest, AFailingFillGivesEndOfStreamAndOneErrorAbort) {
    stream->failAtFill = 2;
    stream->fillFailure = E_FAIL;
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(graph.notified.WaitFor(1, waitMs));
    ASSERT_TRUE(peer.endOfStreams.WaitFor(1, waitMs));

    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(peer.received.Value(), 1);
    EXPECT_EQ(peer.endOfStreams.Value(), 1);
    EXPECT_EQ(stream->fills.Value(), 2);
    const std::vector<CaughtEvent> events = graph.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EC_ERRORABORT);
    EXPECT_EQ(events[0].param1, static_cast<LONG_PTR>(E_FAIL));
}

TEST_F(WorkerTest, ARefusingReceiverStopsThePushWithoutEndOfStream) {
    peer.receiveResult = S_FALSE;
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(peer.received.WaitFor(1, waitMs));

    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(peer.received.Value(), 1);
    EXPECT_EQ(stream->fills.Value(), 1);
    EXPECT_EQ(peer.endOfStreams.Value(), 0);
    EXPECT_TRUE(graph.Events().empty());
}

TEST_F(WorkerTest, AStreamingWorkerAnswersStrayCommandsAndGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(Flowing());

    EXPECT_EQ(Command(CSourceStream::CMD_RUN), S_OK);
    EXPECT_TRUE(Flowing());
    EXPECT_EQ(Command(CSourceStream::CMD_EXIT), E_UNEXPECTED);
    EXPECT_TRUE(Flowing());
    EXPECT_EQ(Command(CSourceStream::CMD_INIT), E_UNEXPECTED);
    EXPECT_TRUE(Flowing());
    EXPECT_EQ(stream->startPlays.Value(), 1);

    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(stream->ThreadExists());
}

TEST_F(WorkerTest, AFreshAndAnIdleWorkerAnswerStrayCommands) {
    EXPECT_EQ(Command(CSourceStream::CMD_INIT), E_FAIL); // no thread yet
    ASSERT_TRUE(stream->Create());
    EXPECT_FALSE(stream->Create()); // one worker at a time

    EXPECT_EQ(Command(CSourceStream::CMD_PAUSE), E_UNEXPECTED);
    EXPECT_EQ(Command(CSourceStream::CMD_STOP), E_UNEXPECTED);
    EXPECT_EQ(stream->threadCreates.Value(), 0);
    EXPECT_EQ(Command(CSourceStream::CMD_INIT), S_OK);
    EXPECT_EQ(stream->threadCreates.Value(), 1);

    EXPECT_EQ(Command(CSourceStream::CMD_INIT), E_NOTIMPL);
    EXPECT_EQ(Command(77), E_NOTIMPL);
    EXPECT_EQ(Command(CSourceStream::CMD_STOP), S_OK);
    EXPECT_EQ(Command(CSourceStream::CMD_EXIT), S_OK);
    stream->Close();
    EXPECT_FALSE(stream->ThreadExists());
    EXPECT_EQ(stream->startPlays.Value(), 0);
}

TEST_F(WorkerTest, RepeatedPauseAndStopLeaveNoThreadOrHandle) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    // One cycle first, so that whatever the platform sets up once is not counted.
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(Flowing(1));
    ASSERT_EQ(filter->Stop(), S_OK);
    const long handlesBefore = OpenHandleCount();
    ASSERT_GT(handlesBefore, 0);
    const int threadsBefore = ThreadsOfThisProcess();

    bool finished = FinishesWithin(60000, [this] {
        for (int i = 0; i < 200; ++i) {
            ASSERT_EQ(filter->Pause(), S_OK) << "cycle " << i;
            ASSERT_TRUE(Flowing(1)) << "cycle " << i;
            ASSERT_EQ(filter->Stop(), S_OK) << "cycle " << i;
            ASSERT_FALSE(stream->ThreadExists()) << "cycle " << i;
        }
    });
    ASSERT_TRUE(finished);

    // Wine now and then opens a handle of its own during the run (one, seen only when other
    // tests ran before); a handle leaked per cycle would show as 200.
    EXPECT_LE(OpenHandleCount(), handlesBefore + 4);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    EXPECT_EQ(stream->threadCreates.Value(), 201);
}

// Real-time delivery. The test stream tells its sample times (sample n starts at n frames)
// and the filter has the test's clock, which stands still unless the test moves it: what is
// due is exactly what the test says, however fast or slow the machine is.
class PacedWorkerTest : public WorkerTest {
protected:
    static constexpr REFERENCE_TIME frame = 2000000;        // 200 ms
    static constexpr REFERENCE_TIME longFrame = 100000000;  // 10 s
    static constexpr REFERENCE_TIME origin = 50000000000LL; // any clock reading will do

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WorkerTest::SetUp());
        stream->pacedFrameTime = frame;
        clock.SetTime(origin);
        ASSERT_EQ(filter->SetSyncSource(&clock), S_OK);
        ASSERT_NO_FATAL_FAILURE(Connect());
    }
    void TearDown() override {
        WorkerTest::TearDown();
        EXPECT_EQ(clock.Extra(), 0); // the filter and its stream gave the clock back
    }

    // Sets the clock to `frames` frame times of stream time after Run(origin).
    void At(double frames) { clock.SetTime(origin + static_cast<REFERENCE_TIME>(frames * frame)); }
    // The samples delivered so far, read once a worker that had something due has had ample
    // time to deliver it (it looks at the clock at least once a frame time).
    LONG Settled() {
        Sleep(3 * frame / 10000);
        return peer.received.Value();
    }
    bool Receives(LONG count) { return peer.received.WaitFor(count, waitMs); }
    // Milliseconds that `call` took.
    static long long Timed(const std::function<void()>& call) {
        const auto start = std::chrono::steady_clock::now();
        call();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }

    CountingClock clock; // outlives the filter, released in TearDown
};

TEST_F(PacedWorkerTest, PausedGivesOneSampleAndRunningHoldsEachToItsStamp) {
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(Receives(1));
    EXPECT_EQ(Settled(), 1);
    EXPECT_EQ(stream->fills.Value(), 1); // nor is the next frame copied ahead of its time

    ASSERT_EQ(filter->Run(origin), S_OK);
    At(0);
    EXPECT_EQ(Settled(), 1);
    At(0.99);
    EXPECT_EQ(Settled(), 1);
    At(1);
    ASSERT_TRUE(Receives(2));
    EXPECT_EQ(Settled(), 2);
    // Half a frame late: delivered at once, and the one after keeps to its own stamp.
    At(2.5);
    ASSERT_TRUE(Receives(3));
    EXPECT_EQ(Settled(), 3);
    At(3);
    ASSERT_TRUE(Receives(4));
    EXPECT_EQ(Settled(), 4);
    EXPECT_EQ(peer.Counters(), (std::vector<DWORD>{0, 1, 2, 3}));
}

TEST_F(PacedWorkerTest, AfterAStallDeliveryGoesOnAtTheFrameRateWithoutABurst) {
    ASSERT_EQ(filter->Run(origin), S_OK);
    ASSERT_TRUE(Receives(1)); // stamped 0: due at once
    At(1);
    ASSERT_TRUE(Receives(2));
    // Ten frames pass as if the worker had been held up: one sample goes, not the nine due.
    At(11.5);
    ASSERT_TRUE(Receives(3));
    EXPECT_EQ(Settled(), 3);
    // The next comes one frame after it, and so on at the frame rate.
    At(12.4);
    EXPECT_EQ(Settled(), 3);
    At(12.5);
    ASSERT_TRUE(Receives(4));
    EXPECT_EQ(Settled(), 4);
    At(13.5);
    ASSERT_TRUE(Receives(5));
    EXPECT_EQ(Settled(), 5);
    EXPECT_EQ(peer.Counters(), (std::vector<DWORD>{0, 1, 2, 3, 4}));
}

TEST_F(PacedWorkerTest, PauseStopsDeliveryAndRunResumesIt) {
    ASSERT_EQ(filter->Run(origin), S_OK);
    ASSERT_TRUE(Receives(1));
    ASSERT_EQ(filter->Pause(), S_OK);
    At(3); // sample 1 would be late by now, but time does not matter while paused
    EXPECT_EQ(Settled(), 1);
    // The graph resumes with the stream time where it paused: sample 1 is due one frame on.
    ASSERT_EQ(filter->Run(origin + 3 * frame), S_OK);
    EXPECT_EQ(Settled(), 1);
    At(4);
    ASSERT_TRUE(Receives(2));
    EXPECT_EQ(Settled(), 2);
}

TEST_F(PacedWorkerTest, StopEndsTheWaitForALongFrameAtOnce) {
    stream->pacedFrameTime = longFrame;
    ASSERT_EQ(filter->Run(origin), S_OK);
    ASSERT_TRUE(Receives(1));
    Sleep(100); // the worker now waits ten seconds for sample 1
    HRESULT stopped = E_PENDING;
    const long long ms = Timed([&] { stopped = filter->Stop(); });
    EXPECT_EQ(stopped, S_OK);
    EXPECT_LT(ms, 500);
    EXPECT_FALSE(stream->ThreadExists());
    EXPECT_EQ(peer.received.Value(), 1);
}

TEST_F(PacedWorkerTest, WithoutAClockAPacedStreamRunsFree) {
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_TRUE(Flowing()); // as before: paused without a clock goes on delivering
    ASSERT_EQ(filter->Run(origin), S_OK);
    EXPECT_TRUE(Flowing(20)); // the clock never moves, and it does not matter
}

TEST_F(PacedWorkerTest, ChangingTheClockWhileRunningTakesEffectAtOnce) {
    stream->pacedFrameTime = longFrame;
    ASSERT_EQ(filter->Run(origin), S_OK);
    ASSERT_TRUE(Receives(1));
    // Removed while the worker waits ten seconds: delivery runs free at once.
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    EXPECT_TRUE(Flowing(20));
    // Back: the counter is far ahead of the clock, so delivery waits again.
    ASSERT_EQ(filter->SetSyncSource(&clock), S_OK);
    const LONG held = Settled();
    EXPECT_EQ(Settled(), held);

    // The platform's clock, whose last reference goes while the worker may be using it.
    IReferenceClock* platform = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IReferenceClock, reinterpret_cast<void**>(&platform)),
              S_OK);
    // Its time is nothing like the test clock's, so a sample may or may not be due by it.
    ASSERT_EQ(filter->SetSyncSource(platform), S_OK);
    platform->Release();
    Sleep(50);
    ASSERT_EQ(filter->SetSyncSource(&clock), S_OK);
    const LONG after = Settled();
    EXPECT_LE(after, held + 1);
    EXPECT_EQ(Settled(), after);

    HRESULT stopped = E_PENDING;
    EXPECT_LT(Timed([&] { stopped = filter->Stop(); }), 500);
    EXPECT_EQ(stopped, S_OK);
}

} // namespace

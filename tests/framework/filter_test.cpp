// The base filter's state changes, clock, graph membership and events, and the source filter's
// pin lookup and teardown.
#include "lib/counting_clock.h"
#include "lib/counting_graph.h"
#include "lib/recording_filter.h"
#include "lib/teardown_source.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

const HRESULT failA = E_ABORT;
const HRESULT failC = E_ACCESSDENIED;

// The current count, read as the result of an AddRef/Release pair.
ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

FILTER_STATE StateOf(IBaseFilter* filter) {
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    EXPECT_EQ(S_OK, filter->GetState(0, &state));
    return state;
}

// Pins a and c are connected, b between them is not.
class FilterStates : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new RecordingFilter;
        filter->AddRef();
        a = filter->AddPin("a");
        b = filter->AddPin("b");
        c = filter->AddPin("c");
        a->SetConnected(true);
        c->SetConnected(true);
    }
    void TearDown() override { EXPECT_EQ(0u, filter->Release()); }

    // Reaches `target` from Stopped with pins that succeed, then forgets the calls.
    void Reach(FILTER_STATE target) {
        if (target == State_Paused) {
            ASSERT_EQ(S_OK, filter->Pause());
        } else if (target == State_Running) {
            ASSERT_EQ(S_OK, filter->Run(0));
        }
        ASSERT_EQ(target, StateOf(filter));
        filter->ClearCalls();
    }
    REFERENCE_TIME StreamTime() {
        REFERENCE_TIME time = -1;
        EXPECT_EQ(S_OK, filter->StreamTime(time));
        return time;
    }

    CountingClock clock; // outlives the filter, which may still hold it at TearDown
    RecordingFilter* filter = nullptr;
    RecordingPin* a = nullptr;
    RecordingPin* b = nullptr;
    RecordingPin* c = nullptr;
};

TEST_F(FilterStates, WalkStoppedPausedRunningPausedStopped) {
    EXPECT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Active", "c.Active"}), filter->Calls());

    filter->ClearCalls();
    EXPECT_EQ(S_OK, filter->Run(250));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Run", "c.Run"}), filter->Calls());
    EXPECT_EQ(250, a->LastRunStart());
    EXPECT_EQ(250, c->LastRunStart());

    // Leaving Running for Paused is the filter's business alone.
    filter->ClearCalls();
    EXPECT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_TRUE(filter->Calls().empty());

    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Inactive", "c.Inactive"}), filter->Calls());
}

TEST_F(FilterStates, RunFromStoppedActivatesThenRunsThroughTheOverridablePause) {
    EXPECT_EQ(S_OK, filter->Run(77));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Active", "c.Active", "a.Run", "c.Run"}), filter->Calls());
    EXPECT_EQ(1, filter->PauseCalls());
    EXPECT_EQ(77, c->LastRunStart());
    EXPECT_TRUE(filter->IsActive());

    filter->ClearCalls();
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ((PinCallLog{"a.Inactive", "c.Inactive"}), filter->Calls());
    EXPECT_FALSE(filter->IsActive());
    EXPECT_TRUE(filter->IsStopped());
}

TEST_F(FilterStates, RunWhileRunningOnlyMovesTheStartTime) {
    ASSERT_EQ(S_OK, filter->SetSyncSource(&clock));
    Reach(State_Running);
    const int pauses = filter->PauseCalls();
    clock.SetTime(1000);
    EXPECT_EQ(S_OK, filter->Run(400));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_TRUE(filter->Calls().empty());
    EXPECT_EQ(pauses, filter->PauseCalls());
    EXPECT_EQ(600, StreamTime());
}

TEST_F(FilterStates, StopWhenStoppedCallsNoPin) {
    EXPECT_EQ(S_OK, filter->Stop());
    a->SetInactiveResult(failA);
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));
    EXPECT_TRUE(filter->Calls().empty());
}

TEST_F(FilterStates, StopReturnsTheFirstFailureButTellsEveryPinAndStops) {
    Reach(State_Running);
    a->SetInactiveResult(failA);
    c->SetInactiveResult(failC);
    EXPECT_EQ(failA, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Inactive", "c.Inactive"}), filter->Calls());

    // A success code is not a failure; the later pin's failure is the first one.
    Reach(State_Paused);
    a->SetInactiveResult(S_FALSE);
    EXPECT_EQ(failC, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));

    Reach(State_Paused);
    c->SetInactiveResult(S_FALSE);
    EXPECT_EQ(S_OK, filter->Stop());
}

TEST_F(FilterStates, PauseFromStoppedGivesUpAtTheFirstFailingPin) {
    c->SetActiveResult(failC);
    EXPECT_EQ(failC, filter->Pause());
    EXPECT_EQ(State_Stopped, StateOf(filter));
    // The pin already activated is left as it is.
    EXPECT_EQ((PinCallLog{"a.Active", "c.Active"}), filter->Calls());

    filter->ClearCalls();
    a->SetActiveResult(failA);
    EXPECT_EQ(failA, filter->Pause());
    EXPECT_EQ((PinCallLog{"a.Active"}), filter->Calls());
    EXPECT_EQ(State_Stopped, StateOf(filter));
}

TEST_F(FilterStates, SuccessCodesFromPinsDoNotAbortATransition) {
    a->SetActiveResult(S_FALSE);
    a->SetRunResult(S_FALSE);
    EXPECT_EQ(S_OK, filter->Run(5));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Active", "c.Active", "a.Run", "c.Run"}), filter->Calls());
}

TEST_F(FilterStates, RunFromStoppedWithFailingActiveStaysStoppedButKeepsTheStartTime) {
    ASSERT_EQ(S_OK, filter->SetSyncSource(&clock));
    clock.SetTime(5000);
    c->SetActiveResult(failC);
    EXPECT_EQ(failC, filter->Run(1200));
    EXPECT_EQ(State_Stopped, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Active", "c.Active"}), filter->Calls());
    EXPECT_EQ(3800, StreamTime());
}

TEST_F(FilterStates, RunFromPausedWithFailingRunStaysPaused) {
    Reach(State_Paused);
    a->SetRunResult(failA);
    EXPECT_EQ(failA, filter->Run(10));
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_EQ((PinCallLog{"a.Run"}), filter->Calls());

    // A Run after the failure starts from Paused: no pin is activated again.
    filter->ClearCalls();
    a->SetRunResult(S_OK);
    EXPECT_EQ(S_OK, filter->Run(20));
    EXPECT_EQ((PinCallLog{"a.Run", "c.Run"}), filter->Calls());
}

TEST_F(FilterStates, UnconnectedPinsTakeNoPartEvenWhenTheyWouldFail) {
    b->SetActiveResult(failA);
    b->SetInactiveResult(failA);
    b->SetRunResult(failA);
    a->SetConnected(false);
    c->SetConnected(false);
    EXPECT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_EQ(S_OK, filter->Run(0));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));
    EXPECT_TRUE(filter->Calls().empty());
}

TEST_F(FilterStates, GetStateAnswersAtOnceWhileAnotherThreadHoldsTheLock) {
    Reach(State_Paused);
    HRESULT hr = E_UNEXPECTED;
    FILTER_STATE state = State_Stopped;
    CEventHandle answered(TRUE);
    std::thread reader;
    {
        CScopedLock hold(filter->Lock());
        reader = std::thread([&] {
            hr = filter->GetState(INFINITE, &state);
            SetEvent(answered.Handle());
        });
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(answered.Handle(), 5000));
    }
    reader.join();
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(State_Paused, state);
}

// The filter's counted reference on its clock, for any clock.
void CheckClockReferences(IReferenceClock* clock) {
    auto* filter = new RecordingFilter;
    filter->AddRef();
    const ULONG base = References(clock);

    EXPECT_EQ(S_OK, filter->SetSyncSource(clock));
    EXPECT_EQ(base + 1, References(clock));
    EXPECT_EQ(S_OK, filter->SetSyncSource(clock));
    EXPECT_EQ(base + 1, References(clock));

    IReferenceClock* held = nullptr;
    EXPECT_EQ(S_OK, filter->GetSyncSource(&held));
    EXPECT_EQ(clock, held);
    EXPECT_EQ(base + 2, References(clock));
    held->Release();

    EXPECT_EQ(S_OK, filter->SetSyncSource(nullptr));
    EXPECT_EQ(base, References(clock));
    held = clock;
    EXPECT_EQ(S_OK, filter->GetSyncSource(&held));
    EXPECT_EQ(nullptr, held);

    // The filter's destruction gives back a clock it still holds.
    EXPECT_EQ(S_OK, filter->SetSyncSource(clock));
    EXPECT_EQ(0u, filter->Release());
    EXPECT_EQ(base, References(clock));
}

TEST(FilterClock, SetSyncSourceHoldsOneReferenceOnATestClock) {
    CountingClock clock;
    CheckClockReferences(&clock);
    EXPECT_EQ(0, clock.Extra());
}

TEST(FilterClock, SetSyncSourceHoldsOneReferenceOnThePlatformClock) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IReferenceClock* clock = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IReferenceClock, reinterpret_cast<void**>(&clock)));
    CheckClockReferences(clock);

    // Changing clocks releases the old one.
    CountingClock other;
    auto* filter = new RecordingFilter;
    filter->AddRef();
    const ULONG base = References(clock);
    filter->SetSyncSource(clock);
    filter->SetSyncSource(&other);
    EXPECT_EQ(base, References(clock));
    EXPECT_EQ(1, other.Extra());
    EXPECT_EQ(0u, filter->Release());
    EXPECT_EQ(0, other.Extra());

    EXPECT_EQ(0u, clock->Release());
    CoUninitialize();
}

TEST(FilterClock, StreamTimeIsClockTimeSinceTheStart) {
    auto* filter = new RecordingFilter;
    filter->AddRef();
    REFERENCE_TIME time = 0;
    EXPECT_EQ(VFW_E_NO_CLOCK, filter->StreamTime(time));

    CountingClock clock;
    clock.SetTime(9000);
    filter->SetSyncSource(&clock);
    EXPECT_EQ(S_OK, filter->Run(2500));
    EXPECT_EQ(S_OK, filter->StreamTime(time));
    EXPECT_EQ(6500, time);

    clock.SetTimeResult(E_FAIL);
    EXPECT_EQ(E_FAIL, filter->StreamTime(time));
    EXPECT_EQ(0u, filter->Release());
}

class FilterInGraph : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new RecordingFilter;
        filter->AddRef();
    }
    void TearDown() override {
        EXPECT_EQ(0u, filter->Release());
        // The filter never kept a reference on the graph.
        EXPECT_EQ(0, graph.Extra());
    }
    LONG_PTR Self() { return reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(filter)); }

    CountingGraph graph;
    RecordingFilter* filter = nullptr;
};

TEST_F(FilterInGraph, QueryFilterInfoCutsALongNameAndCountsTheGraph) {
    std::wstring name;
    for (int i = 0; i < 200; ++i) {
        name += static_cast<wchar_t>(L'a' + i % 26);
    }
    EXPECT_EQ(S_OK, filter->JoinFilterGraph(&graph, name.c_str()));
    EXPECT_EQ(0, graph.Extra());
    // The filter keeps its own copy of the name.
    name[0] = L'#';

    FILTER_INFO info;
    EXPECT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(static_cast<IFilterGraph*>(&graph), info.pGraph);
    EXPECT_EQ(1, graph.Extra());
    info.pGraph->Release();
    EXPECT_EQ(L'a', info.achName[0]);
    EXPECT_EQ(name.substr(1, 126), std::wstring(info.achName + 1));
    EXPECT_EQ(0, info.achName[127]);
}

TEST_F(FilterInGraph, JoiningNoGraphClearsNameGraphAndSink) {
    EXPECT_EQ(S_OK, filter->JoinFilterGraph(&graph, L"named"));
    EXPECT_EQ(S_OK, filter->JoinFilterGraph(nullptr, nullptr));

    FILTER_INFO info;
    info.achName[0] = L'x';
    info.pGraph = &graph;
    EXPECT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(0, info.achName[0]);
    EXPECT_EQ(nullptr, info.pGraph);
    EXPECT_EQ(E_NOTIMPL, filter->NotifyEvent(EC_COMPLETE, S_OK, 0));
    EXPECT_TRUE(graph.Events().empty());
}

TEST_F(FilterInGraph, NotifyEventNamesTheFilterOnCompletionOnly) {
    EXPECT_EQ(E_NOTIMPL, filter->NotifyEvent(EC_COMPLETE, S_OK, 0));
    filter->JoinFilterGraph(&graph, nullptr);
    graph.SetNotifyResult(S_FALSE);
    EXPECT_EQ(S_FALSE, filter->NotifyEvent(EC_COMPLETE, E_FAIL, 0x1234));
    EXPECT_EQ(S_FALSE, filter->NotifyEvent(EC_ERRORABORT, E_OUTOFMEMORY, 0x55));
    ASSERT_EQ(2u, graph.Events().size());
    EXPECT_EQ(EC_COMPLETE, graph.Events()[0].code);
    EXPECT_EQ(E_FAIL, graph.Events()[0].param1);
    EXPECT_EQ(Self(), graph.Events()[0].param2);
    EXPECT_EQ(EC_ERRORABORT, graph.Events()[1].code);
    EXPECT_EQ(E_OUTOFMEMORY, graph.Events()[1].param1);
    EXPECT_EQ(0x55, graph.Events()[1].param2);
}

TEST(FilterEvents, AGraphWithoutASinkLeavesNotifyEventUnimplemented) {
    CountingGraph graph(false);
    auto* filter = new RecordingFilter;
    filter->AddRef();
    EXPECT_EQ(S_OK, filter->JoinFilterGraph(&graph, L"no sink"));
    EXPECT_EQ(E_NOTIMPL, filter->NotifyEvent(EC_COMPLETE, S_OK, 0));
    EXPECT_EQ(0, graph.Extra());
    EXPECT_EQ(0u, filter->Release());
}

TEST(FilterInterfaces, FacesNullOutPointersAndSetup) {
    auto* filter = new RecordingFilter;
    filter->AddRef();
    IBaseFilter* base = filter;
    for (REFIID iid : {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist}) {
        void* face = nullptr;
        EXPECT_EQ(S_OK, base->QueryInterface(iid, &face));
        EXPECT_EQ(static_cast<void*>(base), face);
        base->Release();
    }
    IAMovieSetup* setup = nullptr;
    ASSERT_EQ(S_OK, base->QueryInterface(IID_IAMovieSetup, reinterpret_cast<void**>(&setup)));
    EXPECT_EQ(S_FALSE, setup->Register());
    EXPECT_EQ(S_FALSE, setup->Unregister());
    setup->Release();

    EXPECT_EQ(E_POINTER, base->GetClassID(nullptr));
    EXPECT_EQ(E_POINTER, base->GetState(0, nullptr));
    EXPECT_EQ(E_POINTER, base->GetSyncSource(nullptr));
    EXPECT_EQ(E_POINTER, base->EnumPins(nullptr));
    EXPECT_EQ(E_POINTER, base->FindPin(L"1", nullptr));
    EXPECT_EQ(E_POINTER, base->QueryFilterInfo(nullptr));
    EXPECT_EQ(0u, filter->Release());
}

class SourceFilter : public ::testing::Test {
protected:
    void Make(int streams) {
        HRESULT hr = E_UNEXPECTED;
        source = new TeardownSource(streams, &hr, &teardown);
        ASSERT_EQ(S_OK, hr);
        source->AddRef();
    }
    void TearDown() override {
        if (source != nullptr) {
            EXPECT_EQ(0u, source->Release());
        }
        EXPECT_EQ(live, CBaseObject::ObjectsActive());
    }
    IPin* PinFace(int n) { return static_cast<IPin*>(source->Stream(n)); }

    const LONG live = CBaseObject::ObjectsActive();
    TeardownLog teardown;
    TeardownSource* source = nullptr;
};

TEST_F(SourceFilter, FindPinTakesTheOneBasedNumber) {
    Make(1);
    const ULONG base = References(static_cast<IBaseFilter*>(source));
    IPin* pin = nullptr;
    EXPECT_EQ(S_OK, source->FindPin(L"1", &pin));
    EXPECT_EQ(PinFace(0), pin);
    EXPECT_EQ(base + 1, References(static_cast<IBaseFilter*>(source)));
    pin->Release();
    EXPECT_EQ(S_OK, source->FindPin(L" 1", &pin));
    EXPECT_EQ(PinFace(0), pin);
    pin->Release();

    for (const WCHAR* id : {L"0", L"x", L"2", L"-1", L""}) {
        pin = PinFace(0);
        EXPECT_EQ(VFW_E_NOT_FOUND, source->FindPin(id, &pin)) << static_cast<int>(id[0]);
        EXPECT_EQ(nullptr, pin);
    }
    EXPECT_EQ(base, References(static_cast<IBaseFilter*>(source)));
}

TEST_F(SourceFilter, EachPinsIdFindsThatPin) {
    Make(3);
    for (int n = 0; n < 3; ++n) {
        LPWSTR id = nullptr;
        ASSERT_EQ(S_OK, PinFace(n)->QueryId(&id));
        IPin* found = nullptr;
        EXPECT_EQ(S_OK, source->FindPin(id, &found));
        EXPECT_EQ(PinFace(n), found);
        EXPECT_EQ(n, source->FindPinNumber(found));
        found->Release();
        CoTaskMemFree(id);
    }
    EXPECT_EQ(nullptr, source->GetPin(3));
    EXPECT_EQ(nullptr, source->GetPin(-1));
}

TEST_F(SourceFilter, UnconnectedStreamsDoNothingOnStateChanges) {
    Make(2);
    IBaseFilter* filter = source;
    EXPECT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_EQ(S_OK, filter->Run(0));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_FALSE(source->Stream(0)->ThreadExists());
    EXPECT_FALSE(source->Stream(1)->ThreadExists());
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(State_Stopped, StateOf(filter));
}

TEST_F(SourceFilter, DestructionDeletesStreamsLastFirstAndLeavesNoArray) {
    Make(3);
    EXPECT_EQ(live + 4, CBaseObject::ObjectsActive());
    EXPECT_EQ(3, source->GetPinCount());
    EXPECT_EQ(0u, source->Release());
    source = nullptr;
    ASSERT_EQ(3u, teardown.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(3 - i, teardown[i].number);
        EXPECT_EQ(2 - i, teardown[i].countAfter);
        EXPECT_EQ(i < 2, teardown[i].arrayAfter);
    }
}

TEST_F(SourceFilter, RemovePinShiftsLaterStreamsDownAndIgnoresStrangers) {
    Make(3);
    TeardownStream* middle = source->Stream(1);
    TeardownStream* last = source->Stream(2);
    EXPECT_EQ(S_OK, source->RemovePin(middle));
    EXPECT_EQ(2, source->GetPinCount());
    EXPECT_EQ(last, source->Stream(1));
    EXPECT_EQ(-1, source->FindPinNumber(static_cast<IPin*>(middle)));
    EXPECT_EQ(S_FALSE, source->RemovePin(middle));
    // No longer the filter's, so it is deleted here; its own removal finds nothing.
    delete middle;
    EXPECT_EQ(2, source->GetPinCount());
    ASSERT_EQ(1u, teardown.size());
    EXPECT_EQ(2, teardown[0].number);
}

} // namespace

// A source filter held and driven by the platform's filter graph manager.
#include "lib/teardown_source.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <string>

namespace {

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// Whether the graph's filter enumeration lists `filter`.
bool GraphLists(IGraphBuilder* graph, IBaseFilter* filter) {
    IEnumFilters* filters = nullptr;
    if (FAILED(graph->EnumFilters(&filters))) {
        ADD_FAILURE() << "EnumFilters failed";
        return false;
    }
    bool found = false;
    IBaseFilter* next = nullptr;
    while (filters->Next(1, &next, nullptr) == S_OK) {
        found = found || next == filter;
        next->Release();
    }
    filters->Release();
    return found;
}

bool SameObject(IUnknown* one, IUnknown* other) {
    IUnknown* first = nullptr;
    IUnknown* second = nullptr;
    one->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&first));
    other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&second));
    const bool same = first != nullptr && first == second;
    if (first != nullptr) {
        first->Release();
    }
    if (second != nullptr) {
        second->Release();
    }
    return same;
}

FILTER_STATE StateOf(IBaseFilter* filter) {
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    EXPECT_EQ(S_OK, filter->GetState(0, &state));
    return state;
}

class PlatformGraph : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
        HRESULT hr = E_UNEXPECTED;
        source = new TeardownSource(1, &hr);
        ASSERT_EQ(S_OK, hr);
        source->AddRef();
        filter = source;
    }
    void TearDown() override {
        if (graph != nullptr) {
            graph->Release();
        }
        if (source != nullptr) {
            EXPECT_EQ(0u, source->Release());
        }
        EXPECT_EQ(live, CBaseObject::ObjectsActive());
        CoUninitialize();
    }

    const LONG live = CBaseObject::ObjectsActive();
    IGraphBuilder* graph = nullptr;
    TeardownSource* source = nullptr;
    IBaseFilter* filter = nullptr;
};

TEST_F(PlatformGraph, JoinsRunsAndLeavesTheGraph) {
    ASSERT_EQ(S_OK, graph->AddFilter(filter, L"Test source"));
    EXPECT_TRUE(GraphLists(graph, filter));

    FILTER_INFO info;
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(std::wstring(L"Test source"), info.achName);
    ASSERT_NE(nullptr, info.pGraph);
    EXPECT_TRUE(SameObject(info.pGraph, graph));
    info.pGraph->Release();

    IMediaControl* control = nullptr;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_EQ(State_Running, StateOf(filter));
    EXPECT_TRUE(SUCCEEDED(control->Pause()));
    EXPECT_EQ(State_Paused, StateOf(filter));
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    EXPECT_EQ(State_Stopped, StateOf(filter));
    control->Release();

    EXPECT_EQ(S_OK, graph->RemoveFilter(filter));
    EXPECT_FALSE(GraphLists(graph, filter));
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(nullptr, info.pGraph);
    // The graph has given back every reference it took on the filter.
    EXPECT_EQ(1u, References(filter));
}

TEST_F(PlatformGraph, EventsReachTheGraphsQueue) {
    ASSERT_EQ(S_OK, graph->AddFilter(filter, L"Test source"));
    IMediaEvent* events = nullptr;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)));

    EXPECT_EQ(S_OK, source->NotifyEvent(EC_ERRORABORT, E_OUTOFMEMORY, 0));
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    EXPECT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 1000));
    EXPECT_EQ(EC_ERRORABORT, code);
    EXPECT_EQ(E_OUTOFMEMORY, param1);
    events->FreeEventParams(code, param1, param2);
    events->Release();
}

} // namespace

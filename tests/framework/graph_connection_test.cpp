// The stream pin inside the platform's filter graph, connected to its null renderer and
// sample grabber, run and stopped.
#include "lib/tally.h"
#include "lib/stream_source.h"

#include <gtest/gtest.h>

#include <qedit.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr CLSID CLSID_NullRendererFilter = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr CLSID CLSID_SampleGrabberFilter = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr DWORD waitMs = 10000;

// Sees every sample the grabber passes on and keeps the counter the fill wrote into it.
class CounterCallback : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(ISampleGrabberCB))) {
            *out = static_cast<ISampleGrabberCB*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack, longer than the grabber.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        BYTE* data = nullptr;
        DWORD counter = 0xFFFFFFFF;
        if (SUCCEEDED(sample->GetPointer(&data)) && sample->GetActualDataLength() >= 4) {
            CopyMemory(&counter, data, sizeof(counter));
        }
        {
            std::lock_guard<std::mutex> guard(mutex);
            counters.push_back(counter);
        }
        samples.Add();
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

    std::vector<DWORD> Counters() {
        std::lock_guard<std::mutex> guard(mutex);
        return counters;
    }
    Tally samples;

private:
    std::mutex mutex;
    std::vector<DWORD> counters;
};

template <typename T> void SafeRelease(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    IPin* found = nullptr;
    IPin* pin = nullptr;
    while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) {
            found = pin;
        } else {
            pin->Release();
        }
    }
    pins->Release();
    return found;
}

enum class Downstream { NullRenderer, Grabber, AviMux };

struct GraphCase {
    const char* name;
    Downstream downstream;
    int refusedAllocators; // 1 makes the stream turn down the first allocator it is offered
    bool peerAllocatorUsed;
    bool runs;
};

IMemAllocator* OfferedAllocator(IPin* input) {
    IMemInputPin* memory = nullptr;
    IMemAllocator* offered = nullptr;
    if (SUCCEEDED(input->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&memory)))) {
        if (FAILED(memory->GetAllocator(&offered))) {
            offered = nullptr;
        }
        memory->Release();
    }
    return offered;
}

// The vtable of an object: equal for two objects of one class.
const void* ClassOf(IUnknown* object) {
    return *reinterpret_cast<void* const*>(object);
}

class GraphConnectionTest : public ::testing::TestWithParam<GraphCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&graph)),
                  S_OK);
        source = new CTestSource;
        source->AddRef();
        stream = source->Stream();
        ASSERT_NE(stream, nullptr);
        stream->refuseAllocators = GetParam().refusedAllocators;
        ASSERT_EQ(graph->AddFilter(static_cast<IBaseFilter*>(source), L"source"), S_OK);
        switch (GetParam().downstream) {
        case Downstream::NullRenderer:
            chain = {AddPlatformFilter(CLSID_NullRendererFilter, L"renderer")};
            break;
        case Downstream::Grabber:
            chain = {AddPlatformFilter(CLSID_SampleGrabberFilter, L"grabber"),
                     AddPlatformFilter(CLSID_NullRendererFilter, L"renderer")};
            ASSERT_NE(chain[0], nullptr);
            ASSERT_EQ(chain[0]->QueryInterface(__uuidof(ISampleGrabber),
                                               reinterpret_cast<void**>(&grabber)),
                      S_OK);
            ASSERT_EQ(grabber->SetBufferSamples(FALSE), S_OK);
            ASSERT_EQ(grabber->SetOneShot(FALSE), S_OK);
            ASSERT_EQ(grabber->SetCallback(&callback, 0), S_OK);
            break;
        case Downstream::AviMux:
            chain = {AddPlatformFilter(CLSID_AviDest, L"mux"),
                     AddPlatformFilter(CLSID_FileWriter, L"writer")};
            ASSERT_NO_FATAL_FAILURE(NameOutputFile(chain[1]));
            break;
        }
        for (IBaseFilter* filter : chain) {
            ASSERT_NE(filter, nullptr);
        }
    }
    void TearDown() override {
        if (grabber != nullptr) {
            grabber->SetCallback(nullptr, 0);
        }
        SafeRelease(grabber);
        for (IBaseFilter*& filter : chain) {
            SafeRelease(filter);
        }
        SafeRelease(graph);
        if (source != nullptr) {
            // The graph has let go of the filter and its pin.
            EXPECT_EQ(source->Release(), 0u);
        }
        if (!outputFile.empty()) {
            DeleteFileW(outputFile.c_str());
        }
        CoUninitialize();
    }

    IBaseFilter* AddPlatformFilter(REFCLSID clsid, LPCWSTR name) {
        IBaseFilter* filter = nullptr;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    reinterpret_cast<void**>(&filter)))) {
            return nullptr;
        }
        EXPECT_EQ(graph->AddFilter(filter, name), S_OK);
        return filter;
    }

    void NameOutputFile(IBaseFilter* writer) {
        WCHAR folder[MAX_PATH];
        WCHAR file[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
        ASSERT_NE(GetTempFileNameW(folder, L"h5", 0, file), 0u);
        outputFile = file;
        IFileSinkFilter* sink = nullptr;
        ASSERT_EQ(writer->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&sink)),
                  S_OK);
        EXPECT_EQ(sink->SetFileName(file, nullptr), S_OK);
        sink->Release();
    }

    HRESULT ConnectDirect(IBaseFilter* from, IBaseFilter* to) {
        IPin* out = FirstPin(from, PINDIR_OUTPUT);
        IPin* in = FirstPin(to, PINDIR_INPUT);
        const HRESULT hr =
            out != nullptr && in != nullptr ? graph->ConnectDirect(out, in, nullptr) : E_FAIL;
        SafeRelease(out);
        SafeRelease(in);
        return hr;
    }

    IGraphBuilder* graph = nullptr;
    CTestSource* source = nullptr;
    CTestStream* stream = nullptr;
    std::vector<IBaseFilter*> chain;
    ISampleGrabber* grabber = nullptr;
    CounterCallback callback;
    std::wstring outputFile;
};

TEST_P(GraphConnectionTest, ConnectsRunsAndStops) {
    const GraphCase& c = GetParam();
    // Wine's AVI mux reconnects its input when its output is connected, and crashes in its
    // GetAllocator while doing so; connecting its output first avoids that.
    if (c.downstream == Downstream::AviMux) {
        ASSERT_EQ(ConnectDirect(chain[0], chain[1]), S_OK);
    }
    IPin* input = FirstPin(chain[0], PINDIR_INPUT);
    ASSERT_NE(input, nullptr);
    IMemAllocator* offered = OfferedAllocator(input);
    ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), input, nullptr), S_OK);
    SafeRelease(input);
    if (c.downstream == Downstream::Grabber) {
        ASSERT_EQ(ConnectDirect(chain[0], chain[1]), S_OK);
    }

    // Which allocator the stream ended with: the downstream pin's, or the platform's own.
    ASSERT_EQ(stream->decisions.size(), static_cast<size_t>(c.refusedAllocators + 1));
    EXPECT_EQ(stream->decisions.back().result, S_OK);
    EXPECT_EQ(stream->decisions.back().allocator, stream->Allocator());
    if (c.peerAllocatorUsed) {
        ASSERT_NE(offered, nullptr);
        EXPECT_EQ(stream->Allocator(), offered);
    } else {
        EXPECT_NE(stream->Allocator(), offered);
        IMemAllocator* platform = nullptr;
        ASSERT_EQ(CreateMemoryAllocator(&platform), S_OK);
        EXPECT_EQ(ClassOf(stream->Allocator()), ClassOf(platform));
        SafeRelease(platform);
    }
    if (c.refusedAllocators != 0) {
        EXPECT_EQ(stream->decisions[0].allocator, offered);
    }
    SafeRelease(offered);
    if (!c.runs) {
        return;
    }

    IMediaFilter* timing = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&timing)), S_OK);
    EXPECT_EQ(timing->SetSyncSource(nullptr), S_OK);
    SafeRelease(timing);

    IMediaControl* control = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    // One buffer: every fill after the first needed the previous sample to come back.
    EXPECT_TRUE(stream->fills.WaitFor(6, waitMs));
    if (grabber != nullptr) {
        ASSERT_TRUE(callback.samples.WaitFor(5, waitMs));
        const std::vector<DWORD> counters = callback.Counters();
        for (DWORD i = 0; i < 5; ++i) {
            EXPECT_EQ(counters[i], i);
        }
    }
    EXPECT_EQ(control->Stop(), S_OK);
    OAFilterState state = State_Running;
    EXPECT_EQ(control->GetState(waitMs, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_FALSE(stream->ThreadExists());
    SafeRelease(control);
}

// Wine's null renderer and sample grabber offer no allocator of their own, so the stream
// takes the platform's; the AVI mux offers one, but Wine's mux does not run this graph (its Run
// answers E_NOTIMPL), so its cases stop at the connection.
INSTANTIATE_TEST_SUITE_P(
    Downstream, GraphConnectionTest,
    ::testing::Values(GraphCase{"NullRenderer", Downstream::NullRenderer, 0, false, true},
                      GraphCase{"Grabber", Downstream::Grabber, 0, false, true},
                      GraphCase{"AviMux", Downstream::AviMux, 0, true, false},
                      GraphCase{"AviMuxRefused", Downstream::AviMux, 1, false, false}),
    [](const ::testing::TestParamInfo<GraphCase>& info) { return std::string(info.param.name); });

} // namespace

// A registered camera is created by its class identifier alone, joins the platform's filter
// graph and streams into the sample grabber and null renderer.
#include "registry_probe.h"
#include "srcfilter_module.h"

#include <dshow.h>
#include <gtest/gtest.h>
#include <qedit.h>
#include <wrl/client.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {
const CLSID kSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID kNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// Collects what arrives at the grabber on the streaming thread. Lives on the test's stack
// and outlasts the graph, so its reference count is not tracked.
class SampleLog : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISampleGrabberCB)) {
            *out = static_cast<ISampleGrabberCB*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        REFERENCE_TIME start = -1;
        REFERENCE_TIME stop = -1;
        sample->GetTime(&start, &stop);
        std::lock_guard<std::mutex> guard(lock);
        samples.push_back({start, stop, sample->GetActualDataLength()});
        arrived.notify_all();
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return S_OK; }

    struct Sample {
        REFERENCE_TIME start;
        REFERENCE_TIME stop;
        LONG length;
    };
    std::vector<Sample> WaitFor(size_t count, std::chrono::seconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        arrived.wait_for(guard, limit, [&] { return samples.size() >= count; });
        return samples;
    }

private:
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<Sample> samples;
};

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) {
            return pin;
        }
        pin.Reset();
    }
    return nullptr;
}

class CameraGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.Loaded());
        CoInitialize(nullptr);
        ASSERT_EQ(S_OK, dll.Register());
    }
    void TearDown() override {
        if (dll.Loaded()) {
            dll.Unregister();
            CoUninitialize();
        }
    }
    SrcFilterModule dll;
};
} // namespace

TEST_F(CameraGraphTest, CreatedByClassIdentifierItStreamsThroughTheGraph) {
    ComPtr<IBaseFilter> camera;
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<IBaseFilter> renderer;
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK,
              CoCreateInstance(kCameraClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&camera)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&graph)));
    ASSERT_EQ(S_OK, CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&grabberFilter)));
    ASSERT_EQ(S_OK, CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&renderer)));
    ComPtr<ISampleGrabber> grabber;
    ASSERT_EQ(S_OK, grabberFilter.As(&grabber));
    SampleLog log;
    ASSERT_EQ(S_OK, grabber->SetCallback(&log, 0));

    ASSERT_EQ(S_OK, graph->AddFilter(camera.Get(), L"camera"));
    ASSERT_EQ(S_OK, graph->AddFilter(grabberFilter.Get(), L"grabber"));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"renderer"));
    ASSERT_EQ(S_OK,
              graph->ConnectDirect(FirstPin(camera.Get(), PINDIR_OUTPUT).Get(),
                                   FirstPin(grabberFilter.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(FirstPin(grabberFilter.Get(), PINDIR_OUTPUT).Get(),
                                         FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr));
    AM_MEDIA_TYPE type = {};
    ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&type));
    const LONG frameBytes = static_cast<LONG>(type.lSampleSize);
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
    }

    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(&control));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    const auto samples = log.WaitFor(5, std::chrono::seconds(10));
    EXPECT_EQ(S_OK, control->Stop());

    ASSERT_GE(samples.size(), 5u);
    EXPECT_GT(frameBytes, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(frameBytes, samples[i].length) << i;
        EXPECT_GT(samples[i].stop, samples[i].start) << i;
        if (i > 0) {
            EXPECT_EQ(samples[i - 1].stop, samples[i].start) << i;
        }
    }
}

// The capture graph builder as a real client finds the camera's pin by its capture category
// and its IAMStreamConfig through that pin. The graph is built but never run: Wine's Smart
// Tee, which RenderStream puts in, blocks on the first sample.
#include "camera_helpers.h"

#include <gtest/gtest.h>
#include <ks.h>
#include <ksmedia.h>

#include <vector>

namespace {

const CLSID nullRendererClsid = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

class CaptureBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(&graph)));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(&builder)));
        ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
        HRESULT hr = E_FAIL;
        camera = CreateCamera(&hr);
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(S_OK, graph->AddFilter(camera.Get(), L"camera"));
    }
    void TearDown() override {
        // Taking every filter out of the graph breaks its connections before it goes.
        ComPtr<IEnumFilters> filters;
        if (graph && SUCCEEDED(graph->EnumFilters(&filters))) {
            std::vector<ComPtr<IBaseFilter>> members;
            ComPtr<IBaseFilter> filter;
            while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
                members.push_back(filter);
            }
            for (const auto& member : members) {
                graph->RemoveFilter(member.Get());
            }
        }
        builder.Reset();
        graph.Reset();
        camera.Reset();
        EXPECT_FALSE(CameraRegionExists()) << "the graph kept the camera";
    }

    CComScope com;
    CSettingsScope settings;
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> camera;
};

TEST_F(CaptureBuilder, FindsThePinByCaptureCategory) {
    ComPtr<IPin> byCategory;
    ASSERT_EQ(S_OK, builder->FindPin(camera.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
                                     &MEDIATYPE_Video, FALSE, 0, &byCategory));
    EXPECT_EQ(CameraPin(camera.Get()).Get(), byCategory.Get());
    ComPtr<IPin> preview;
    EXPECT_TRUE(FAILED(builder->FindPin(camera.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW,
                                        &MEDIATYPE_Video, FALSE, 0, &preview)));
}

TEST_F(CaptureBuilder, FindsStreamConfigThroughThePin) {
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(S_OK, builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                           IID_IAMStreamConfig, &config));
    ComPtr<IAMStreamConfig> direct;
    ASSERT_EQ(S_OK, CameraPin(camera.Get()).As(&direct));
    EXPECT_EQ(direct.Get(), config.Get());
}

TEST_F(CaptureBuilder, RendersTheCaptureStream) {
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(S_OK, CoCreateInstance(nullRendererClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&renderer)));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"renderer"));
    EXPECT_TRUE(SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                camera.Get(), nullptr, renderer.Get())));
    ComPtr<IPin> peer;
    EXPECT_EQ(S_OK, CameraPin(camera.Get())->ConnectedTo(&peer));
}

} // namespace

// The Windows 11 camera in the platform's media session, as a player runs it: a topology from
// the source's stream to the sample grabber sink.
#include "mf_support.h"

#include "qvl_protocol.h"
#include "settings_scope.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Counts the samples that reach the sink and keeps the highest frame number seen.
class Grabber : public IMFSampleGrabberSinkCallback {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IMFClockStateSink ||
            riid == IID_IMFSampleGrabberSinkCallback) {
            *out = static_cast<IMFSampleGrabberSinkCallback*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack and outlasts the session.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnClockStart(MFTIME, LONGLONG) override { return S_OK; }
    STDMETHODIMP OnClockStop(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockPause(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockRestart(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockSetRate(MFTIME, float) override { return S_OK; }
    STDMETHODIMP OnSetPresentationClock(IMFPresentationClock*) override { return S_OK; }
    STDMETHODIMP OnProcessSample(REFGUID, DWORD, LONGLONG, LONGLONG, const BYTE* data,
                                 DWORD length) override {
        if (length >= 4) {
            // RGB32 rows top-down: the first pixel is the producer's number.
            const DWORD number = NumberIn(data);
            highest = number > highest ? number : highest.load();
        }
        ++samples;
        return S_OK;
    }
    STDMETHODIMP OnShutdown() override { return S_OK; }

    std::atomic<int> samples{0};
    std::atomic<DWORD> highest{0};
};

TEST(MediaSession, FramesReachTheSampleGrabberSink) {
    CSettingsScope settings;
    MfScope mf;
    ASSERT_HRESULT_SUCCEEDED(mf.Result());
    HRESULT created = E_FAIL;
    ComPtr<IMFMediaSource> source = CreateMediaSource(&created);
    ASSERT_HRESULT_SUCCEEDED(created);
    NumberedProducer producer(QVL_DEFAULT_FPS);
    ASSERT_TRUE(producer.Start());

    ComPtr<IMFPresentationDescriptor> presentation;
    ComPtr<IMFStreamDescriptor> stream;
    ComPtr<IMFMediaTypeHandler> handler;
    ComPtr<IMFMediaType> type;
    BOOL selected = FALSE;
    ASSERT_HRESULT_SUCCEEDED(source->CreatePresentationDescriptor(&presentation));
    ASSERT_HRESULT_SUCCEEDED(presentation->GetStreamDescriptorByIndex(0, &selected, &stream));
    ASSERT_HRESULT_SUCCEEDED(stream->GetMediaTypeHandler(&handler));
    ASSERT_HRESULT_SUCCEEDED(handler->GetMediaTypeByIndex(0, &type));

    Grabber grabber;
    ComPtr<IMFActivate> sink;
    ComPtr<IMFTopology> topology;
    ComPtr<IMFTopologyNode> from;
    ComPtr<IMFTopologyNode> to;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSampleGrabberSinkActivate(type.Get(), &grabber, &sink));
    // A live capture's samples carry the system clock's time, not the presentation's: the
    // sink takes them as they come, as a capture program's preview does.
    sink->SetUINT32(MF_SAMPLEGRABBERSINK_IGNORE_CLOCK, TRUE);
    ASSERT_HRESULT_SUCCEEDED(MFCreateTopology(&topology));
    ASSERT_HRESULT_SUCCEEDED(MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &from));
    from->SetUnknown(MF_TOPONODE_SOURCE, source.Get());
    from->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation.Get());
    from->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream.Get());
    ASSERT_HRESULT_SUCCEEDED(MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &to));
    to->SetObject(sink.Get());
    topology->AddNode(from.Get());
    topology->AddNode(to.Get());
    ASSERT_HRESULT_SUCCEEDED(from->ConnectOutput(0, to.Get(), 0));

    ComPtr<IMFMediaSession> session;
    ASSERT_HRESULT_SUCCEEDED(MFCreateMediaSession(nullptr, &session));
    ASSERT_HRESULT_SUCCEEDED(session->SetTopology(0, topology.Get()));
    PROPVARIANT start;
    PropVariantInit(&start);
    ASSERT_HRESULT_SUCCEEDED(session->Start(&GUID_NULL, &start));
    for (int waited = 0; waited < 10000 && grabber.samples < 25; waited += 20) {
        Sleep(20);
    }
    session->Stop();
    session->Close();
    for (MediaEventType event = MEUnknown; event != MESessionClosed && event != MEError;) {
        event = NextEvent(session.Get());
    }
    session->Shutdown();
    source->Shutdown();
    sink->ShutdownObject();
    EXPECT_GE(grabber.samples, 25);
    EXPECT_GT(grabber.highest, 0u) << "the producer's frames, not black";
}

} // namespace

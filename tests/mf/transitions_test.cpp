// The media source's contract as the system drives it: start, stop, start again and shut
// down, with the events each step queues; no pause; after Shutdown only MF_E_SHUTDOWN and no
// thread of ours; a producer that holds its mutex holds up neither Stop nor Shutdown.
#include "mf_support.h"

#include "mf_declarations.h"
#include "qvl_protocol.h"
#include "settings_scope.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr LONGLONG frameTime = 10000000 / QVL_DEFAULT_FPS;

class Transitions : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(mf.Result()); }

    // Starts `source` and returns its stream from the start's events.
    ComPtr<IMFMediaStream> Start(IMFMediaSource* source, MediaEventType streamEvent) {
        ComPtr<IMFPresentationDescriptor> presentation;
        PROPVARIANT position;
        PropVariantInit(&position);
        EXPECT_HRESULT_SUCCEEDED(source->CreatePresentationDescriptor(&presentation));
        EXPECT_HRESULT_SUCCEEDED(source->Start(presentation.Get(), nullptr, &position));
        PROPVARIANT value;
        PropVariantInit(&value);
        EXPECT_EQ(streamEvent, NextEvent(source, &value));
        ComPtr<IMFMediaStream> stream;
        if (value.vt == VT_UNKNOWN && value.punkVal != nullptr) {
            value.punkVal->QueryInterface(IID_PPV_ARGS(&stream));
        }
        PropVariantClear(&value);
        EXPECT_EQ(MESourceStarted, NextEvent(source));
        if (stream) {
            EXPECT_EQ(MEStreamStarted, NextEvent(stream.Get()));
        }
        return stream;
    }
    // Requests one sample with a token of its own and checks what comes back.
    void ExpectSample(IMFMediaStream* stream) {
        ComPtr<IMFAttributes> token;
        ASSERT_HRESULT_SUCCEEDED(MFCreateAttributes(&token, 1));
        ASSERT_HRESULT_SUCCEEDED(stream->RequestSample(token.Get()));
        PROPVARIANT value;
        PropVariantInit(&value);
        ASSERT_EQ(MEMediaSample, NextEvent(stream, &value));
        ComPtr<IMFSample> sample;
        ASSERT_EQ(VT_UNKNOWN, value.vt);
        value.punkVal->QueryInterface(IID_PPV_ARGS(&sample));
        PropVariantClear(&value);
        ASSERT_TRUE(sample);
        ComPtr<IUnknown> carried;
        EXPECT_HRESULT_SUCCEEDED(
            sample->GetUnknown(MFSampleExtension_Token, IID_PPV_ARGS(&carried)));
        ComPtr<IUnknown> sent;
        token.As(&sent);
        EXPECT_EQ(sent.Get(), carried.Get());
        LONGLONG time = 0;
        LONGLONG duration = 0;
        EXPECT_HRESULT_SUCCEEDED(sample->GetSampleTime(&time));
        EXPECT_HRESULT_SUCCEEDED(sample->GetSampleDuration(&duration));
        EXPECT_LE(time, MFGetSystemTime()) << "stamped on the system clock";
        EXPECT_EQ(frameTime, duration);
    }
    void Stop(IMFMediaSource* source, IMFMediaStream* stream) {
        ASSERT_HRESULT_SUCCEEDED(source->Stop());
        EXPECT_EQ(MEStreamStopped, NextEvent(stream)) << "and no sample after the stop";
        EXPECT_EQ(MESourceStopped, NextEvent(source));
    }

    CSettingsScope settings;
    MfScope mf;
};

TEST_F(Transitions, StartStopStartAgainThenShutDownLeavesOnlyShutdownAndNoThread) {
    HRESULT created = E_FAIL;
    {
        // A first run starts the platform's own threads, which stay.
        ComPtr<IMFMediaSource> first = CreateMediaSource(&created);
        ASSERT_HRESULT_SUCCEEDED(created);
        ComPtr<IMFMediaStream> stream = Start(first.Get(), MENewStream);
        ASSERT_TRUE(stream);
        ASSERT_NO_FATAL_FAILURE(ExpectSample(stream.Get()));
        first->Shutdown();
    }
    const int threadsBefore = ThreadCount();
    ComPtr<IMFMediaSource> source = CreateMediaSource(&created);
    ASSERT_HRESULT_SUCCEEDED(created);
    ComPtr<IMFMediaStream> stream = Start(source.Get(), MENewStream);
    ASSERT_TRUE(stream);
    ComPtr<IMFMediaStream2> state;
    ASSERT_HRESULT_SUCCEEDED(stream->QueryInterface(IID_IMFMediaStream2, &state));
    MF_STREAM_STATE running = MF_STREAM_STATE_STOPPED;
    EXPECT_HRESULT_SUCCEEDED(state->GetStreamState(&running));
    EXPECT_EQ(MF_STREAM_STATE_RUNNING, running);
    ASSERT_NO_FATAL_FAILURE(ExpectSample(stream.Get()));
    EXPECT_EQ(MF_E_INVALID_STATE_TRANSITION, source->Pause());

    ASSERT_NO_FATAL_FAILURE(Stop(source.Get(), stream.Get()));
    EXPECT_EQ(MF_E_MEDIA_SOURCE_WRONGSTATE, stream->RequestSample(nullptr));
    EXPECT_EQ(stream.Get(), Start(source.Get(), MEUpdatedStream).Get());
    ASSERT_NO_FATAL_FAILURE(ExpectSample(stream.Get()));

    ComPtr<IMFGetService> services;
    ComPtr<IKsControl> control;
    ASSERT_HRESULT_SUCCEEDED(source.As(&services));
    ASSERT_HRESULT_SUCCEEDED(source->QueryInterface(iidKsControl, &control));
    void* service = nullptr;
    EXPECT_EQ(MF_E_UNSUPPORTED_SERVICE, services->GetService(GUID_NULL, IID_IUnknown, &service));
    KSPROPERTY property = {};
    ULONG returned = 0;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND),
              control->KsProperty(&property, sizeof(property), nullptr, 0, &returned));

    ASSERT_HRESULT_SUCCEEDED(source->Shutdown());
    ComPtr<IMFPresentationDescriptor> presentation;
    ComPtr<IMFMediaEvent> event;
    ComPtr<IMFMediaSource> owner;
    DWORD characteristics = 0;
    EXPECT_EQ(MF_E_SHUTDOWN, source->CreatePresentationDescriptor(&presentation));
    EXPECT_EQ(MF_E_SHUTDOWN, source->Start(nullptr, nullptr, nullptr));
    EXPECT_EQ(MF_E_SHUTDOWN, source->Stop());
    EXPECT_EQ(MF_E_SHUTDOWN, source->Pause());
    EXPECT_EQ(MF_E_SHUTDOWN, source->GetCharacteristics(&characteristics));
    EXPECT_EQ(MF_E_SHUTDOWN, source->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event));
    EXPECT_EQ(MF_E_SHUTDOWN, source->Shutdown());
    EXPECT_EQ(MF_E_SHUTDOWN, services->GetService(GUID_NULL, IID_IUnknown, &service));
    EXPECT_EQ(MF_E_SHUTDOWN, stream->RequestSample(nullptr));
    EXPECT_EQ(MF_E_SHUTDOWN, stream->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event));
    EXPECT_EQ(MF_E_SHUTDOWN, stream->GetMediaSource(&owner));
    EXPECT_EQ(threadsBefore, ThreadCount()) << "a thread of the source outlived Shutdown";
}

TEST_F(Transitions, AProducerHoldingItsMutexHoldsUpNeitherStopNorShutdown) {
    HRESULT created = E_FAIL;
    ComPtr<IMFMediaSource> source = CreateMediaSource(&created);
    ASSERT_HRESULT_SUCCEEDED(created);
    const CKernelHandle mutex(
        OpenMutexA(QVL_MF_MUTEX_ACCESS, FALSE, QVL_MF_REGION_NAME QVL_MUTEX_SUFFIX));
    const CMutexHold held(mutex.Get(), 1000);
    ASSERT_TRUE(held.Held());
    ComPtr<IMFMediaStream> stream = Start(source.Get(), MENewStream);
    ASSERT_TRUE(stream);
    ASSERT_HRESULT_SUCCEEDED(stream->RequestSample(nullptr));
    Sleep(200); // the worker now waits for the mutex
    const auto bound = std::chrono::milliseconds(QVL_CAMERA_MUTEX_WAIT_MS);
    auto start = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(Stop(source.Get(), stream.Get()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, bound);

    Start(source.Get(), MEUpdatedStream);
    ASSERT_HRESULT_SUCCEEDED(stream->RequestSample(nullptr));
    Sleep(200);
    start = std::chrono::steady_clock::now();
    EXPECT_HRESULT_SUCCEEDED(source->Shutdown());
    EXPECT_LT(std::chrono::steady_clock::now() - start, bound);
}

} // namespace

// Eight host threads call the filter's, the pin's, the enumerators' and the stream's interface
// methods on one streaming camera while another thread runs, pauses and stops it. Every answer
// must be right whatever the state, nothing may hang (the watchdog names a stuck call), and
// nothing may be left alive afterwards.
#include "camera_graph.h"
#include "qvl_protocol.h"
#include "setuprecords.h"
#include "stress_helpers.h"
#include "stress_report.h"

#include <gtest/gtest.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>

#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace {

constexpr int callers = 8;
constexpr int controlTransitions = 300;

struct Target {
    IBaseFilter* filter;
    IPin* pin;
    IAMStreamConfig* config;
    IKsPropertySet* properties;
    IQualityControl* quality;
    WCHAR name[MAX_FILTER_NAME]; // the name the graph gave the camera, read beforehand
};

struct Call {
    const char* name;
    std::function<bool(const Target&)> answeredRight;
};

bool Released(IUnknown* p) {
    if (p != nullptr) {
        p->Release();
    }
    return p != nullptr;
}

bool IsTheFormat(AM_MEDIA_TYPE* type) {
    const bool right =
        type != nullptr && IsEqualGUID(type->subtype, MEDIASUBTYPE_RGB32) &&
        type->cbFormat >= sizeof(VIDEOINFOHEADER) &&
        reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth == QVL_DEFAULT_WIDTH;
    DestroyMediaType(type);
    return right;
}

const Call calls[] = {
    {"IBaseFilter::GetState",
     [](const Target& t) {
         FILTER_STATE s = static_cast<FILTER_STATE>(-1);
         return t.filter->GetState(0, &s) == S_OK && s >= State_Stopped && s <= State_Running;
     }},
    {"IBaseFilter::GetClassID",
     [](const Target& t) {
         CLSID id = GUID_NULL;
         return t.filter->GetClassID(&id) == S_OK && IsEqualCLSID(id, CLSID_QuovalentVideoSource);
     }},
    {"IBaseFilter::GetSyncSource",
     [](const Target& t) {
         IReferenceClock* clock = nullptr;
         const bool right = t.filter->GetSyncSource(&clock) == S_OK;
         Released(clock);
         return right;
     }},
    {"IBaseFilter::FindPin",
     [](const Target& t) {
         IPin* pin = nullptr;
         return t.filter->FindPin(L"1", &pin) == S_OK && pin == t.pin && Released(pin);
     }},
    {"IBaseFilter::QueryFilterInfo",
     [](const Target& t) {
         FILTER_INFO info = {};
         return t.filter->QueryFilterInfo(&info) == S_OK && lstrcmpW(info.achName, t.name) == 0 &&
                Released(info.pGraph);
     }},
    {"IEnumPins::Next/Clone/Skip/Reset",
     [](const Target& t) {
         IEnumPins* pins = nullptr;
         IEnumPins* clone = nullptr;
         IPin* pin = nullptr;
         if (t.filter->EnumPins(&pins) != S_OK) {
             return false;
         }
         bool right = pins->Next(1, &pin, nullptr) == S_OK && pin == t.pin && Released(pin);
         right = right && pins->Skip(1) == S_FALSE && pins->Reset() == S_OK &&
                 pins->Clone(&clone) == S_OK && Released(clone);
         pins->Release();
         return right;
     }},
    {"IPin::ConnectedTo",
     [](const Target& t) {
         IPin* peer = nullptr;
         return t.pin->ConnectedTo(&peer) == S_OK && Released(peer);
     }},
    {"IPin::ConnectionMediaType",
     [](const Target& t) {
         AM_MEDIA_TYPE type = {};
         const bool right = t.pin->ConnectionMediaType(&type) == S_OK &&
                            IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB32);
         ClearMediaType(type);
         return right;
     }},
    {"IPin::QueryPinInfo",
     [](const Target& t) {
         PIN_INFO info = {};
         return t.pin->QueryPinInfo(&info) == S_OK && info.dir == PINDIR_OUTPUT &&
                info.pFilter == t.filter && Released(info.pFilter);
     }},
    {"IPin::QueryId",
     [](const Target& t) {
         LPWSTR id = nullptr;
         const bool right = t.pin->QueryId(&id) == S_OK && lstrcmpW(id, L"1") == 0;
         CoTaskMemFree(id);
         return right;
     }},
    {"IPin::QueryAccept",
     [](const Target& t) {
         AM_MEDIA_TYPE* type = nullptr;
         const bool right = t.config->GetFormat(&type) == S_OK && t.pin->QueryAccept(type) == S_OK;
         DestroyMediaType(type);
         return right;
     }},
    {"IEnumMediaTypes::Next",
     [](const Target& t) {
         IEnumMediaTypes* types = nullptr;
         AM_MEDIA_TYPE* type = nullptr;
         if (t.pin->EnumMediaTypes(&types) != S_OK) {
             return false;
         }
         const bool right = types->Next(1, &type, nullptr) == S_OK && IsTheFormat(type);
         types->Release();
         return right;
     }},
    {"IAMStreamConfig::GetFormat",
     [](const Target& t) {
         AM_MEDIA_TYPE* type = nullptr;
         return t.config->GetFormat(&type) == S_OK && IsTheFormat(type);
     }},
    {"IAMStreamConfig::GetStreamCaps",
     [](const Target& t) {
         AM_MEDIA_TYPE* type = nullptr;
         VIDEO_STREAM_CONFIG_CAPS caps = {};
         return t.config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)) == S_OK &&
                IsTheFormat(type) && caps.MinFrameInterval == defaultFrameTime;
     }},
    {"IKsPropertySet::Get",
     [](const Target& t) {
         GUID category = GUID_NULL;
         DWORD returned = 0;
         return t.properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                  sizeof(category), &returned) == S_OK &&
                IsEqualGUID(category, PIN_CATEGORY_CAPTURE);
     }},
    {"QueryInterface across faces",
     [](const Target& t) {
         IAMStreamConfig* config = nullptr;
         IPin* pin = nullptr;
         const bool right = t.filter->QueryInterface(IID_PPV_ARGS(&config)) == S_OK &&
                            config->QueryInterface(IID_PPV_ARGS(&pin)) == S_OK && pin == t.pin;
         Released(pin);
         Released(config);
         return right;
     }},
    {"IQualityControl::Notify",
     [](const Target& t) { return t.quality->Notify(t.filter, Quality{}) == E_NOTIMPL; }},
};

TEST(ConcurrentCallers, EightThreadsAndAControllerGetRightAnswersAndLeaveNothing) {
    CComScope com;
    CSettingsScope settings;
    CSampleRecorder recorder;
    CWatchdog watchdog(callers + 1);
    std::atomic<bool> done{false};
    std::atomic<long> made{0};
    std::mutex wrongLock;
    std::vector<std::string> wrong;
    {
        CCameraGraph graph(&recorder);
        ASSERT_EQ(S_OK, graph.BuildResult());
        ComPtr<IPin> pin = CameraPin(graph.Camera());
        ComPtr<IAMStreamConfig> config;
        ComPtr<IKsPropertySet> properties;
        ComPtr<IQualityControl> quality;
        ASSERT_TRUE(pin && SUCCEEDED(pin.As(&config)) && SUCCEEDED(pin.As(&properties)) &&
                    SUCCEEDED(pin.As(&quality)));
        Target target = {graph.Camera(),   pin.Get(),     config.Get(),
                         properties.Get(), quality.Get(), {}};
        FILTER_INFO info = {};
        ASSERT_EQ(S_OK, graph.Camera()->QueryFilterInfo(&info));
        Released(info.pGraph);
        lstrcpynW(target.name, info.achName, MAX_FILTER_NAME);
        std::vector<std::thread> threads;
        for (int slot = 0; slot < callers; ++slot) {
            threads.emplace_back([&, slot] {
                CComScope threadCom;
                for (size_t i = slot; !done; ++i) {
                    const Call& call = calls[i % std::size(calls)];
                    if (!watchdog.Watch(slot, call.name,
                                        [&] { return call.answeredRight(target); })) {
                        std::lock_guard<std::mutex> guard(wrongLock);
                        wrong.emplace_back(call.name);
                    }
                    ++made;
                }
            });
        }
        std::mt19937 random(3);
        const char* names[] = {"Run", "Pause", "Stop"};
        for (int i = 0; i < controlTransitions; ++i) {
            const int op = static_cast<int>(random() % 3);
            const HRESULT hr = watchdog.Watch(callers, names[op], [&] {
                return op == 0 ? graph.Run() : op == 1 ? graph.Pause() : graph.Stop();
            });
            EXPECT_TRUE(SUCCEEDED(hr)) << names[op] << ": " << std::hex << hr;
        }
        done = true;
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong answers, the first from "
                               << (wrong.empty() ? "" : wrong.front());
    EXPECT_EQ(0, CBaseObject::ObjectsActive());
    ReportRow("threads: 8 callers + 1 controller",
              std::to_string(made.load()) + " calls of " + std::to_string(std::size(calls)) +
                  " kinds; " + std::to_string(controlTransitions) + " transitions",
              std::to_string(wrong.size()) + " wrong answers, no hang, 0 objects left");
}

} // namespace

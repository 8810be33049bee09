// Bad input from a host: a null pointer for every out-parameter of every interface method the
// camera implements, and tens of thousands of random media types, each format block ending at
// a no-access page, offered to QueryAccept, IAMStreamConfig::SetFormat and Connect.
#include "camera_helpers.h"
#include "classfactory.h"
#include "lib/fake_input_pin.h"
#include "setuprecords.h"
#include "stress_report.h"

#include <gtest/gtest.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>

#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr int randomTypes = 20000;
constexpr ULONG largestFormat = 2 * 4096;

struct Faces {
    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> pin;
    ComPtr<IAMStreamConfig> config;
    ComPtr<IKsPropertySet> properties;
    ComPtr<IQualityControl> quality;
    ComPtr<IEnumPins> pins;
    ComPtr<IEnumMediaTypes> types;
    ComPtr<IClassFactory> factory;
};

struct NullCase {
    const char* call;
    HRESULT expected;
    std::function<HRESULT(const Faces&)> make;
};

const NullCase nullCases[] = {
    {"IBaseFilter::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.filter->QueryInterface(IID_IBaseFilter, nullptr); }},
    {"IBaseFilter::GetClassID", E_POINTER,
     [](const Faces& f) { return f.filter->GetClassID(nullptr); }},
    {"IBaseFilter::GetState", E_POINTER,
     [](const Faces& f) { return f.filter->GetState(0, nullptr); }},
    {"IBaseFilter::GetSyncSource", E_POINTER,
     [](const Faces& f) { return f.filter->GetSyncSource(nullptr); }},
    {"IBaseFilter::EnumPins", E_POINTER,
     [](const Faces& f) { return f.filter->EnumPins(nullptr); }},
    {"IBaseFilter::FindPin", E_POINTER,
     [](const Faces& f) { return f.filter->FindPin(L"1", nullptr); }},
    {"IBaseFilter::QueryFilterInfo", E_POINTER,
     [](const Faces& f) { return f.filter->QueryFilterInfo(nullptr); }},
    {"IBaseFilter::QueryVendorInfo", E_NOTIMPL,
     [](const Faces& f) { return f.filter->QueryVendorInfo(nullptr); }},
    {"IPin::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.pin->QueryInterface(IID_IPin, nullptr); }},
    {"IPin::Connect", E_POINTER, [](const Faces& f) { return f.pin->Connect(nullptr, nullptr); }},
    {"IPin::ReceiveConnection", E_POINTER,
     [](const Faces& f) { return f.pin->ReceiveConnection(nullptr, nullptr); }},
    {"IPin::ConnectedTo", E_POINTER, [](const Faces& f) { return f.pin->ConnectedTo(nullptr); }},
    {"IPin::ConnectionMediaType", E_POINTER,
     [](const Faces& f) { return f.pin->ConnectionMediaType(nullptr); }},
    {"IPin::QueryPinInfo", E_POINTER, [](const Faces& f) { return f.pin->QueryPinInfo(nullptr); }},
    {"IPin::QueryDirection", E_POINTER,
     [](const Faces& f) { return f.pin->QueryDirection(nullptr); }},
    {"IPin::QueryId", E_POINTER, [](const Faces& f) { return f.pin->QueryId(nullptr); }},
    {"IPin::QueryAccept", E_POINTER, [](const Faces& f) { return f.pin->QueryAccept(nullptr); }},
    {"IPin::EnumMediaTypes", E_POINTER,
     [](const Faces& f) { return f.pin->EnumMediaTypes(nullptr); }},
    {"IPin::QueryInternalConnections", E_NOTIMPL,
     [](const Faces& f) { return f.pin->QueryInternalConnections(nullptr, nullptr); }},
    {"IQualityControl::Notify", E_NOTIMPL,
     [](const Faces& f) { return f.quality->Notify(nullptr, Quality{}); }},
    {"IAMStreamConfig::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.config->QueryInterface(IID_IPin, nullptr); }},
    {"IAMStreamConfig::GetFormat", E_POINTER,
     [](const Faces& f) { return f.config->GetFormat(nullptr); }},
    {"IAMStreamConfig::GetNumberOfCapabilities(count)", E_POINTER,
     [](const Faces& f) {
         int size = 0;
         return f.config->GetNumberOfCapabilities(nullptr, &size);
     }},
    {"IAMStreamConfig::GetNumberOfCapabilities(size)", E_POINTER,
     [](const Faces& f) {
         int count = 0;
         return f.config->GetNumberOfCapabilities(&count, nullptr);
     }},
    {"IAMStreamConfig::GetStreamCaps(type)", E_POINTER,
     [](const Faces& f) {
         VIDEO_STREAM_CONFIG_CAPS caps;
         return f.config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps));
     }},
    {"IAMStreamConfig::GetStreamCaps(caps)", E_POINTER,
     [](const Faces& f) {
         AM_MEDIA_TYPE* type = nullptr;
         const HRESULT hr = f.config->GetStreamCaps(0, &type, nullptr);
         DestroyMediaType(type);
         return hr;
     }},
    {"IKsPropertySet::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.properties->QueryInterface(IID_IPin, nullptr); }},
    {"IKsPropertySet::Get", E_POINTER,
     [](const Faces& f) {
         return f.properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0,
                                  nullptr);
     }},
    {"IKsPropertySet::QuerySupported", S_OK,
     [](const Faces& f) {
         return f.properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr);
     }},
    {"IEnumPins::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.pins->QueryInterface(IID_IEnumPins, nullptr); }},
    {"IEnumPins::Next(array)", E_POINTER,
     [](const Faces& f) { return f.pins->Next(1, nullptr, nullptr); }},
    {"IEnumPins::Next(fetched)", E_INVALIDARG,
     [](const Faces& f) {
         IPin* two[2] = {};
         return f.pins->Next(2, two, nullptr);
     }},
    {"IEnumPins::Clone", E_POINTER, [](const Faces& f) { return f.pins->Clone(nullptr); }},
    {"IEnumMediaTypes::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.types->QueryInterface(IID_IEnumMediaTypes, nullptr); }},
    {"IEnumMediaTypes::Next(array)", E_POINTER,
     [](const Faces& f) { return f.types->Next(1, nullptr, nullptr); }},
    {"IEnumMediaTypes::Next(fetched)", E_INVALIDARG,
     [](const Faces& f) {
         AM_MEDIA_TYPE* two[2] = {};
         return f.types->Next(2, two, nullptr);
     }},
    {"IEnumMediaTypes::Clone", E_POINTER, [](const Faces& f) { return f.types->Clone(nullptr); }},
    {"IClassFactory::QueryInterface", E_POINTER,
     [](const Faces& f) { return f.factory->QueryInterface(IID_IClassFactory, nullptr); }},
    {"IClassFactory::CreateInstance", E_POINTER,
     [](const Faces& f) { return f.factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr); }},
    {"DllGetClassObject", E_POINTER,
     [](const Faces&) {
         return DllGetClassObject(CLSID_QuovalentVideoSource, IID_IClassFactory, nullptr);
     }},
};

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        f.filter = CreateCamera();
        ASSERT_TRUE(f.filter);
        f.pin = CameraPin(f.filter.Get());
        ASSERT_TRUE(f.pin);
        ASSERT_EQ(S_OK, f.pin.As(&f.config));
        ASSERT_EQ(S_OK, f.pin.As(&f.properties));
        ASSERT_EQ(S_OK, f.pin.As(&f.quality));
        ASSERT_EQ(S_OK, f.filter->EnumPins(&f.pins));
        ASSERT_EQ(S_OK, f.pin->EnumMediaTypes(&f.types));
        ASSERT_EQ(S_OK, DllGetClassObject(CLSID_QuovalentVideoSource, IID_PPV_ARGS(&f.factory)));
    }

    CComScope com;
    CSettingsScope settings;
    Faces f;
};

TEST_F(BadInput, NullOutPointersAreRefusedWithoutACrash) {
    for (const NullCase& c : nullCases) {
        EXPECT_EQ(c.expected, c.make(f)) << c.call;
    }
    ReportRow("bad input: null out-pointers", std::to_string(std::size(nullCases)) + " methods",
              "E_POINTER (or the method's own code), no crash");
}

// Pages for one format block that ends where a no-access page begins.
class CGuardedBlock {
public:
    CGuardedBlock() {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page = system.dwPageSize;
        span = (largestFormat + page - 1) / page * page;
        base = static_cast<BYTE*>(
            VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        guarded = base != nullptr && VirtualProtect(base + span, page, PAGE_NOACCESS, &old);
    }
    ~CGuardedBlock() { VirtualFree(base, 0, MEM_RELEASE); }
    CGuardedBlock(const CGuardedBlock&) = delete;
    CGuardedBlock& operator=(const CGuardedBlock&) = delete;

    bool Guarded() const { return guarded; }
    BYTE* EndingAtGuard(ULONG length) const { return base + span - length; }

private:
    DWORD page = 0;
    SIZE_T span = 0;
    BYTE* base = nullptr;
    bool guarded = false;
};

// A block that is missing although its length is not 0 matches nothing.
bool SameFormat(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    return IsEqualGUID(a.formattype, b.formattype) && a.cbFormat == b.cbFormat &&
           (a.cbFormat == 0 || (a.pbFormat != nullptr && b.pbFormat != nullptr &&
                                std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0));
}

// The camera's rules: its own type exactly (sample-size fields aside); as a template, every
// part the template gives must match.
bool Accepted(const AM_MEDIA_TYPE& own, const AM_MEDIA_TYPE& t) {
    return IsEqualGUID(own.majortype, t.majortype) && IsEqualGUID(own.subtype, t.subtype) &&
           SameFormat(own, t);
}
bool Matches(const AM_MEDIA_TYPE& own, const AM_MEDIA_TYPE& t) {
    return (IsEqualGUID(t.majortype, GUID_NULL) || IsEqualGUID(t.majortype, own.majortype)) &&
           (IsEqualGUID(t.subtype, GUID_NULL) || IsEqualGUID(t.subtype, own.subtype)) &&
           (IsEqualGUID(t.formattype, GUID_NULL) || SameFormat(own, t));
}

// A random type, most often the camera's own with one part spoiled, its format block placed
// to end at the guard page.
AM_MEDIA_TYPE RandomType(std::mt19937& random, const AM_MEDIA_TYPE& own,
                         const CGuardedBlock& block) {
    auto pick = [&](std::initializer_list<GUID> choices) {
        return *(choices.begin() + random() % choices.size());
    };
    const GUID noise = {static_cast<unsigned long>(random()), 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    AM_MEDIA_TYPE t = own;
    t.bFixedSizeSamples = random() % 2;
    t.lSampleSize = random();
    switch (random() % 6) {
    case 0: // the camera's own type
        break;
    case 1:
        t.majortype = pick({MEDIATYPE_Audio, GUID_NULL, noise});
        break;
    case 2:
        t.subtype = pick({MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2, GUID_NULL, noise});
        break;
    case 3:
        t.formattype = pick({FORMAT_VideoInfo2, FORMAT_WaveFormatEx, GUID_NULL, noise});
        break;
    case 4: {
        const ULONG sizes[] = {0, 1, own.cbFormat - 1, own.cbFormat + 1, largestFormat};
        t.cbFormat = sizes[random() % std::size(sizes)];
        break;
    }
    default:
        t.majortype = pick({MEDIATYPE_Video, GUID_NULL});
        t.formattype = pick({FORMAT_VideoInfo, GUID_NULL});
        t.cbFormat = random() % (largestFormat + 1);
        break;
    }
    BYTE* format = block.EndingAtGuard(t.cbFormat);
    for (ULONG i = 0; i < t.cbFormat; ++i) {
        format[i] = i < own.cbFormat ? own.pbFormat[i] : static_cast<BYTE>(random());
    }
    if (t.cbFormat > 0 && random() % 4 == 0) {
        format[random() % t.cbFormat] ^= 1 + random() % 255;
    }
    // Now and then no block at all, whatever cbFormat says.
    t.pbFormat = random() % 8 == 0 ? nullptr : format;
    return t;
}

TEST_F(BadInput, RandomMediaTypesAreTakenOrRefusedByTheRulesAndNeverReadPastTheirFormat) {
    CGuardedBlock block;
    ASSERT_TRUE(block.Guarded());
    AM_MEDIA_TYPE* own = nullptr;
    ASSERT_EQ(S_OK, f.config->GetFormat(&own));
    CFakeInputPin peer;
    std::mt19937 random(5);
    int accepted = 0, connected = 0, wrong = 0;
    for (int i = 0; i < randomTypes && wrong < 10; ++i) {
        const AM_MEDIA_TYPE t = RandomType(random, *own, block);
        const bool ok = Accepted(*own, t);
        const bool complete =
            !IsEqualGUID(t.majortype, GUID_NULL) && !IsEqualGUID(t.formattype, GUID_NULL);
        const bool connects = complete ? ok : Matches(*own, t);
        const HRESULT query = f.pin->QueryAccept(&t);
        const HRESULT set = f.config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&t));
        const HRESULT connect = f.pin->Connect(&peer, &t);
        const HRESULT refused = complete ? VFW_E_TYPE_NOT_ACCEPTED : VFW_E_NO_ACCEPTABLE_TYPES;
        if (query != (ok ? S_OK : S_FALSE) || set != S_OK ||
            connect != (connects ? S_OK : refused)) {
            ++wrong;
            ADD_FAILURE() << "type " << i << ": QueryAccept " << std::hex << query << ", SetFormat "
                          << set << ", Connect " << connect;
        }
        if (connect == S_OK) {
            EXPECT_EQ(S_OK, f.pin->Disconnect());
            peer.Disconnect();
        }
        accepted += ok;
        connected += connect == S_OK;
    }
    AM_MEDIA_TYPE* after = nullptr;
    ASSERT_EQ(S_OK, f.config->GetFormat(&after));
    EXPECT_TRUE(Accepted(*own, *after)) << "SetFormat changed the format";
    DestroyMediaType(after);
    DestroyMediaType(own);
    ReportRow("bad input: random media types",
              std::to_string(randomTypes) + " x QueryAccept, SetFormat, Connect (guard page)",
              std::to_string(accepted) + " accepted, " + std::to_string(connected) +
                  " connected, rest refused by the rules");
}

} // namespace

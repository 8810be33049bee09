// The camera filter as a COM object: the module's class table, which faces hand out the
// stream's interfaces, its one pin, its lifetime, and the pin's capture category.
#include "camera_helpers.h"

#include "classfactory.h"
#include "lib/counting_unknown.h"
#include "setuprecords.h"
#include "vidsrcfilter.h"

#include <gtest/gtest.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>

#include <cstring>

namespace {

class CameraObject : public ::testing::Test {
protected:
    void SetUp() override { baseline = CBaseObject::ObjectsActive(); }

    CComScope com;
    CSettingsScope settings;
    LONG baseline = 0;
};

TEST_F(CameraObject, ModuleTableHasTheOneCameraRow) {
    // The table linked here is the module's own, so the factory below is the real one.
    ASSERT_EQ(1, g_cTemplates);
    EXPECT_STREQ(L"Quovalent_01", g_Templates[0].name);
    EXPECT_TRUE(IsEqualCLSID(CLSID_QuovalentVideoSource, *g_Templates[0].clsid));
    EXPECT_EQ(&Cqvl_VidSrcFilter::CreateInstance, g_Templates[0].createInstance);
    EXPECT_EQ(nullptr, g_Templates[0].initRoutine);
    EXPECT_EQ(&g_FilterSetup, g_Templates[0].setupData);
}

TEST_F(CameraObject, PublicFacesHandOutTheStreamsInterfaces) {
    ASSERT_FALSE(CameraRegionExists()) << "an earlier test left the region behind";
    HRESULT hr = E_FAIL;
    ComPtr<IBaseFilter> camera = CreateCamera(&hr);
    ASSERT_EQ(S_OK, hr); // no producer has made the region: creation still succeeds
    ComPtr<IPin> pin = CameraPin(camera.Get());
    ASSERT_TRUE(pin);

    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(S_OK, camera->QueryInterface(IID_PPV_ARGS(&config)));
    ComPtr<IPin> configPin;
    ASSERT_EQ(S_OK, config->QueryInterface(IID_PPV_ARGS(&configPin)));
    EXPECT_EQ(pin.Get(), configPin.Get());
    // The face belongs to the pin: it answers for the pin, not the filter.
    ComPtr<IBaseFilter> notTheFilter;
    EXPECT_EQ(E_NOINTERFACE, config->QueryInterface(IID_PPV_ARGS(&notTheFilter)));

    ComPtr<IAMovieSetup> setup;
    ASSERT_EQ(S_OK, camera->QueryInterface(IID_PPV_ARGS(&setup)));
    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(S_OK, setup->QueryInterface(IID_PPV_ARGS(&properties)));
    ComPtr<IPin> propertiesPin;
    ASSERT_EQ(S_OK, properties->QueryInterface(IID_PPV_ARGS(&propertiesPin)));
    EXPECT_EQ(pin.Get(), propertiesPin.Get());
    ComPtr<IAMStreamConfig> viaSetup;
    EXPECT_EQ(S_OK, setup->QueryInterface(IID_PPV_ARGS(&viaSetup)));
    EXPECT_EQ(config.Get(), viaSetup.Get());
    EXPECT_EQ(S_FALSE, setup->Register());

    ComPtr<IMediaFilter> mediaFilter;
    EXPECT_EQ(S_OK, camera->QueryInterface(IID_PPV_ARGS(&mediaFilter)));
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, camera->QueryInterface(IID_PPV_ARGS(&identity)));
    ComPtr<IUnknown> identityViaSetup;
    ASSERT_EQ(S_OK, setup->QueryInterface(IID_PPV_ARGS(&identityViaSetup)));
    EXPECT_EQ(identity.Get(), identityViaSetup.Get());
    ComPtr<IMemInputPin> none;
    EXPECT_EQ(E_NOINTERFACE, camera->QueryInterface(IID_PPV_ARGS(&none)));
}

// The inner unknown answers for the filter alone.
void ExpectInnerRefusesStreamInterfaces(IUnknown* inner) {
    void* out = &out;
    EXPECT_EQ(E_NOINTERFACE, inner->QueryInterface(IID_IAMStreamConfig, &out));
    EXPECT_EQ(nullptr, out);
    out = &out;
    EXPECT_EQ(E_NOINTERFACE, inner->QueryInterface(IID_IKsPropertySet, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(CameraObject, InnerUnknownDoesNotForwardToTheStream) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, DllGetClassObject(CLSID_QuovalentVideoSource, IID_PPV_ARGS(&factory)));
    {
        // Not aggregated: the IUnknown handed out is the inner one.
        ComPtr<IUnknown> inner;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&inner)));
        ExpectInnerRefusesStreamInterfaces(inner.Get());
        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(S_OK, inner.As(&filter));
        ComPtr<IAMStreamConfig> config;
        EXPECT_EQ(S_OK, filter.As(&config));
    }
    {
        CountingUnknown outer;
        IUnknown* inner = nullptr;
        ASSERT_EQ(S_OK,
                  factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
        ExpectInnerRefusesStreamInterfaces(inner);
        IBaseFilter* filter = nullptr;
        ASSERT_EQ(S_OK, inner->QueryInterface(IID_PPV_ARGS(&filter)));
        IKsPropertySet* properties = nullptr;
        EXPECT_EQ(S_OK, filter->QueryInterface(IID_PPV_ARGS(&properties)));
        // Both references count on the outer object.
        EXPECT_EQ(2, outer.Extra());
        if (properties != nullptr) {
            properties->Release();
        }
        filter->Release();
        EXPECT_EQ(0, outer.Extra());
        inner->Release();
    }
    factory.Reset();
    EXPECT_EQ(baseline, CBaseObject::ObjectsActive());
}

TEST_F(CameraObject, HasOnePinNamedAndFoundByIdOne) {
    ComPtr<IBaseFilter> camera = CreateCamera();
    ASSERT_TRUE(camera);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(S_OK, camera->EnumPins(&pins));
    IPin* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, pins->Next(2, listed, &fetched));
    ASSERT_EQ(1u, fetched);
    // mingw's ComPtr::Attach adds a reference, so take over the listed one by hand.
    ComPtr<IPin> pin(listed[0]);
    listed[0]->Release();

    PIN_INFO info = {};
    ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
    EXPECT_STREQ(L"Quovalent_01", info.achName);
    EXPECT_EQ(PINDIR_OUTPUT, info.dir);
    EXPECT_EQ(camera.Get(), info.pFilter);
    if (info.pFilter != nullptr) {
        info.pFilter->Release();
    }
    LPWSTR id = nullptr;
    ASSERT_EQ(S_OK, pin->QueryId(&id));
    EXPECT_STREQ(L"1", id);
    CoTaskMemFree(id);
    ComPtr<IPin> found;
    ASSERT_EQ(S_OK, camera->FindPin(L"1", &found));
    EXPECT_EQ(pin.Get(), found.Get());
    ComPtr<IPin> missing;
    EXPECT_EQ(VFW_E_NOT_FOUND, camera->FindPin(L"2", &missing));
}

TEST_F(CameraObject, StreamPropertySetKeepsTheFilterAlive) {
    ComPtr<IKsPropertySet> properties;
    {
        ComPtr<IBaseFilter> camera = CreateCamera();
        ASSERT_TRUE(camera);
        ASSERT_EQ(S_OK, camera.As(&properties));
    }
    EXPECT_LT(baseline, CBaseObject::ObjectsActive());
    EXPECT_TRUE(CameraRegionExists());
    DWORD returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr,
                                    0, &returned));
    properties.Reset();
    EXPECT_EQ(baseline, CBaseObject::ObjectsActive());
    EXPECT_FALSE(CameraRegionExists()); // the stream closed its channel
}

TEST_F(CameraObject, PinReportsCaptureCategoryReadOnly) {
    ComPtr<IBaseFilter> camera = CreateCamera();
    ASSERT_TRUE(camera);
    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(S_OK, camera.As(&properties));

    DWORD returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr,
                                    0, &returned));
    EXPECT_EQ(16u, returned);

    BYTE buffer[17];
    std::memset(buffer, 0xEE, sizeof(buffer));
    returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, buffer,
                                    16, &returned));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(0, std::memcmp(buffer, &PIN_CATEGORY_CAPTURE, 16));
    EXPECT_EQ(0xEE, buffer[16]);

    std::memset(buffer, 0xEE, sizeof(buffer));
    returned = 0;
    EXPECT_EQ(E_UNEXPECTED, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                            buffer, 15, &returned));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(0xEE, buffer[0]);
    GUID category = {};
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                    sizeof(category), nullptr));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, category));
    EXPECT_EQ(E_POINTER, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                         nullptr, 0, nullptr));

    // The set is tested before the id.
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED,
              properties->Get(AMPROPSETID_Pin, 1, nullptr, 0, &category, 16, &returned));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->Get(PIN_CATEGORY_CAPTURE, AMPROPERTY_PIN_CATEGORY,
                                                      nullptr, 0, &category, 16, &returned));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED,
              properties->Get(PIN_CATEGORY_CAPTURE, 1, nullptr, 0, nullptr, 0, nullptr));

    DWORD support = 0;
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support));
    EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->QuerySupported(AMPROPSETID_Pin, 1, &support));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->QuerySupported(GUID_NULL, 1, &support));

    EXPECT_EQ(E_NOTIMPL, properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                         &category, sizeof(category)));
}

TEST_F(CameraObject, QualityMessagesAreNotHandled) {
    ComPtr<IBaseFilter> camera = CreateCamera();
    ASSERT_TRUE(camera);
    ComPtr<IQualityControl> quality;
    ASSERT_EQ(S_OK, CameraPin(camera.Get()).As(&quality));
    Quality late = {Famine, 500, 10000, 0};
    EXPECT_EQ(E_NOTIMPL, quality->Notify(camera.Get(), late));
    EXPECT_EQ(E_NOTIMPL, quality->Notify(nullptr, Quality{}));
}

} // namespace

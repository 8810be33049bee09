// Reference counting, the inner unknown's queries, interface forwarding and aggregation.
#include "classfactory.h"
#include "lib/test_objects.h"
#include "unknown.h"

#include <gtest/gtest.h>

namespace {

void* const untouched = reinterpret_cast<void*>(static_cast<INT_PTR>(0x5A5A5A5A));

IUnknown* InnerOf(CUnknown* object) {
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(object));
}

TEST(UnknownLifetime, FreshObjectCountsFromOneAndLastReleaseDestroysItOnce) {
    const LONG live = CBaseObject::ObjectsActive();
    const LONG destroyed = CTestObject::destroyed;
    HRESULT hr = S_OK;
    CUnknown* object = CTestObject::CreateInstance(nullptr, &hr);
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(live + 1, CBaseObject::ObjectsActive());

    EXPECT_EQ(1u, object->NonDelegatingAddRef());
    EXPECT_EQ(2u, object->NonDelegatingAddRef());
    EXPECT_EQ(1u, object->NonDelegatingRelease());
    EXPECT_EQ(destroyed, CTestObject::destroyed);
    EXPECT_EQ(0u, object->NonDelegatingRelease());
    EXPECT_EQ(destroyed + 1, CTestObject::destroyed);
    EXPECT_EQ(live, CBaseObject::ObjectsActive());
}

TEST(UnknownLifetime, DestructorThatTakesAndDropsAReferenceRunsOnce) {
    const LONG live = CBaseObject::ObjectsActive();
    const LONG destroyed = CSelfReferencingObject::destroyed;
    HRESULT hr = S_OK;
    CUnknown* object = CSelfReferencingObject::CreateInstance(nullptr, &hr);
    ASSERT_NE(nullptr, object);
    object->NonDelegatingAddRef();
    EXPECT_EQ(0u, object->NonDelegatingRelease());
    EXPECT_EQ(destroyed + 1, CSelfReferencingObject::destroyed);
    EXPECT_EQ(live, CBaseObject::ObjectsActive());
}

class UnknownQuery : public ::testing::Test {
protected:
    void SetUp() override {
        HRESULT hr = S_OK;
        object = CTestObject::CreateInstance(nullptr, &hr);
        ASSERT_NE(nullptr, object);
        object->NonDelegatingAddRef();
    }
    void TearDown() override {
        if (object != nullptr) {
            object->NonDelegatingRelease();
        }
    }
    CUnknown* object = nullptr;
};

TEST_F(UnknownQuery, InnerQueryAnswersIUnknownAndTheClassesInterfacesOnly) {
    EXPECT_EQ(E_POINTER, object->NonDelegatingQueryInterface(IID_IUnknown, nullptr));

    void* out = untouched;
    EXPECT_EQ(E_NOINTERFACE, object->NonDelegatingQueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);

    ASSERT_EQ(S_OK, object->NonDelegatingQueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(InnerOf(object), out);
    // The query's reference is the second one.
    EXPECT_EQ(1u, object->NonDelegatingRelease());

    ASSERT_EQ(S_OK, object->NonDelegatingQueryInterface(IID_ITestFace, &out));
    ITestFace* face = static_cast<ITestFace*>(out);
    const void* implementer = nullptr;
    face->Identify(&implementer);
    EXPECT_EQ(static_cast<CTestObject*>(object), implementer);
    EXPECT_EQ(1u, face->Release());
}

TEST_F(UnknownQuery, InterfaceFacesForwardToTheObjectsOwnCount) {
    ITestFace* face = nullptr;
    ASSERT_EQ(S_OK,
              object->NonDelegatingQueryInterface(IID_ITestFace, reinterpret_cast<void**>(&face)));
    EXPECT_EQ(3u, face->AddRef());
    EXPECT_EQ(4u, object->NonDelegatingAddRef());
    EXPECT_EQ(3u, face->Release());
    EXPECT_EQ(2u, object->NonDelegatingRelease());

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(InnerOf(object), unknown);
    EXPECT_EQ(object->GetOwner(), unknown);
    unknown->Release();
    face->Release();
}

TEST(GetInterface, StoresThePointerAndAddsAReferenceThroughItsOwnTable) {
    CTestOuter outer;
    EXPECT_EQ(E_POINTER, GetInterface(&outer, nullptr));
    EXPECT_EQ(1, outer.References());

    void* out = nullptr;
    EXPECT_EQ(S_OK, GetInterface(&outer, &out));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), out);
    EXPECT_EQ(2, outer.References());
    outer.Release();
}

// An object aggregated into CTestOuter, made through the class factory.
class Aggregation : public ::testing::Test {
protected:
    void SetUp() override {
        live = CBaseObject::ObjectsActive();
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, DllGetClassObject(CLSID_TestObject, IID_IClassFactory,
                                          reinterpret_cast<void**>(&factory)));
        const HRESULT hr =
            factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner));
        factory->Release();
        ASSERT_EQ(S_OK, hr);
        ASSERT_NE(nullptr, inner);
        outer.SetInner(inner);
    }
    void TearDown() override {
        if (inner != nullptr) {
            EXPECT_EQ(0u, inner->Release());
        }
        EXPECT_EQ(1, outer.References());
        EXPECT_EQ(live, CBaseObject::ObjectsActive());
    }
    LONG live = 0;
    CTestOuter outer;
    IUnknown* inner = nullptr;
};

TEST_F(Aggregation, InnerUnknownAnswersForTheObjectItself) {
    EXPECT_NE(static_cast<IUnknown*>(&outer), inner);
    // Creating the object took no reference on the outer object.
    EXPECT_EQ(1, outer.References());

    IUnknown* again = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(inner, again);
    EXPECT_EQ(1, outer.References());
    EXPECT_EQ(1u, again->Release());
}

TEST_F(Aggregation, OtherInterfacesForwardToTheOuterObject) {
    ITestFace* face = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_ITestFace, reinterpret_cast<void**>(&face)));
    // The reference handed out with the face is the outer object's.
    EXPECT_EQ(2, outer.References());

    face->AddRef();
    EXPECT_EQ(3, outer.References());
    face->Release();
    EXPECT_EQ(2, outer.References());

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), unknown);
    unknown->Release();

    // Through the outer object the query comes back to the inner object's face.
    ITestFace* viaOuter = nullptr;
    ASSERT_EQ(S_OK, face->QueryInterface(IID_ITestFace, reinterpret_cast<void**>(&viaOuter)));
    EXPECT_EQ(face, viaOuter);
    viaOuter->Release();
    face->Release();
    EXPECT_EQ(1, outer.References());
}

} // namespace

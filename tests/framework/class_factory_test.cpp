// The class factory, DllGetClassObject, DllCanUnloadNow and the module entry routine, driven
// through this program's own template table (test_templates.cpp).
#include "classfactory.h"
#include "dllentry.h"
#include "lib/test_objects.h"

#include <gtest/gtest.h>

namespace {

void* const untouched = reinterpret_cast<void*>(static_cast<INT_PTR>(0x5A5A5A5A));
constexpr CLSID unknownClass = {
    0x0badf00d, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

IClassFactory* FactoryFor(REFCLSID clsid) {
    IClassFactory* factory = nullptr;
    if (FAILED(DllGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        return nullptr;
    }
    return factory;
}

TEST(DllGetClassObject, RefusesOtherInterfacesAndUnknownClassesLeavingOutAlone) {
    const LONG live = CBaseObject::ObjectsActive();
    void* out = untouched;
    EXPECT_EQ(E_NOINTERFACE, DllGetClassObject(CLSID_TestObject, IID_IDispatch, &out));
    EXPECT_EQ(untouched, out);
    // The interface is checked before the class is looked up.
    EXPECT_EQ(E_NOINTERFACE, DllGetClassObject(unknownClass, IID_IDispatch, &out));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, DllGetClassObject(unknownClass, IID_IClassFactory, &out));
    EXPECT_EQ(untouched, out);
    EXPECT_EQ(live, CBaseObject::ObjectsActive());
}

TEST(DllGetClassObject, EveryCallMakesANewCountedFactory) {
    const LONG live = CBaseObject::ObjectsActive();
    IClassFactory* first = FactoryFor(CLSID_TestObject);
    IUnknown* second = nullptr;
    ASSERT_EQ(S_OK, DllGetClassObject(CLSID_SelfReferencingObject, IID_IUnknown,
                                      reinterpret_cast<void**>(&second)));
    ASSERT_NE(nullptr, first);
    EXPECT_NE(static_cast<IUnknown*>(first), second);
    EXPECT_EQ(live + 2, CBaseObject::ObjectsActive());
    EXPECT_EQ(0u, first->Release());
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(live, CBaseObject::ObjectsActive());
}

TEST(ClassFactory, QueryGivesItselfForItsTwoInterfacesOnly) {
    IClassFactory* factory = FactoryFor(CLSID_TestObject);
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IUnknown, nullptr));

    void* out = untouched;
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);

    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(static_cast<IUnknown*>(factory), out);
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(factory, out);
    EXPECT_EQ(2u, factory->Release());
    EXPECT_EQ(1u, factory->Release());
    EXPECT_EQ(0u, factory->Release());
}

// Creation through the factory of one row; checks that nothing is left alive afterwards.
class CreateInstance : public ::testing::Test {
protected:
    void SetUp() override { live = CBaseObject::ObjectsActive(); }
    void TearDown() override { EXPECT_EQ(live, CBaseObject::ObjectsActive()); }
    HRESULT Create(REFCLSID clsid, IUnknown* outer, REFIID riid, void** out) {
        IClassFactory* factory = FactoryFor(clsid);
        if (factory == nullptr) {
            return E_UNEXPECTED;
        }
        const HRESULT hr = factory->CreateInstance(outer, riid, out);
        factory->Release();
        return hr;
    }
    LONG live = 0;
};

TEST_F(CreateInstance, HandsOutExactlyOneReference) {
    const LONG destroyed = CTestObject::destroyed;
    ITestFace* face = nullptr;
    ASSERT_EQ(S_OK,
              Create(CLSID_TestObject, nullptr, IID_ITestFace, reinterpret_cast<void**>(&face)));
    EXPECT_EQ(live + 1, CBaseObject::ObjectsActive());
    EXPECT_EQ(0u, face->Release());
    EXPECT_EQ(destroyed + 1, CTestObject::destroyed);
}

TEST_F(CreateInstance, RefusalsLeaveNothingBehind) {
    const LONG destroyed = CTestObject::destroyed;
    EXPECT_EQ(E_POINTER, Create(CLSID_TestObject, nullptr, IID_IUnknown, nullptr));

    // Aggregation is only for the inner IUnknown: refused before anything is made.
    CTestOuter outer;
    void* out = nullptr;
    EXPECT_EQ(E_NOINTERFACE, Create(CLSID_TestObject, &outer, IID_ITestFace, &out));
    EXPECT_EQ(destroyed, CTestObject::destroyed);
    EXPECT_EQ(1, outer.References());

    // An interface the object lacks: it is made, the query fails and the object goes.
    out = untouched;
    EXPECT_EQ(E_NOINTERFACE, Create(CLSID_TestObject, nullptr, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(destroyed + 1, CTestObject::destroyed);
}

TEST_F(CreateInstance, ConstructorFailureIsReturnedAndTheObjectDestroyedOnce) {
    const LONG failing = CFailingObject::destroyed;
    const LONG base = CSelfReferencingObject::destroyed;
    void* out = nullptr;
    EXPECT_EQ(testCreationFailure, Create(CLSID_FailingObject, nullptr, IID_IUnknown, &out));
    EXPECT_EQ(failing + 1, CFailingObject::destroyed);
    EXPECT_EQ(base + 1, CSelfReferencingObject::destroyed);
}

TEST_F(CreateInstance, SelfReferencingDestructorRunsOnce) {
    const LONG destroyed = CSelfReferencingObject::destroyed;
    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK, Create(CLSID_SelfReferencingObject, nullptr, IID_IUnknown,
                           reinterpret_cast<void**>(&object)));
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(destroyed + 1, CSelfReferencingObject::destroyed);
}

TEST_F(CreateInstance, NoObjectMeansOutOfMemoryUnlessAFailureWasReported) {
    void* out = nullptr;
    EXPECT_EQ(E_OUTOFMEMORY, Create(CLSID_NullCreation, nullptr, IID_IUnknown, &out));
    EXPECT_EQ(testCreationFailure,
              Create(CLSID_NullCreationWithFailure, nullptr, IID_IUnknown, &out));
    // Nothing is thrown across the interface, even by a creation that runs out of memory.
    EXPECT_EQ(E_OUTOFMEMORY, Create(CLSID_ThrowingCreation, nullptr, IID_IUnknown, &out));
}

TEST(DllCanUnloadNow, HeldFactoriesLiveObjectsAndServerLocksKeepTheModule) {
    ASSERT_EQ(S_OK, DllCanUnloadNow()) << "an earlier test left objects alive or locks taken";

    IClassFactory* factory = FactoryFor(CLSID_TestObject);
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());

    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    object->Release();
    EXPECT_EQ(S_FALSE, DllCanUnloadNow()) << "the server lock outlives the factory";

    factory = FactoryFor(CLSID_TestObject);
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, DllCanUnloadNow());

    // More unlocks than locks do not hold the module, nor does the lock that evens them out.
    factory = FactoryFor(CLSID_TestObject);
    ASSERT_NE(nullptr, factory);
    factory->LockServer(FALSE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    factory = FactoryFor(CLSID_TestObject);
    ASSERT_NE(nullptr, factory);
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(S_OK, DllCanUnloadNow());
}

TEST(DllEntryPoint, ProcessAttachAndDetachRunTheInitRoutines) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const InitRoutineLog before = initRoutineLog;

    EXPECT_TRUE(DllEntryPoint(module, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(module, ModuleInstance());
    EXPECT_EQ(before.loading + 1, initRoutineLog.loading);
    EXPECT_EQ(&CLSID_TestObject, initRoutineLog.lastClsid);

    EXPECT_TRUE(DllEntryPoint(module, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllEntryPoint(module, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(before.loading + 1, initRoutineLog.loading);
    EXPECT_EQ(before.unloading, initRoutineLog.unloading);

    EXPECT_TRUE(DllEntryPoint(module, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(before.unloading + 1, initRoutineLog.unloading);
    EXPECT_EQ(before.loading + 1, initRoutineLog.loading);
}

} // namespace

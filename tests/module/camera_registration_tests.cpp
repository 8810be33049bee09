// Registration of the built module through its exported entry points, read back from the
// registry and from the platform's device enumerator.
#include "mapper_probe.h"
#include "registry_probe.h"
#include "srcfilter_module.h"

#include <gtest/gtest.h>
#include <uuids.h>

#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using Names = std::vector<std::string>;

namespace {
const std::string kClassKey = ClassKeyPath(kCameraClass);
const std::string kServerKey = kClassKey + "\\InprocServer32";

class CameraRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.Loaded()) << "cannot load " SRCFILTER_DLL;
        CoInitialize(nullptr);
        CreateKey(HKEY_CURRENT_USER, "Software\\Classes");
        Clean();
    }
    void TearDown() override {
        if (dll.Loaded()) {
            Clean();
            CoUninitialize();
        }
    }
    // Leaves neither a machine nor a per-user registration behind, whatever a test did.
    void Clean() {
        RestrictKey(HKEY_LOCAL_MACHINE, InClasses(kClassKey), KEY_ALL_ACCESS);
        dll.Unregister();
        dll.Install(FALSE, L"user");
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            DeleteTree(root, InClasses(kClassKey));
            DeleteTree(root, InClasses(MapperInstancePath(kCameraClass)));
        }
    }
    static bool MachineHasClass() { return KeyExists(HKEY_LOCAL_MACHINE, InClasses(kClassKey)); }
    static bool UserHasClass() { return KeyExists(HKEY_CURRENT_USER, InClasses(kClassKey)); }
    static bool UserHasMapperEntry() {
        return KeyExists(HKEY_CURRENT_USER, InClasses(MapperInstancePath(kCameraClass)));
    }

    SrcFilterModule dll;
};

void ExpectTheThreeValues(HKEY root, const std::string& modulePath) {
    const std::string classKey = InClasses(kClassKey);
    const std::string serverKey = InClasses(kServerKey);
    std::string text;
    EXPECT_EQ(Names{""}, ValueNames(root, classKey));
    EXPECT_EQ(Names{"InprocServer32"}, SubKeyNames(root, classKey));
    ASSERT_TRUE(ReadString(root, classKey, "", &text));
    EXPECT_EQ("Quovalent_01", text);
    EXPECT_EQ((Names{"", "ThreadingModel"}), ValueNames(root, serverKey));
    EXPECT_TRUE(SubKeyNames(root, serverKey).empty());
    ASSERT_TRUE(ReadString(root, serverKey, "", &text));
    EXPECT_STRCASEEQ(modulePath.c_str(), text.c_str());
    ASSERT_TRUE(ReadString(root, serverKey, "ThreadingModel", &text));
    EXPECT_EQ("Both", text);
}

void ExpectListedOnce() {
    const auto listed = ListedFilters(kCameraClass);
    ASSERT_EQ(1u, listed.size());
    EXPECT_EQ(L"Quovalent_01", listed[0].friendlyName);
    EXPECT_EQ(0x00600000u, listed[0].merit);
    EXPECT_EQ(1u, listed[0].pinCount);
    EXPECT_TRUE(MatchedAsOutputOf(kCameraClass, MEDIATYPE_Video));
    EXPECT_FALSE(MatchedAsOutputOf(kCameraClass, MEDIATYPE_Audio));
}

// The merged HKEY_CLASSES_ROOT view shows the machine's classes again.
bool ClassesRootIsMerged() {
    return KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath(CLSID_FilterGraph));
}
} // namespace

TEST_F(CameraRegistrationTest, RegisterWritesTheClassKeysAndOneDefaultCategoryEntry) {
    ASSERT_EQ(S_OK, dll.Register());
    ExpectTheThreeValues(HKEY_LOCAL_MACHINE, dll.Path());
    ExpectListedOnce();

    ASSERT_EQ(S_OK, dll.Register());
    ExpectTheThreeValues(HKEY_LOCAL_MACHINE, dll.Path());
    ExpectListedOnce();
}

TEST_F(CameraRegistrationTest, ListedMonikerBindsToTheFilterWithItsOnePin) {
    ASSERT_EQ(S_OK, dll.Register());
    const auto listed = ListedFilters(kCameraClass);
    ASSERT_EQ(1u, listed.size());

    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, listed[0].moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter)));
    CLSID clsid = CLSID_NULL;
    EXPECT_EQ(S_OK, filter->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(kCameraClass, clsid));

    ComPtr<IEnumPins> pins;
    ASSERT_EQ(S_OK, filter->EnumPins(&pins));
    IPin* got[2] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, pins->Next(2, got, &count));
    ASSERT_EQ(1u, count);
    PIN_DIRECTION direction = PINDIR_INPUT;
    EXPECT_EQ(S_OK, got[0]->QueryDirection(&direction));
    EXPECT_EQ(PINDIR_OUTPUT, direction);
    got[0]->Release();
}

TEST_F(CameraRegistrationTest, UnregisterRemovesTheEntryAndTheWholeClassKey) {
    ASSERT_EQ(S_OK, dll.Register());
    WriteString(HKEY_CLASSES_ROOT, kClassKey, "AddedLater", "x");
    WriteString(HKEY_CLASSES_ROOT, kClassKey + "\\Added\\Deeper", "Note", "y");
    WriteString(HKEY_CLASSES_ROOT, kServerKey + "\\Extra", "", "z");

    EXPECT_EQ(S_OK, dll.Unregister());

    EXPECT_FALSE(MachineHasClass());
    EXPECT_TRUE(ListedFilters(kCameraClass).empty());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, MapperInstancePath(kCameraClass)));
}

TEST_F(CameraRegistrationTest, UnregisterWithNothingRegisteredSucceeds) {
    EXPECT_EQ(S_OK, dll.Unregister());
    EXPECT_FALSE(MachineHasClass());
    EXPECT_EQ(S_OK, dll.Install(FALSE, L"user"));
    EXPECT_FALSE(UserHasClass());
}

TEST_F(CameraRegistrationTest, UserCommandLinesRegisterInTheUsersClassesOnly) {
    for (const WCHAR* commandLine : {L"user", L"USERS", L"uSeR and more"}) {
        SCOPED_TRACE(::testing::Message() << commandLine);
        ASSERT_EQ(S_OK, dll.Install(TRUE, commandLine));
        ExpectTheThreeValues(HKEY_CURRENT_USER, dll.Path());
        EXPECT_TRUE(UserHasMapperEntry());
        EXPECT_FALSE(MachineHasClass());
        EXPECT_TRUE(ListedFilters(kCameraClass).empty());
        EXPECT_TRUE(ClassesRootIsMerged());

        EXPECT_EQ(S_OK, dll.Install(FALSE, commandLine));
        EXPECT_FALSE(UserHasClass());
        EXPECT_FALSE(UserHasMapperEntry());
        EXPECT_TRUE(ClassesRootIsMerged());
    }
}

TEST_F(CameraRegistrationTest, OtherCommandLinesRegisterForTheMachine) {
    for (const WCHAR* commandLine : {static_cast<const WCHAR*>(nullptr), L"machine", L"use", L""}) {
        SCOPED_TRACE(::testing::Message() << commandLine);
        ASSERT_EQ(S_OK, dll.Install(TRUE, commandLine));
        ExpectTheThreeValues(HKEY_LOCAL_MACHINE, dll.Path());
        ExpectListedOnce();
        EXPECT_FALSE(UserHasClass());

        EXPECT_EQ(S_OK, dll.Install(FALSE, commandLine));
        EXPECT_FALSE(MachineHasClass());
        EXPECT_TRUE(ListedFilters(kCameraClass).empty());
    }
}

TEST_F(CameraRegistrationTest, PerUserUnregistrationLeavesTheMachineRegistration) {
    ASSERT_EQ(S_OK, dll.Register());
    ASSERT_EQ(S_OK, dll.Install(TRUE, L"user"));
    ASSERT_TRUE(UserHasClass());

    EXPECT_EQ(S_OK, dll.Install(FALSE, L"user"));

    EXPECT_FALSE(UserHasClass());
    EXPECT_FALSE(UserHasMapperEntry());
    ExpectTheThreeValues(HKEY_LOCAL_MACHINE, dll.Path());
    ExpectListedOnce();
}

// A fresh Wine prefix, unlike Windows, has no user classes key; the prefix is this build's
// own, so the test may take it away.
TEST_F(CameraRegistrationTest, PerUserWithoutTheUsersClassesKeyFailsAndWritesNothing) {
    DeleteTree(HKEY_CURRENT_USER, "Software\\Classes");

    EXPECT_EQ(E_FAIL, dll.Install(TRUE, L"user"));

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Classes"));
    EXPECT_FALSE(MachineHasClass());
    EXPECT_TRUE(ListedFilters(kCameraClass).empty());
    EXPECT_TRUE(ClassesRootIsMerged());
}

// The class key exists but takes no values, while the mapper's own keys stay writable: a
// registration that went on to the mapper would leave an entry.
TEST_F(CameraRegistrationTest, ComKeyFailureIsReturnedBeforeTheMapperIsReached) {
    CreateKey(HKEY_LOCAL_MACHINE, InClasses(kClassKey));
    ASSERT_EQ(ERROR_SUCCESS, RestrictKey(HKEY_LOCAL_MACHINE, InClasses(kClassKey), KEY_READ));

    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), dll.Register());
    EXPECT_TRUE(ListedFilters(kCameraClass).empty());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, MapperInstancePath(kCameraClass)));

    // Through DllInstall the clean-up pass that follows does not replace the failure.
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), dll.Install(TRUE, L"machine"));
    EXPECT_TRUE(ListedFilters(kCameraClass).empty());
}

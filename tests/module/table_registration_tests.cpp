// Table-driven registration run in this test program, whose own class table has a filter
// with setup data and a class without: COM keys for both, a mapper entry for the filter.
#include "mapper_probe.h"
#include "registration.h"
#include "registry_probe.h"
#include "test_templates.h"

#include <gtest/gtest.h>
#include <uuids.h>

#include <functional>
#include <string>
#include <thread>

namespace {
std::string ModulePath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Whether COM was left initialised on the calling thread (and in which mode) after `work`.
struct ApartmentAfter {
    HRESULT workResult = E_UNEXPECTED;
    HRESULT probe = E_UNEXPECTED; // CoInitializeEx(MTA) once `work` has returned
};

ApartmentAfter RunOnNewThread(DWORD initialMode, bool initialise,
                              const std::function<HRESULT()>& work) {
    ApartmentAfter after;
    std::thread thread([&] {
        const HRESULT own = initialise ? CoInitializeEx(nullptr, initialMode) : E_FAIL;
        after.workResult = work();
        after.probe = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(after.probe)) {
            CoUninitialize();
        }
        if (SUCCEEDED(own)) {
            CoUninitialize();
        }
    });
    thread.join();
    return after;
}

class TableRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Clean();
    }
    void TearDown() override {
        Clean();
        CoUninitialize();
    }
    static void Clean() {
        RestrictKey(HKEY_LOCAL_MACHINE, InClasses(ClassKeyPath(kTestFilterClass)), KEY_ALL_ACCESS);
        AMovieDllRegisterServer2(FALSE);
        DeleteTree(HKEY_LOCAL_MACHINE, InClasses(ClassKeyPath(kTestFilterClass)));
        DeleteTree(HKEY_LOCAL_MACHINE, InClasses(ClassKeyPath(kTestPlainClass)));
        DeleteTree(HKEY_LOCAL_MACHINE, InClasses("Filter\\" + GuidText(kTestFilterClass)));
    }
};
} // namespace

TEST_F(TableRegistrationTest, EveryRowGetsComKeysAndOnlyRowsWithSetupDataAMapperEntry) {
    ASSERT_EQ(S_OK, AMovieDllRegisterServer2(TRUE));

    std::string text;
    const std::string filterServer = ClassKeyPath(kTestFilterClass) + "\\InprocServer32";
    ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKeyPath(kTestFilterClass), "", &text));
    EXPECT_EQ("srcfilter test filter", text);
    ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, filterServer, "", &text));
    EXPECT_STRCASEEQ(ModulePath().c_str(), text.c_str());
    ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKeyPath(kTestPlainClass), "", &text));
    EXPECT_EQ("srcfilter test class", text);
    ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKeyPath(kTestPlainClass) + "\\InprocServer32",
                           "ThreadingModel", &text));
    EXPECT_EQ("Both", text);

    const auto listed = ListedFilters(kTestFilterClass);
    ASSERT_EQ(1u, listed.size());
    EXPECT_EQ(L"srcfilter test filter", listed[0].friendlyName);
    EXPECT_EQ(kTestFilterMerit, listed[0].merit);
    EXPECT_EQ(2u, listed[0].pinCount);
    EXPECT_TRUE(ListedFilters(kTestPlainClass).empty());

    EXPECT_EQ(S_OK, AMovieDllRegisterServer2(FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath(kTestFilterClass)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath(kTestPlainClass)));
    EXPECT_TRUE(ListedFilters(kTestFilterClass).empty());
}

// The first row's class key takes no values: the registration stops there, before the
// second row and before the mapper, which keeps its entries elsewhere and would succeed.
TEST_F(TableRegistrationTest, AComKeyFailureIsReturnedAndEndsTheRegistration) {
    const std::string classKey = InClasses(ClassKeyPath(kTestFilterClass));
    CreateKey(HKEY_LOCAL_MACHINE, classKey);
    ASSERT_EQ(ERROR_SUCCESS, RestrictKey(HKEY_LOCAL_MACHINE, classKey, KEY_READ));

    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), AMovieDllRegisterServer2(TRUE));

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, InClasses(ClassKeyPath(kTestPlainClass))));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, MapperInstancePath(kTestFilterClass)));
    EXPECT_TRUE(ListedFilters(kTestFilterClass).empty());
}

// The old mapper, the fallback when the newer one cannot be created, records the same
// filter: its merit, pins and their media types.
TEST_F(TableRegistrationTest, OldMapperRegistersTheFilterWithItsPinsAndTypes) {
    Microsoft::WRL::ComPtr<IFilterMapper> mapper;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&mapper)));
    EXPECT_EQ(S_FALSE, AMovieSetupRegisterFilter(nullptr, mapper.Get(), TRUE));

    ASSERT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, mapper.Get(), TRUE));
    {
        const auto listed = ListedFilters(kTestFilterClass);
        ASSERT_EQ(1u, listed.size());
        EXPECT_EQ(kTestFilterMerit, listed[0].merit);
        EXPECT_EQ(2u, listed[0].pinCount);
    }
    // The first pin is a video output; the audio pin is an input.
    EXPECT_TRUE(MatchedAsOutputOf(kTestFilterClass, MEDIATYPE_Video));
    EXPECT_FALSE(MatchedAsOutputOf(kTestFilterClass, MEDIATYPE_Audio));

    EXPECT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, mapper.Get(), FALSE));
    EXPECT_TRUE(ListedFilters(kTestFilterClass).empty());
    EXPECT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, mapper.Get(), FALSE));
}

// A thread already in the multithreaded apartment keeps it: the registration's own
// initialisation fails there and must not be undone.
TEST_F(TableRegistrationTest, ThreadInTheOtherApartmentKeepsItsInitialisation) {
    const ApartmentAfter after =
        RunOnNewThread(COINIT_MULTITHREADED, true, [] { return AMovieDllRegisterServer2(TRUE); });
    EXPECT_EQ(S_OK, after.workResult);
    EXPECT_EQ(S_FALSE, after.probe) << "COM was uninitialised under the thread's feet";
    EXPECT_EQ(1u, ListedFilters(kTestFilterClass).size());
}

TEST_F(TableRegistrationTest, ThreadWithoutComIsLeftWithout) {
    const ApartmentAfter after = RunOnNewThread(0, false, [] {
        const HRESULT registered = AMovieDllRegisterServer2(TRUE);
        const HRESULT unregistered = AMovieDllRegisterServer2(FALSE);
        return FAILED(registered) ? registered : unregistered;
    });
    EXPECT_EQ(S_OK, after.workResult);
    EXPECT_EQ(S_OK, after.probe) << "COM was left initialised";
}

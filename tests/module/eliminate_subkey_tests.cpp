// Removal of a registry key with everything below it.
#include "registration.h"
#include "registry_probe.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const std::string kRoot = "Software\\srcfilter registration tests";

class EliminateSubKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_CURRENT_USER, kRoot);
        CreateKey(HKEY_CURRENT_USER, kRoot);
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, kRoot.c_str(), 0, KEY_ALL_ACCESS, &parent));
    }
    void TearDown() override {
        RegCloseKey(parent);
        DeleteTree(HKEY_CURRENT_USER, kRoot);
    }
    static std::string Path(const std::string& below) { return kRoot + "\\" + below; }

    HKEY parent = nullptr;
};

struct EliminateCall {
    HKEY parent;
    const char* name;
    HRESULT result;
};

DWORD WINAPI RunEliminate(void* argument) {
    auto* call = static_cast<EliminateCall*>(argument);
    call->result = EliminateSubKey(call->parent, call->name);
    return 0;
}
} // namespace

TEST_F(EliminateSubKeyTest, RemovesTheKeyWithItsValuesAndEveryLevelBelow) {
    WriteString(HKEY_CURRENT_USER, Path("Doomed"), "", "top");
    WriteString(HKEY_CURRENT_USER, Path("Doomed"), "Named", "value");
    WriteString(HKEY_CURRENT_USER, Path("Doomed\\A\\B\\C"), "Deep", "value");
    CreateKey(HKEY_CURRENT_USER, Path("Doomed\\A\\B2"));
    CreateKey(HKEY_CURRENT_USER, Path("Doomed\\Z"));
    CreateKey(HKEY_CURRENT_USER, Path("Kept\\Child"));

    EXPECT_EQ(S_OK, EliminateSubKey(parent, "Doomed"));

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path("Doomed")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path("Kept\\Child")));
}

TEST_F(EliminateSubKeyTest, EmptyNameFailsAndAMissingKeyIsNothingToDo) {
    CreateKey(HKEY_CURRENT_USER, Path("Kept"));
    EXPECT_EQ(E_FAIL, EliminateSubKey(parent, ""));
    EXPECT_EQ(E_FAIL, EliminateSubKey(parent, nullptr));
    EXPECT_EQ(S_OK, EliminateSubKey(parent, "Absent"));
    EXPECT_EQ(std::vector<std::string>{"Kept"}, SubKeyNames(HKEY_CURRENT_USER, kRoot));
}

// "Stuck" refuses to list its sub-keys, so its child stays and "Stuck" cannot be deleted:
// it is enumerated again after every attempt. The removal must still end, and must remove
// the siblings on both sides of it.
TEST_F(EliminateSubKeyTest, ASubKeyThatSurvivesItsRemovalDoesNotStopTheRest) {
    CreateKey(HKEY_CURRENT_USER, Path("Doomed\\A"));
    CreateKey(HKEY_CURRENT_USER, Path("Doomed\\Stuck\\Inner"));
    CreateKey(HKEY_CURRENT_USER, Path("Doomed\\Z\\Deeper"));
    ASSERT_EQ(ERROR_SUCCESS, RestrictKey(HKEY_CURRENT_USER, Path("Doomed\\Stuck"),
                                         KEY_READ & ~KEY_ENUMERATE_SUB_KEYS));

    EliminateCall call = {parent, "Doomed", E_UNEXPECTED};
    HANDLE worker = CreateThread(nullptr, 0, RunEliminate, &call, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    const DWORD wait = WaitForSingleObject(worker, 20000);
    if (wait != WAIT_OBJECT_0) {
        TerminateThread(worker, 1);
    }
    CloseHandle(worker);
    ASSERT_EQ(WAIT_OBJECT_0, wait) << "EliminateSubKey kept finding the key it cannot delete";

    EXPECT_EQ(S_OK, call.result);
    EXPECT_EQ(std::vector<std::string>{"Stuck"}, SubKeyNames(HKEY_CURRENT_USER, Path("Doomed")));
    RestrictKey(HKEY_CURRENT_USER, Path("Doomed\\Stuck"), KEY_ALL_ACCESS);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path("Doomed\\Stuck\\Inner")));
}

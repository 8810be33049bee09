// qvl_register as a program of its own, run as a child: a second step that fails for real is
// rolled back, console events between the steps do not stop it, and a kill at any moment
// never lists a camera whose class is not registered and is repaired by the next run; an
// uninstall takes away the category's Instance key only when it leaves it empty.
#include "registry_probe.h"
#include "srcfilter_module.h"

#include <gtest/gtest.h>
#include <uuids.h>

#include <atomic>
#include <string>

namespace {
const std::string kClassKey = InClasses(ClassKeyPath(kCameraClass));
const std::string kInstances =
    InClasses("CLSID\\" + GuidText(CLSID_VideoInputDeviceCategory) + "\\Instance");
const std::string kDeviceEntry = kInstances + "\\" + GuidText(kCameraClass);

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : handle(h) {}
    ~Handle() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle; }
    HANDLE* Put() { return &handle; }

private:
    HANDLE handle;
};

// One run of the tool, its stdout and stderr in one pipe (a few lines, far less than the
// pipe holds, so the child never blocks on it). Ended by force if a test leaves it running.
class ToolRun {
public:
    explicit ToolRun(const std::wstring& arguments) {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        Handle write;
        if (!CreatePipe(output.Put(), write.Put(), &inheritable, 0)) {
            return;
        }
        SetHandleInformation(output.Get(), HANDLE_FLAG_INHERIT, 0);
        std::wstring line =
            L"\"" QVL_REGISTER_EXE "\" " + arguments + L" --dll \"" SRCFILTER_DLL "\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write.Get();
        startup.hStdError = write.Get();
        PROCESS_INFORMATION info = {};
        // In this process's group: a group of its own would ignore Ctrl+C from the start.
        if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &info)) {
            *process.Put() = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    ~ToolRun() {
        if (Running()) {
            Kill();
        }
    }
    bool Started() const { return process.Get() != nullptr; }
    HANDLE Process() const { return process.Get(); }
    bool Running() const {
        return Started() && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
    }
    void Kill() {
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), INFINITE);
    }
    // Waits for the end; the exit status.
    DWORD Finish() {
        WaitForSingleObject(process.Get(), INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.Get(), &status);
        return status;
    }
    // All it wrote; call once it has ended.
    std::string Output() {
        std::string text;
        char buffer[512];
        DWORD n = 0;
        while (ReadFile(output.Get(), buffer, sizeof(buffer), &n, nullptr) && n > 0) {
            text.append(buffer, n);
        }
        return text;
    }

private:
    Handle process;
    Handle output;
};

struct Outcome {
    DWORD status;
    std::string output;
};

Outcome RunTool(const std::wstring& arguments) {
    ToolRun run(arguments);
    if (!run.Started()) {
        return {~0u, "could not start qvl_register"};
    }
    const DWORD status = run.Finish();
    return {status, run.Output()};
}

bool HasClass() {
    std::string server;
    return ReadString(HKEY_LOCAL_MACHINE, kClassKey + "\\InprocServer32", "", &server);
}
bool HasEntry() {
    return KeyExists(HKEY_LOCAL_MACHINE, kDeviceEntry);
}

// The value status prints after `label`, up to the line's end.
std::string StatusLine(const std::string& status, const std::string& label) {
    const size_t at = status.find(label);
    if (at == std::string::npos) {
        return "(no line " + label + ")";
    }
    const size_t begin = status.find_first_not_of(' ', at + label.size());
    return status.substr(begin, status.find_first_of("\r\n", begin) - begin);
}

// What status says must be what the registry holds, a partial installation included.
void ExpectStatusAgrees(const char* when) {
    const Outcome status = RunTool(L"status");
    ASSERT_EQ(0u, status.status) << status.output;
    const std::string classKey = StatusLine(status.output, "class key, machine:");
    if (KeyExists(HKEY_LOCAL_MACHINE, kClassKey)) {
        EXPECT_NE("no", classKey) << when << ":\n" << status.output;
    } else {
        EXPECT_EQ("no", classKey) << when << ":\n" << status.output;
    }
    EXPECT_EQ(HasEntry() ? "machine" : "no", StatusLine(status.output, "video input category:"))
        << when << ":\n"
        << status.output;
}

class RegisterToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateKey(HKEY_CURRENT_USER, "Software\\Classes");
        Clean();
    }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            DeleteTree(root, kDeviceEntry);
            DeleteTree(root, kClassKey);
            DeleteTree(root, InClasses(MapperInstancePath(kCameraClass)));
        }
    }
};

// A key that lasts cannot be created below a volatile one: with the category's Instance key
// volatile, the mapper cannot write the camera's entry, and the module's registration, done
// first, must be undone.
TEST_F(RegisterToolTest, AVideoInputEntryThatCannotBeWrittenUndoesTheModulesRegistration) {
    for (const bool user : {false, true}) {
        SCOPED_TRACE(user ? "--user" : "machine");
        const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        DeleteTree(root, kInstances);
        // Only Instance: the option also applies to every key the call has to create.
        CreateKey(root, kInstances.substr(0, kInstances.rfind('\\')));
        HKEY volatileKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(root, kInstances.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
        RegCloseKey(volatileKey);

        const Outcome install = RunTool(user ? L"install --user" : L"install");

        EXPECT_EQ(1u, install.status) << install.output;
        EXPECT_NE(std::string::npos, install.output.find("registration is undone"))
            << install.output;
        for (HKEY any : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            EXPECT_FALSE(KeyExists(any, kClassKey));
            EXPECT_FALSE(KeyExists(any, kDeviceEntry));
            EXPECT_FALSE(KeyExists(any, InClasses(MapperInstancePath(kCameraClass))));
        }
        const Outcome status = RunTool(L"status");
        EXPECT_EQ("no", StatusLine(status.output, "class key, machine:")) << status.output;
        EXPECT_EQ("no", StatusLine(status.output, "class key, user:")) << status.output;
        EXPECT_EQ("no", StatusLine(status.output, "video input category:")) << status.output;
        DeleteTree(root, kInstances);
    }
}

// The mapper leaves the category's Instance key behind with the last entry; the tool removes
// it once empty, and never while another program's entry (or a value) is in it.
TEST_F(RegisterToolTest, UninstallRemovesTheInstanceKeyOnlyWhenItIsLeftEmpty) {
    const std::string otherEntry = kInstances + "\\{0D7E5A1C-3F1B-4C6E-9E2A-5B8F00000001}";
    for (const bool user : {false, true}) {
        SCOPED_TRACE(user ? "--user" : "machine");
        const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        DeleteTree(root, kInstances);
        for (const bool other : {false, true}) {
            if (other) {
                WriteString(root, otherEntry, "FriendlyName", "another camera");
            }
            EXPECT_EQ(0u, RunTool(user ? L"install --user" : L"install").status);
            ASSERT_TRUE(KeyExists(root, kInstances + "\\" + GuidText(kCameraClass)));
            const Outcome uninstall = RunTool(user ? L"uninstall --user" : L"uninstall");
            EXPECT_EQ(0u, uninstall.status) << uninstall.output;
            EXPECT_EQ(other, KeyExists(root, kInstances));
            EXPECT_EQ(other, KeyExists(root, otherEntry));
        }
        DeleteTree(root, kInstances);
    }
}

// Console events sent to the console's processes, the tool and this one, while the tool is
// between its two steps. Wine 8 refuses to generate Ctrl+Break (GenerateConsoleCtrlEvent
// fails), so there only Ctrl+C arrives; it reaches processes only on a console of their own
// (the one ctest starts the tests with takes no events), hence the fresh console. The tool
// says nothing when it swallows one, so this process's own handler counts the arrivals.
class ConsoleEventsTest : public RegisterToolTest {
protected:
    void SetUp() override {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        // Stays for the rest of the program: an event may arrive after the test.
        static const BOOL counting = SetConsoleCtrlHandler(Count, TRUE);
        ASSERT_TRUE(counting);
        RegisterToolTest::SetUp();
    }
    static BOOL WINAPI Count(DWORD) {
        ++arrived;
        return TRUE;
    }
    static std::atomic<int> arrived;
    static constexpr int kEventsPerRun = 3;
    static constexpr DWORD kHangLimitMs = 30000;

    // Runs the tool, interrupting it from the moment `firstDone` holds until `secondDone`
    // does or it has ended; `between` counts the events that arrived in that time.
    template <typename FirstDone, typename SecondDone>
    Outcome Interrupted(const wchar_t* arguments, FirstDone firstDone, SecondDone secondDone,
                        int& between) {
        ToolRun run(arguments);
        if (!run.Started()) {
            return {~0u, "could not start qvl_register"};
        }
        while (run.Running() && !firstDone()) {
            Sleep(1);
        }
        const int before = arrived;
        // A handful, as from a user.
        for (int sent = 0; sent < kEventsPerRun && run.Running() && !secondDone(); ++sent) {
            GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0);
            GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            Sleep(10);
        }
        between += arrived - before;
        // Named rather than waited out. Under Wine 8 the thread an event starts waits for the
        // loader: a tool that loaded the mapper's libraries between its steps hung there.
        if (run.Running() && WaitForSingleObject(run.Process(), kHangLimitMs) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "qvl_register hung after Ctrl+C; class registered: " << HasClass()
                          << ", listed: " << HasEntry();
            run.Kill();
        }
        const DWORD status = run.Finish();
        return {status, run.Output()};
    }
};

std::atomic<int> ConsoleEventsTest::arrived{0};

TEST_F(ConsoleEventsTest, InstallAndUninstallFinishAllOrNothingWhenInterrupted) {
    int interrupted = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Outcome install = Interrupted(L"install", HasClass, HasEntry, interrupted);
        EXPECT_EQ(0u, install.status) << install.output;
        EXPECT_TRUE(HasClass());
        EXPECT_TRUE(HasEntry());

        const Outcome uninstall = Interrupted(
            L"uninstall", [] { return !HasEntry(); }, [] { return !HasClass(); }, interrupted);
        EXPECT_EQ(0u, uninstall.status) << uninstall.output;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
        EXPECT_FALSE(HasEntry());
    }
    // Otherwise no event arrived between the steps, and nothing above was interrupted.
    EXPECT_GT(interrupted, 0);
}

// A kill cannot be made atomic. The order of the steps keeps a listed camera's class
// registered, status shows what is left, and the next run completes or clears it.
TEST_F(RegisterToolTest, AKillNeverListsAnUnregisteredClassAndTheNextRunRepairs) {
    // How long each command takes here, to spread the kills over its life.
    DWORD took[2];
    const wchar_t* commands[2] = {L"install", L"uninstall"};
    for (int c = 0; c < 2; ++c) {
        const ULONGLONG start = GetTickCount64();
        ASSERT_EQ(0u, RunTool(commands[c]).status);
        took[c] = static_cast<DWORD>(GetTickCount64() - start);
    }
    constexpr int kKills = 4;
    for (int k = 0; k < kKills; ++k) {
        for (int c = 0; c < 2; ++c) {
            const DWORD after = took[c] * (2 * k + 1) / (2 * kKills);
            SCOPED_TRACE(std::string(c == 0 ? "install" : "uninstall") + " killed after " +
                         std::to_string(after) + " ms");
            ToolRun run(commands[c]);
            ASSERT_TRUE(run.Started());
            Sleep(after);
            run.Kill();
            if (HasEntry()) {
                EXPECT_TRUE(HasClass());
            }
            ExpectStatusAgrees("after the kill");

            const Outcome repair = RunTool(commands[c]);
            EXPECT_EQ(0u, repair.status) << repair.output;
            EXPECT_EQ(c == 0, HasClass());
            EXPECT_EQ(c == 0, HasEntry());
            EXPECT_EQ(c == 0, KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
        }
    }
}
} // namespace

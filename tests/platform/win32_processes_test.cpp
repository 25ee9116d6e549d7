// The process seam and the hub-program step on real Windows processes under Wine. A child is
// a copy of the harness's sleeping program, never a Wine built-in, and writes nowhere the
// test runner waits on; every child is ended however a test leaves.
#include "detect/relaybox.h"
#include "platform/win32_processes.h"

#include "../app/temp_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

using namespace hitched;

namespace {

std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// The harness's outliving_child.exe, copied under `name` and started in its sleeping mode.
class Child {
public:
    Child(const TempFolder& folder, const wchar_t* name) {
        const std::wstring exe = folder.File(name);
        if (!CopyFileW(BesideThisProgram(L"outliving_child.exe").c_str(), exe.c_str(), FALSE)) {
            return;
        }
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE nul =
            CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul;
        std::wstring command = L"\"" + exe + L"\" child";
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                           nullptr, nullptr, &si, &m_pi)) {
            WaitForInputIdle(m_pi.hProcess, 2000);
        }
        CloseHandle(nul);
    }
    ~Child() {
        if (m_pi.hProcess) {
            TerminateProcess(m_pi.hProcess, 1);
            WaitForSingleObject(m_pi.hProcess, 5000);
            CloseHandle(m_pi.hThread);
            CloseHandle(m_pi.hProcess);
        }
    }
    bool Started() const { return m_pi.hProcess != nullptr; }
    uint32_t Id() const { return m_pi.dwProcessId; }
    bool EndsWithin(DWORD ms) const {
        return WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION m_pi = {};
};

TEST(Win32Processes, ListsNamesOfEveryProcessAndEndsOne) {
    TempFolder folder;
    Child child(folder, L"Sleeper.exe");
    ASSERT_TRUE(child.Started());
    Win32Processes processes;
    std::vector<uint32_t> ids;
    ASSERT_TRUE(processes.ProcessIds(ids));
    ASSERT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end());
    ASSERT_NE(std::find(ids.begin(), ids.end(), child.Id()), ids.end());

    std::u16string name;
    ASSERT_TRUE(processes.Open(GetCurrentProcessId())->FirstModuleBaseName(name));
    EXPECT_EQ(name, u"win_tests.exe");
    auto process = processes.Open(child.Id());
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->FirstModuleBaseName(name));
    EXPECT_EQ(name, u"Sleeper.exe");
    uint32_t error = 0;
    EXPECT_TRUE(process->Terminate(7, error));
    EXPECT_TRUE(child.EndsWithin(5000));
    EXPECT_FALSE(processes.Open(0x7ffffff0)) << "a process the snapshot did not see";
}

TEST(Win32Processes, TheHubProgramIsEndedAndOthersAreLeft) {
    TempFolder hub;
    TempFolder other;
    Child relaybox(hub, L"Relaybox.exe");
    Child bystander(other, L"Relaybox.exe.bak.exe");
    ASSERT_TRUE(relaybox.Started());
    ASSERT_TRUE(bystander.Started());
    TerminateRelaybox(); // the program's own step over the real process list
    EXPECT_TRUE(relaybox.EndsWithin(5000));
    EXPECT_FALSE(bystander.EndsWithin(200));
}

} // namespace

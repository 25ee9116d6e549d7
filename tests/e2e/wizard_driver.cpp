// Drives the wizard of a running hitched.exe from another process, as a user would, and reports
// what it shows. Reads one command per line on stdin and answers each with one line:
//   state              "state page=<title of the shown page> prev=0|1 next=0|1 cancel=<caption>
//                       advice=<heading of the shown troubleshooting dialog, or empty>"
//   click ID           presses button ID of the frame (1000 Previous, 3 Next, 2 Cancel) and
//                      answers once the frame has handled it
//   wait TITLE MS      waits until the page titled TITLE is shown: "shown <ms>" or "timeout"
//   rows               "rows N" and then N lines "row <column 0>|<column 1>" of the list on
//                       the shown page
//   advice-ok          presses OK of the troubleshooting dialog
//   check ID           checks radio button or check box ID of the shown page ("checked")
//   rect               "rect L T R B": the frame's window rectangle on the screen
//   advice-rect        the same for the shown troubleshooting dialog ("rect" with zeros if none)
//   timer ID           delivers timer ID to the frame now, as its expiry would ("fired")
// The frame is the top-level dialog that holds the page placeholder 1033.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPagePlaceholder = 1033;
constexpr int kPageTitle = 1006;
constexpr int kPhoneList = 1012;
constexpr int kAdviceHeading = 1019;

bool IsDialog(HWND hWnd) {
    wchar_t name[16] = {};
    ::GetClassNameW(hWnd, name, 16);
    return std::wcscmp(name, L"#32770") == 0;
}

HWND FindFrame() {
    struct Search {
        HWND found = nullptr;
    } search;
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            if (IsDialog(hWnd) && ::GetDlgItem(hWnd, kPagePlaceholder) != nullptr) {
                reinterpret_cast<Search*>(lParam)->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The shown troubleshooting dialog: a visible top-level dialog owned by the frame.
HWND FindAdvice(HWND frame) {
    struct Search {
        HWND frame;
        HWND found = nullptr;
    } search{frame};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (IsDialog(hWnd) && ::GetWindow(hWnd, GW_OWNER) == s->frame &&
                ::IsWindowVisible(hWnd)) {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The page dialog among the frame's children that is visible.
HWND FindShownPage(HWND frame) {
    for (HWND child = ::GetWindow(frame, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (IsDialog(child) && (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            return child;
        }
    }
    return nullptr;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string Text(HWND hWnd) {
    if (hWnd == nullptr) {
        return {};
    }
    wchar_t buffer[512] = {};
    ::SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 2000,
                          nullptr);
    return Utf8(buffer);
}

std::string PageTitle(HWND frame) {
    return Text(::GetDlgItem(FindShownPage(frame), kPageTitle));
}

void PrintState(HWND frame) {
    HWND advice = FindAdvice(frame);
    std::printf("state page=%s prev=%d next=%d cancel=%s advice=%s\n", PageTitle(frame).c_str(),
                ::IsWindowEnabled(::GetDlgItem(frame, 1000)) ? 1 : 0,
                ::IsWindowEnabled(::GetDlgItem(frame, 3)) ? 1 : 0,
                Text(::GetDlgItem(frame, IDCANCEL)).c_str(),
                Text(::GetDlgItem(advice, kAdviceHeading)).c_str());
}

// Sent, so the click has been handled when the answer comes.
void Click(HWND dialog, int id) {
    ::SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)), SMTO_BLOCK, 5000,
                          nullptr);
}

// A list view of another process: the item buffer has to live in that process.
std::string ItemText(HWND list, HANDLE process, int item, int subItem) {
    constexpr SIZE_T kChars = 260;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                    MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) {
        return "<no memory>";
    }
    LVITEMW lv{};
    lv.iSubItem = subItem;
    lv.cchTextMax = kChars;
    lv.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    ::WriteProcessMemory(process, remote, &lv, sizeof(lv), nullptr);
    ::SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(remote));
    wchar_t text[kChars] = {};
    ::ReadProcessMemory(process, lv.pszText, text, sizeof(text) - sizeof(wchar_t), nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return Utf8(text);
}

void PrintRows(HWND frame) {
    HWND list = ::GetDlgItem(FindShownPage(frame), kPhoneList);
    const int count = list ? static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    std::printf("rows %d\n", count);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(list, &pid);
    HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    for (int i = 0; i < count && process != nullptr; ++i) {
        std::printf("row %s|%s\n", ItemText(list, process, i, 0).c_str(),
                    ItemText(list, process, i, 1).c_str());
    }
    if (process != nullptr) {
        ::CloseHandle(process);
    }
}

void WaitForPage(HWND frame, const std::string& title, DWORD timeoutMs) {
    const ULONGLONG start = ::GetTickCount64();
    while (::GetTickCount64() - start < timeoutMs) {
        if (PageTitle(frame) == title) {
            std::printf("shown %llu\n", ::GetTickCount64() - start);
            return;
        }
        ::Sleep(10);
    }
    std::printf("timeout\n");
}

} // namespace

int main() {
    HWND frame = nullptr;
    for (int i = 0; i < 300 && frame == nullptr; ++i) {
        frame = FindFrame();
        if (frame == nullptr) {
            ::Sleep(100);
        }
    }
    if (frame == nullptr) {
        std::printf("no wizard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char line[512];
    while (std::fgets(line, sizeof(line), stdin) != nullptr) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
            command.pop_back();
        }
        if (command == "state") {
            PrintState(frame);
        } else if (command.rfind("click ", 0) == 0) {
            Click(frame, std::atoi(command.c_str() + 6));
            std::printf("clicked\n");
        } else if (command.rfind("wait ", 0) == 0) {
            const size_t space = command.rfind(' ');
            WaitForPage(frame, command.substr(5, space - 5),
                        static_cast<DWORD>(std::atol(command.c_str() + space + 1)));
        } else if (command == "rows") {
            PrintRows(frame);
        } else if (command.rfind("check ", 0) == 0) {
            HWND page = FindShownPage(frame);
            const int id = std::atoi(command.c_str() + 6);
            // As a click would: the group's other radio buttons are cleared too.
            ::SendMessageW(::GetDlgItem(page, id), BM_CLICK, 0, 0);
            std::printf("checked %d\n", static_cast<int>(::SendMessageW(::GetDlgItem(page, id),
                                                                        BM_GETCHECK, 0, 0)));
        } else if (command == "rect" || command == "advice-rect") {
            RECT rect{};
            HWND target = command == "rect" ? frame : FindAdvice(frame);
            if (target != nullptr) {
                ::GetWindowRect(target, &rect);
            }
            std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        } else if (command.rfind("timer ", 0) == 0) {
            ::SendMessageTimeoutW(frame, WM_TIMER, std::atoi(command.c_str() + 6), 0, SMTO_BLOCK,
                                  5000, nullptr);
            std::printf("fired\n");
        } else if (command == "advice-ok") {
            Click(FindAdvice(frame), IDOK);
            std::printf("clicked\n");
        } else {
            std::printf("unknown command\n");
        }
        std::fflush(stdout);
    }
    return 0;
}

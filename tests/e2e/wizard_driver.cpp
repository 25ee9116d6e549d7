// The Windows side of the end-to-end tests, one program built under the two names the scripts
// know it by. With an argument (detection_helper) it does one thing for the test:
//   hold NAME      opens the named mutex NAME (another suite program using a phone) and keeps
//                  it until stdin ends
//   debuglog       prints every OutputDebugString line of every process as "PID: text" until
//                  stdin ends, read as a debug viewer reads them (DBWIN_BUFFER): Wine's own
//                  debug channels do not carry them to a Linux-side driver
// Without one (wizard_driver) it drives hitched.exe's wizard as a user would and reports what
// it shows. It first answers "ready|show=<name>|hide=<name>|show id=<n>|hide id=<n>" (the
// suite's show and hide messages), then one line for each command line on stdin:
//   state              "state|visible=B|iconic=B|front=B|prev=B|next=B|launches=N|title=T
//                       |page=T|cancel=T|advice=T" on one line: B is 0 or 1 (front: the frame
//                       is the foreground window; prev, next: those buttons are enabled), N the
//                       suite's launch broadcasts seen so far, T the frame's caption, the shown
//                       page's title, Cancel's caption, the shown advice's heading (or empty)
//   click ID           presses button ID of the frame and answers once the frame handled it
//   check ID           clicks radio button or check box ID of the shown page: "checked 0|1"
//   advice-ok          presses OK of the troubleshooting dialog
//   wait TITLE MS      waits until the page titled TITLE is shown: "shown|timeout <ms>"
//   rows               "rows N", then N lines "row <column 0>|<column 1>" of the page's list;
//                      for the Bluetooth device list "row <column 0>|<image 0> <image 1>
//                      <image 2>" (-1 or a number that is no image: none)
//   select ROW         clicks row ROW of the page's list with the mouse ("selected")
//   text ID            "text T": control ID of the shown page (line ends written as \n)
//   type ID TEXT       types TEXT into edit ID of the shown page, key by key; "\b" is
//                      Backspace ("typed")
//   postclick ID       clicks button ID of the shown page (or the frame) without waiting for
//                      it, for buttons whose handler opens a message box ("posted")
//   msgbox MS          waits up to MS for a message box of the program: "msgbox T" with its
//                      text, and presses its OK; "no msgbox" when none came
//   rect, advice-rect  "rect L T R B": the frame's or the shown advice's (zeros if none)
//   timer ID           delivers timer ID to the frame now, as its expiry would ("fired")
//   post MSG W [ITEM]  posts message number MSG with wParam W to the frame or its item ITEM
//                      ("posted")
//   started MS         waits for the start-up event, which exists from the driver's start on,
//                      and resets it: "started 0|1"
//   layout [advice]    the frame and its shown page (or the shown advice), from the screen's
//                      pixels and the program's bitmaps: "button ID W H SCALE" per skinned
//                      button, "skin ID SCALE" per window (SCALE: the art scale its pixels show,
//                      one to one for a face, or 0), "icon W H" for a list with rows; "end"
//   dpichange FROM TO  sends the frame what Windows sends a window moved from a screen of DPI
//                      FROM to one of DPI TO: WM_DPICHANGED with TO and the suggested rectangle,
//                      the frame's scaled, at the screen's top-left corner ("changed")
// The frame is the top-level dialog holding the page placeholder; it is looked up anew for
// every command, so a restarted hitched.exe is found too.
#include "app/app_names.h"
#include "res/resource.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include <algorithm>

namespace {

std::atomic<bool> g_stdinEnded{false};
std::atomic<int> g_launches{0};

void ReadStdinToItsEnd() {
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
    }
    g_stdinEnded = true;
}

int HoldMutex(const char* name) {
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    std::printf(mutex ? "holding\n" : "cannot create the mutex\n");
    std::fflush(stdout);
    ReadStdinToItsEnd();
    return mutex ? (::CloseHandle(mutex), 0) : 1;
}

int PrintDebugOutput() {
    HANDLE bufferReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    const bool another = ::GetLastError() == ERROR_ALREADY_EXISTS;
    HANDLE dataReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                          L"DBWIN_BUFFER");
    const char* view =
        mapping ? static_cast<const char*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))
                : nullptr;
    if (another || !bufferReady || !dataReady || !view) {
        std::printf("another debug-output monitor is running\n");
        return 1;
    }
    std::printf("monitoring\n");
    std::fflush(stdout);
    std::thread(ReadStdinToItsEnd).detach(); // the driver ends the helper by closing stdin
    ::SetEvent(bufferReady);
    while (!g_stdinEnded) {
        if (::WaitForSingleObject(dataReady, 100) != WAIT_OBJECT_0) {
            continue;
        }
        DWORD pid = 0;
        std::memcpy(&pid, view, sizeof pid);
        std::string text(view + sizeof pid, strnlen(view + sizeof pid, 4096 - sizeof pid));
        text.erase(text.find_last_not_of("\r\n") + 1);
        std::printf("%lu: %s\n", pid, text.c_str());
        std::fflush(stdout);
        ::SetEvent(bufferReady);
    }
    return 0;
}

// The first dialog that `match` accepts among `first` and the windows after it.
HWND FindDialog(HWND first, const std::function<bool(HWND)>& match) {
    for (HWND h = first; h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        ::GetClassNameW(h, name, 16);
        if (std::wcscmp(name, L"#32770") == 0 && match(h)) {
            return h;
        }
    }
    return nullptr;
}

HWND FindFrame() {
    for (int i = 0; i < 300; ++i, ::Sleep(100)) {
        if (HWND frame = FindDialog(::GetTopWindow(nullptr), [](HWND h) {
                return ::GetDlgItem(h, IDC_PAGE_PLACEHOLDER) != nullptr;
            })) {
            return frame;
        }
    }
    return nullptr;
}

// The shown troubleshooting dialog: a visible top-level dialog owned by the frame.
HWND FindAdvice(HWND frame) {
    return FindDialog(::GetTopWindow(nullptr), [frame](HWND h) {
        return ::GetWindow(h, GW_OWNER) == frame && ::IsWindowVisible(h);
    });
}

// The page dialog among the frame's children that is visible.
HWND FindShownPage(HWND frame) {
    return FindDialog(::GetWindow(frame, GW_CHILD),
                      [](HWND h) { return (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; });
}

std::string Utf8(const wchar_t* text) {
    char out[1024] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
    return out;
}

// The text the system keeps for the window (what a static or a button shows): no message that
// a busy window would have to answer.
std::string Text(HWND hWnd) {
    wchar_t buffer[512] = {};
    ::GetWindowTextW(hWnd, buffer, 512);
    std::string text;
    for (char c : Utf8(buffer)) {
        text += c == '\r' ? "" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return text;
}

std::string PageTitle(HWND frame) {
    return Text(::GetDlgItem(FindShownPage(frame), IDC_PAGE_TITLE));
}

// Sent, so the click has been handled when the answer comes.
void Click(HWND dialog, int id) {
    ::SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)), SMTO_BLOCK, 5000,
                          nullptr);
}

// A list view of another process: the item buffer has to live in that process.
HANDLE OpenOwner(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
}

// Sends a list-view message whose lParam points at a T, in the list's process; T comes back.
template <typename T>
T RemoteCall(HWND list, HANDLE process, UINT message, WPARAM wParam, T value) {
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(T), MEM_COMMIT, PAGE_READWRITE);
    ::WriteProcessMemory(process, remote, &value, sizeof value, nullptr);
    ::SendMessageW(list, message, wParam, reinterpret_cast<LPARAM>(remote));
    ::ReadProcessMemory(process, remote, &value, sizeof value, nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return value;
}

std::string ItemText(HWND list, HANDLE process, int item, int subItem) {
    constexpr SIZE_T kChars = 260;
    char* remote = static_cast<char*>(::VirtualAllocEx(
        process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    LVITEMW lv{};
    lv.iSubItem = subItem;
    lv.cchTextMax = kChars;
    lv.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    ::WriteProcessMemory(process, remote, &lv, sizeof lv, nullptr);
    ::SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(remote));
    wchar_t text[kChars] = {};
    ::ReadProcessMemory(process, lv.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return Utf8(text);
}

HWND ShownList(HWND frame) {
    HWND page = FindShownPage(frame);
    HWND list = ::GetDlgItem(page, IDC_PHONE_LIST);
    return list != nullptr ? list : ::GetDlgItem(page, IDC_BT_DEVICE_LIST);
}

int ItemImage(HWND list, HANDLE process, int item, int subItem) {
    LVITEMW lv{};
    lv.mask = LVIF_IMAGE;
    lv.iItem = item;
    lv.iSubItem = subItem;
    return RemoteCall(list, process, LVM_GETITEMW, 0, lv).iImage;
}

void PrintRows(HWND frame) {
    HWND list = ShownList(frame);
    const int count = list ? static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    std::printf("rows %d\n", count);
    HANDLE process = OpenOwner(list);
    const bool devices = ::GetDlgCtrlID(list) == IDC_BT_DEVICE_LIST;
    for (int i = 0; i < count && process != nullptr; ++i) {
        std::string second = devices ? "" : ItemText(list, process, i, 1);
        for (int column = 0; devices && column < 3; ++column) {
            second += (column ? " " : "") + std::to_string(ItemImage(list, process, i, column));
        }
        std::printf("row %s|%s\n", ItemText(list, process, i, 0).c_str(), second.c_str());
    }
    ::CloseHandle(process);
}

// A mouse click on a row, as the list gets it from the system.
void ClickRow(HWND frame, int row) {
    HWND list = ShownList(frame);
    HANDLE process = OpenOwner(list);
    RECT rect{LVIR_LABEL, 0, 0, 0};
    rect = RemoteCall(list, process, LVM_GETITEMRECT, row, rect);
    ::CloseHandle(process);
    const LPARAM at = MAKELPARAM(rect.left + 5, (rect.top + rect.bottom) / 2);
    // Sent, not posted: a sent message overtakes posted ones, so nothing could tell when a
    // posted click had been handled.
    ::SendMessageTimeoutW(list, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_BLOCK, 5000, nullptr);
    ::SendMessageTimeoutW(list, WM_LBUTTONUP, 0, at, SMTO_BLOCK, 5000, nullptr);
}

// A message box of the program: a visible dialog with the box's text control that is neither
// the frame nor the troubleshooting dialog.
HWND FindMessageBox() {
    return FindDialog(::GetTopWindow(nullptr), [](HWND h) {
        return ::IsWindowVisible(h) && ::GetDlgItem(h, 0xFFFF) != nullptr &&
               ::GetDlgItem(h, IDC_PAGE_PLACEHOLDER) == nullptr &&
               ::GetDlgItem(h, IDC_TS_HEADING) == nullptr;
    });
}

HWND ShownItem(HWND frame, int id) {
    HWND item = ::GetDlgItem(FindShownPage(frame), id);
    return item != nullptr ? item : ::GetDlgItem(frame, id);
}

LRESULT CALLBACK CountLaunches(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT launch = ::RegisterWindowMessageW(hitched::kLaunchApplicationMessageName);
    g_launches += message == launch ? 1 : 0;
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

// A hidden top-level window on a thread of its own, counting the launch broadcasts.
void ListenForLaunches() {
    std::thread([] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CountLaunches;
        windowClass.lpszClassName = L"HitchedLaunchListener";
        ::RegisterClassW(&windowClass);
        ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                          nullptr, nullptr, nullptr);
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::DispatchMessageW(&msg);
        }
    }).detach();
}

// --- layout: what the user sees at the window's scale ---------------------------------

constexpr int kArtScales[] = {100, 125, 150, 200};

// The program's own bitmaps, read from its file as data.
HMODULE ProgramImage(HWND window) {
    static HMODULE image = nullptr;
    if (image == nullptr) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        ::QueryFullProcessImageNameW(process, 0, path, &size);
        ::CloseHandle(process);
        image = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    return image;
}

// The pixels of a window's client area as the screen shows them, top row first.
struct Pixels {
    int w = 0, h = 0;
    std::vector<COLORREF> p;
    COLORREF at(int x, int y) const { return p[y * w + x]; }
};

// w x h pixels of `source` from (x, y), stretched from sw x sh when given (as the program
// stretches its skins).
Pixels Grab(HDC source, int x, int y, int w, int h, int sw = 0, int sh = 0) {
    Pixels out{w, h, std::vector<COLORREF>(static_cast<size_t>(w) * h)};
    HDC dc = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, w, h);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::StretchBlt(dc, 0, 0, w, h, source, x, y, sw ? sw : w, sh ? sh : h, SRCCOPY);
    ::SelectObject(dc, old);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    ::GetDIBits(dc, bitmap, 0, h, out.p.data(), &info, DIB_RGB_COLORS);
    for (COLORREF& c : out.p) { // 0x00RRGGBB to a COLORREF
        c = RGB(GetBValue(c), GetGValue(c), GetRValue(c));
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return out;
}

Pixels Screen(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    HDC screen = ::GetDC(nullptr);
    Pixels out = Grab(screen, origin.x, origin.y, r.right, r.bottom);
    ::ReleaseDC(nullptr, screen);
    return out;
}

// Bitmap `id` of the program at a scale (the 100 % id plus 1000 for each scale up), stretched
// to w x h; its own size in *size.
Pixels Art(HWND window, int id, int scale, int w, int h, SIZE* size) {
    const auto step = std::find(std::begin(kArtScales), std::end(kArtScales), scale) - kArtScales;
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(
        ProgramImage(window), MAKEINTRESOURCEW(id + 1000 * step), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    if (bitmap == nullptr || !::GetObjectW(bitmap, sizeof info, &info)) {
        return {};
    }
    *size = SIZE{info.bmWidth, info.bmHeight};
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    Pixels out = Grab(dc, 0, 0, w, h, info.bmWidth, info.bmHeight);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return out;
}

// The art scale whose bitmap `id`, stretched to the window's client size, is what the window
// shows at nine pixels in ten of a region (a button's rim, a skin's part without controls),
// the best one of those; 0 when none. With exact, only a bitmap of the window's size counts.
int ScaleShown(HWND window, int id, RECT region, bool exact) {
    const Pixels shown = Screen(window);
    int best = 0, bestSame = 0;
    for (int scale : kArtScales) {
        SIZE size{};
        const Pixels art = Art(window, id, scale, shown.w, shown.h, &size);
        if (art.w == 0 || (exact && (size.cx != shown.w || size.cy != shown.h))) {
            continue;
        }
        int same = 0, counted = 0;
        for (int y = region.top; y < region.bottom && y < shown.h; ++y) {
            for (int x = region.left; x < region.right && x < shown.w; ++x) {
                if (art.at(x, y) != RGB(255, 0, 255)) {
                    ++counted;
                    same += art.at(x, y) == shown.at(x, y);
                }
            }
        }
        if (counted > 0 && same * 10 >= counted * 9 && same > bestSame) {
            best = scale;
            bestSame = same;
        }
    }
    return best;
}

void PrintLayout(HWND window, int background) {
    RECT client{};
    ::GetClientRect(window, &client);
    RECT free = client;
    for (HWND c = ::GetWindow(window, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        ::GetClassNameW(c, cls, 32);
        RECT r{}, at{};
        ::GetClientRect(c, &r);
        ::GetWindowRect(c, &at);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
        if (!::IsWindowVisible(c)) {
            continue;
        }
        // the skin is left free above or left of every control
        free.bottom = std::min(free.bottom, at.top);
        free.right = std::min(free.right, at.left);
        const int id = ::GetDlgCtrlID(c);
        if ((::GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW &&
            std::wcscmp(cls, L"Button") == 0) {
            // the face's rim: the caption is drawn over the middle
            const int face = id == IDC_BT_SEARCH_MORE || id == IDC_BT_UNPAIR ? IDB_BT_BUTTON_GREY
                             : id == IDC_TS_HELP || id == IDOK               ? IDB_TS_BUTTON_NORMAL
                                                                             : IDB_BUTTON_NORMAL;
            std::printf("button %d %ld %ld %d\n", id, r.right, r.bottom,
                        ScaleShown(c, face, RECT{0, 0, r.right, 3}, true));
        }
        if (std::wcscmp(cls, L"SysListView32") == 0 &&
            ::SendMessageW(c, LVM_GETITEMCOUNT, 0, 0) > 0) {
            HANDLE process = OpenOwner(c);
            const RECT icon = RemoteCall(c, process, LVM_GETITEMRECT, 0, RECT{LVIR_ICON, 0, 0, 0});
            ::CloseHandle(process);
            std::printf("icon %ld %ld\n", icon.right - icon.left, icon.bottom - icon.top);
        }
    }
    // the larger of the two free parts
    const RECT region = free.bottom * client.right > free.right * client.bottom
                            ? RECT{0, 0, client.right, free.bottom}
                            : RECT{0, 0, free.right, client.bottom};
    std::printf("skin %d %d\n", ::GetDlgCtrlID(window),
                ScaleShown(window, background, region, false));
}

void Layout(HWND frame, bool advice) {
    HWND top = advice ? FindAdvice(frame) : frame, page = FindShownPage(frame);
    if (top != nullptr) {
        PrintLayout(top, advice ? IDB_TROUBLESHOOT_BACKGROUND : IDB_FRAME_BACKGROUND);
    }
    if (top != nullptr && !advice) {
        PrintLayout(page, ::GetDlgItem(page, IDC_WELCOME_DONOTSHOW) ? IDB_WELCOME_BACKGROUND
                                                                    : IDB_PAGE_BACKGROUND);
    }
    std::printf("end\n");
}

void Drive(HWND frame, const std::string& command) {
    const char* line = command.c_str();
    UINT message = 0;
    unsigned long wParam = 0;
    int id = 0;
    if (command == "state") {
        std::printf("state|visible=%d|iconic=%d|front=%d|prev=%d|next=%d|launches=%d|title=%s"
                    "|page=%s|cancel=%s|advice=%s\n",
                    ::IsWindowVisible(frame) ? 1 : 0, ::IsIconic(frame) ? 1 : 0,
                    ::GetForegroundWindow() == frame ? 1 : 0,
                    ::IsWindowEnabled(::GetDlgItem(frame, IDC_BTN_PREVIOUS)) ? 1 : 0,
                    ::IsWindowEnabled(::GetDlgItem(frame, IDC_BTN_NEXT)) ? 1 : 0, g_launches.load(),
                    Text(frame).c_str(), PageTitle(frame).c_str(),
                    Text(::GetDlgItem(frame, IDC_BTN_CANCEL)).c_str(),
                    Text(::GetDlgItem(FindAdvice(frame), IDC_TS_HEADING)).c_str());
    } else if (std::sscanf(line, "click %d", &id) == 1) {
        Click(frame, id);
        std::printf("clicked\n");
    } else if (std::sscanf(line, "check %d", &id) == 1) {
        // As a click would: the group's other radio buttons are cleared too.
        HWND button = ::GetDlgItem(FindShownPage(frame), id);
        ::SendMessageW(button, BM_CLICK, 0, 0);
        std::printf("checked %d\n", static_cast<int>(::SendMessageW(button, BM_GETCHECK, 0, 0)));
    } else if (command == "advice-ok") {
        Click(FindAdvice(frame), IDOK);
        std::printf("clicked\n");
    } else if (command.rfind("wait ", 0) == 0) {
        const size_t space = command.rfind(' ');
        const std::string title = command.substr(5, space - 5);
        const ULONGLONG start = ::GetTickCount64();
        const ULONGLONG limit = std::strtoull(line + space + 1, nullptr, 10);
        while (PageTitle(frame) != title && ::GetTickCount64() - start < limit) {
            ::Sleep(10);
        }
        std::printf("%s %llu\n", PageTitle(frame) == title ? "shown" : "timeout",
                    ::GetTickCount64() - start);
    } else if (command == "rows") {
        PrintRows(frame);
    } else if (std::sscanf(line, "select %d", &id) == 1) {
        ClickRow(frame, id);
        std::printf("selected\n");
    } else if (std::sscanf(line, "text %d", &id) == 1) {
        std::printf("text %s\n", Text(ShownItem(frame, id)).c_str());
    } else if (std::sscanf(line, "type %d", &id) == 1) {
        HWND edit = ShownItem(frame, id);
        const size_t space = command.find(' ', 5);
        std::string keys = command.substr(space == std::string::npos ? command.size() : space + 1);
        for (size_t at; (at = keys.find("\\b")) != std::string::npos;) {
            keys.replace(at, 2, 1, '\b');
        }
        for (char c : keys) {
            ::SendMessageTimeoutW(edit, WM_CHAR, static_cast<WPARAM>(c), 1, SMTO_BLOCK, 5000,
                                  nullptr);
        }
        std::printf("typed\n");
    } else if (std::sscanf(line, "key %d", &id) == 1) {
        // A key on the shown list, as the keyboard gives it to the list with the focus.
        ::SendMessageTimeoutW(ShownList(frame), WM_KEYDOWN, id, 0, SMTO_BLOCK, 5000, nullptr);
        std::printf("keyed\n");
    } else if (std::sscanf(line, "postclick %d", &id) == 1) {
        ::PostMessageW(ShownItem(frame, id), BM_CLICK, 0, 0);
        std::printf("posted\n");
    } else if (std::sscanf(line, "msgbox %d", &id) == 1) {
        HWND box = nullptr;
        for (int waited = 0; (box = FindMessageBox()) == nullptr && waited < id; waited += 20) {
            ::Sleep(20);
        }
        if (box == nullptr) {
            std::printf("no msgbox\n");
        } else {
            std::printf("msgbox %s\n", Text(::GetDlgItem(box, 0xFFFF)).c_str());
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            for (int waited = 0; ::IsWindow(box) && waited < 5000; waited += 20) {
                ::Sleep(20); // gone before the next command looks for another
            }
        }
    } else if (command == "rect" || command == "advice-rect") {
        RECT rect{};
        HWND target = command == "rect" ? frame : FindAdvice(frame);
        if (target != nullptr) {
            ::GetWindowRect(target, &rect);
        }
        std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    } else if (command == "ping") {
        // How long the frame takes to answer a message: it must not wait for the radio.
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&start);
        ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_BLOCK, 10000, nullptr);
        ::QueryPerformanceCounter(&end);
        std::printf("ping %.1f\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    } else if (std::sscanf(line, "timer %d", &id) == 1) {
        ::SendMessageTimeoutW(frame, WM_TIMER, id, 0, SMTO_BLOCK, 5000, nullptr);
        std::printf("fired\n");
    } else if (std::sscanf(line, "post %u %lu %d", &message, &wParam, &id) >= 2) {
        ::PostMessageW(id != 0 ? ::GetDlgItem(frame, id) : frame, message, wParam, 0);
        std::printf("posted\n");
    } else if (std::sscanf(line, "dpichange %lu %d", &wParam, &id) == 2) {
        RECT rect{};
        ::GetWindowRect(frame, &rect);
        const int from = static_cast<int>(wParam);
        rect = RECT{0, 0, ::MulDiv(rect.right - rect.left, id, from),
                    ::MulDiv(rect.bottom - rect.top, id, from)};
        // the rectangle lives in the frame's process, as the system's would
        HANDLE process = OpenOwner(frame);
        void* remote = ::VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
        ::WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        ::SendMessageTimeoutW(frame, 0x02E0, MAKEWPARAM(id, id), reinterpret_cast<LPARAM>(remote),
                              SMTO_BLOCK, 5000, nullptr);
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        ::CloseHandle(process);
        std::printf("changed\n");
    } else if (command == "layout" || command == "layout advice") {
        Layout(frame, command != "layout");
    } else {
        std::printf("unknown command\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string helper = argc >= 2 ? argv[1] : "";
    if (helper == "hold" && argc >= 3) {
        return HoldMutex(argv[2]);
    }
    if (helper == "debuglog") {
        return PrintDebugOutput();
    }
    if (!helper.empty()) {
        std::fprintf(stderr, "usage: detection_helper hold NAME | debuglog\n"
                             "       wizard_driver (commands on stdin)\n");
        return 2;
    }
    ::SetProcessDPIAware(); // sizes and pixels as the wizard has them, whatever the scale
    HANDLE started = ::CreateEventW(nullptr, TRUE, FALSE, hitched::kStartupEventName);
    ListenForLaunches();
    const wchar_t* show = hitched::kShowWindowMessageName;
    const wchar_t* hide = hitched::kHideWindowMessageName;
    std::printf("ready|show=%s|hide=%s|show id=%u|hide id=%u\n", Utf8(show).c_str(),
                Utf8(hide).c_str(), ::RegisterWindowMessageW(show), ::RegisterWindowMessageW(hide));
    std::fflush(stdout);
    char line[512];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
            command.pop_back();
        }
        unsigned long ms = 0;
        HWND frame = nullptr;
        if (std::sscanf(line, "started %lu", &ms) == 1) {
            std::printf("started %d\n", ::WaitForSingleObject(started, ms) == WAIT_OBJECT_0);
            ::ResetEvent(started);
        } else if ((frame = FindFrame()) == nullptr) {
            std::printf("no wizard\n");
        } else {
            Drive(frame, command);
        }
        std::fflush(stdout);
    }
    return 0;
}

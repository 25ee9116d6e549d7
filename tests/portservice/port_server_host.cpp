// A port server in a process of its own, driven line by line on stdin, for tests that talk to
// it from outside (the Wine tests run it as a Windows program with Linux clients) and for
// trying clients by hand. On Windows its owner is a real window, as in the program: switch
// messages are sent to it and the retry timer runs on it.
//
//   port_server_host [--port N] [--address A]      (defaults: 9520, 0.0.0.0)
// stdin:  phone TYPE PORT NAME...   add a phone to the next list ('-' for no port)
//         clear                     empty the next list
//         push                      broadcast the list (as device detection does)
//         holds                     print every row's port and whether it is held
//         clients                   print the number of connections served
//         stop                      stop the server, as the main dialog does when it closes
//         stop-after MS             the same after keeping the window's thread busy for MS
//         quit                      end the program
// stdout: "ready PORT", "bind-failed", "trace: LINE", "switch CODE ENABLE", "timer set",
//         "timer killed", "timer fired", "pushed N", "holds ...", "clients N", "stopped".
#include <cstdio>
#include <cstring>
#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/trace.h"
#include "detect/utf16_field.h"
#include "portservice/port_service.h"

#ifdef _WIN32
#include "portservice/window_owner.h"
#endif

namespace {

std::mutex g_printLock;

void Print(const std::string& line) {
    std::lock_guard<std::mutex> lock(g_printLock);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c == u'\r')
            out += "\\r";
        else if (c == u'\n')
            out += "\\n";
        else
            out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

void PrintTrace(const std::u16string& line) {
    Print("trace: " + Narrow(line));
}

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// The list that the next push hands over, and the commands that work on the server.
class Host {
public:
    explicit Host(CPortService& server) : m_server(server) {}

    // Answers false for "quit".
    bool Command(const std::string& line) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "phone") {
            unsigned type = 1;
            std::string port, name;
            in >> type >> port;
            std::getline(in >> std::ws, name);
            _CONNECTEDPHONE_T phone;
            std::memset(&phone, 0, sizeof phone);
            phone.dwConnectType = type;
            if (port != "-")
                hitched::CopyField(phone.dwSerialPort, Widen(port));
            hitched::CopyField(phone.tszPhoneName, Widen(name));
            hitched::CopyField(phone.tszManufacturer, u"Ostra");
            hitched::CopyField(phone.tszIMEI,
                               u"35693803564380" + Widen(std::to_string(m_phones.size())));
            hitched::CopyField(phone.tszDllName, u"KvOstraPhone");
            hitched::CopyField(phone.tszBTStackName, u"Microsoft");
            if (type == 2)
                hitched::CopyField(phone.tszBTAddress, u"0012a3b4c5d6");
            m_phones.push_back(phone);
        } else if (word == "clear") {
            m_phones.clear();
        } else if (word == "push") {
            std::vector<const _CONNECTEDPHONE_T*> list;
            for (const _CONNECTEDPHONE_T& p : m_phones)
                list.push_back(&p);
            m_server.BroadcastDeviceChanged(list, false);
            Print("pushed " + std::to_string(list.size()));
        } else if (word == "holds") {
            std::string text = "holds";
            for (const _PORTPHONEENTRY_T& row : m_server.TableSnapshot())
                text += " " + Narrow(hitched::FieldString(row.stPhoneInfo.dwSerialPort)) + "=" +
                        std::to_string(row.bUsed);
            Print(text);
        } else if (word == "clients") {
            Print("clients " + std::to_string(m_server.ClientCount()));
        } else if (word == "stop") {
            Stop();
        } else if (word == "stop-after") {
            int ms = 0;
            in >> ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            Stop();
        } else if (word == "quit") {
            return false;
        } else if (!word.empty()) {
            Print("unknown command: " + word);
        }
        return true;
    }

    void Stop() {
        m_server.StopServer();
        Print("stopped");
    }

private:
    CPortService& m_server;
    std::vector<_CONNECTEDPHONE_T> m_phones;
};

struct Options {
    hitched::PortServiceConfig config;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--port" && i + 1 < argc)
            options.config.port = static_cast<std::uint16_t>(std::stoi(argv[++i]));
        else if (a == "--address" && i + 1 < argc)
            options.config.bindAddress = argv[++i];
        else
            return false;
    }
    return true;
}

} // namespace

#ifdef _WIN32

namespace {

constexpr UINT kStopMessage = WM_APP + 1;
constexpr UINT kQuitMessage = WM_APP + 2;
CPortService* g_server = nullptr;
Host* g_host = nullptr;

// Plays the main dialog: the switch message, timer 103 and the stop on the window's thread.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case hitched::WM_CONNECT_TYPE_SWITCH:
        Print("switch " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 1;
    case hitched::WM_RETRY_TIMER_REQUEST:
        hitched::HandleRetryTimerRequest(window, wParam);
        return 0;
    case WM_TIMER:
        if (wParam == hitched::kRetryPushTimerId) {
            KillTimer(window, hitched::kRetryPushTimerId);
            Print("timer fired");
            g_server->BroadcastDeviceChanged({}, true);
            Print("pushed 0");
        }
        return 0;
    case kStopMessage:
        // Busy first, so that a connection thread's switch message is waiting when the stop
        // begins: the stop must serve it rather than wait for that thread for ever.
        Sleep(static_cast<DWORD>(wParam));
        g_host->Stop();
        return 0;
    case kQuitMessage:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Reports the timer calls too, so that the driver sees when the retry is armed or cancelled.
class PrintingWindowOwner : public hitched::CWindowPortServiceOwner {
public:
    using CWindowPortServiceOwner::CWindowPortServiceOwner;
    void SetRetryTimer() override {
        CWindowPortServiceOwner::SetRetryTimer();
        Print("timer set");
    }
    void KillRetryTimer() override {
        CWindowPortServiceOwner::KillRetryTimer();
        Print("timer killed");
    }
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs("usage: port_server_host [--port N] [--address A]\n", stderr);
        return 2;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HitchedPortServerHost";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        Print("no window");
        return 2;
    }
    PrintingWindowOwner owner(window, window);
    hitched::SetTraceSink(PrintTrace); // after the owner, which routes the trace to DebugLog
    // Held open like a launcher waiting for the program would: the server sets the event and
    // lets its own handle go, so the event lives only as long as someone holds it.
    HANDLE startedEvent = CreateEventW(nullptr, TRUE, FALSE, hitched::kStartupEventName);
    CPortService server(owner, hitched::PlatformSocketLayer(), options.config);
    g_server = &server;
    if (!server.StartServer()) {
        Print("bind-failed");
        bool set = startedEvent != nullptr && WaitForSingleObject(startedEvent, 0) == WAIT_OBJECT_0;
        Print(set ? "started-event set" : "started-event not set");
        return 3;
    }
    Print("ready " + std::to_string(server.BoundPort()));
    Host host(server);
    g_host = &host;

    // stdin plays the device-detection thread; stop and quit go to the window's thread.
    std::thread input([&] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line == "stop" || line.rfind("stop-after ", 0) == 0) {
                WPARAM busyMs = line == "stop" ? 0 : std::stoul(line.substr(11));
                SendMessageW(window, kStopMessage, busyMs, 0);
                continue;
            }
            if (!host.Command(line))
                break;
        }
        PostMessageW(window, kQuitMessage, 0, 0);
    });
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    input.join();
    server.StopServer();
    DestroyWindow(window);
    Print("bye");
    return 0;
}

#else

namespace {

// Prints what a main window would be asked to do.
class PrintingOwner : public hitched::IPortServiceOwner {
public:
    void OnConnectTypeSwitch(int code, bool enable) override {
        Print("switch " + std::to_string(code) + " " + (enable ? "1" : "0"));
    }
    void SetRetryTimer() override { Print("timer set"); }
    void KillRetryTimer() override { Print("timer killed"); }
    void SignalStarted() override { Print("started-event set"); }
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs("usage: port_server_host [--port N] [--address A]\n", stderr);
        return 2;
    }
    hitched::SetTraceSink(PrintTrace);
    PrintingOwner owner;
    CPortService server(owner, hitched::PlatformSocketLayer(), options.config);
    if (!server.StartServer()) {
        Print("bind-failed");
        return 3;
    }
    Print("ready " + std::to_string(server.BoundPort()));
    Host host(server);
    std::string line;
    while (std::getline(std::cin, line) && host.Command(line)) {
    }
    server.StopServer();
    Print("bye");
    return 0;
}

#endif

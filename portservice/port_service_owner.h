#pragma once

namespace hitched {

// What the port server asks of the program that owns it. On Windows the main window answers
// (portservice/window_owner.h); tests observe the calls directly.
class IPortServiceOwner {
public:
    virtual ~IPortServiceOwner() = default;

    // A client switched a connection type on or off (code 0..3): WM_CONNECT_TYPE_SWITCH,
    // sent synchronously; returns once the owner has handled it.
    virtual void OnConnectTypeSwitch(int typeCode, bool enable) = 0;
    // The retry timer (103, 5 s) on the main window, whose handler repeats an empty push.
    // Both do nothing when there is no main window.
    virtual void SetRetryTimer() = 0;
    virtual void KillRetryTimer() = 0;
    // Sets the start-up event "KV_Ostra_Hitched.exe_started" (the server does so when it
    // cannot bind, so that a waiting launcher is not left hanging).
    virtual void SignalStarted() = 0;
    // Called over and over while StopServer waits for the server's threads. A connection
    // thread may be waiting in OnConnectTypeSwitch for the very thread that stops the server
    // (a sent window message); an owner of that kind serves such calls here.
    virtual void ServePendingCalls() {}
};

} // namespace hitched

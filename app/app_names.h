#pragma once

// Names other programs of the suite know this program by. They are compared exactly, so they
// never change.
namespace hitched {

// Held for the life of the process: a second start sees it and only asks for the wizard.
inline constexpr wchar_t kInstanceMutexName[] = L"KV_Hitch_2008:4:24:10:00:00";

// Registered window messages: show the wizard, hide it, and "the user left the wizard".
inline constexpr wchar_t kShowWindowMessageName[] =
    L"msg_kv_ostrapctools_portservice_startserver_showwindow_show";
// Also the one command-line switch: anywhere in the command line it starts the wizard
// force-minimised.
inline constexpr wchar_t kHideWindowMessageName[] =
    L"msg_kv_ostrapctools_portservice_startserver_showwindow_hide";
inline constexpr wchar_t kLaunchApplicationMessageName[] =
    L"LaunchApplication(PC Ostra Suite) - Quellon(Velmor) 2007-11-26 10:10:10";

// Set once start-up, the port service included, is complete.
inline constexpr wchar_t kStartupEventName[] = L"KV_Ostra_Hitched.exe_started";

// Flags of every broadcast the program sends: BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE |
// BSF_ALLOWSFW, so the receiver may bring itself to the front.
inline constexpr unsigned long kBroadcastFlags = 0x92;

} // namespace hitched

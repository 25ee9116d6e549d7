// The floor of a Windows program's start under the same loader: a GUI program that returns at
// once. The start-up benchmark times it beside hitched.exe.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}

#include "app/hitch_app.h"

#include <windows.h>

CHitchApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return AfxWinMain(theApp);
}

// CWin32DelayEvent is header-only; this unit checks that the header stands alone.
#include "detect/win32_delay_event.h"

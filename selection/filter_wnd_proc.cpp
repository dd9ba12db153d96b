#include "selection/filter_wnd_proc.h"

int32_t HOST_CALL FilterWndProc(HWND, UINT, WPARAM, LPARAM, void*, FilterTable*) { return 0; }

#pragma once
// FilterWndProc: the settings window's procedure, which adds the two buttons.
#include "host/filter_host.h"

constexpr UINT ID_SELECT_START = 40001;  // control identifier of the start button
constexpr UINT ID_SELECT_END = 40002;    // control identifier of the end button

int32_t HOST_CALL FilterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                void* hostContext, FilterTable* filter);

#pragma once
// FilterProc: the host calls it for every frame whose sound it renders or saves.
#include "host/filter_host.h"

// Runs the four stages in their fixed order on the frame's sound and returns 1.
int32_t HOST_CALL FilterProc(FilterTable* filter, ProcInfo* info);

#pragma once
#include "host/filter_host.h"

// Shifts the frame's sound against the picture by offsetMs milliseconds, rebuilding
// it from the neighbouring frames' sound, which it reads through the host.
// While offsetMs is 0 it returns at once: no host call, no allocation.
void RunOffsetStage(FilterTable* filter, const ProcInfo* info);

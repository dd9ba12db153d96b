#pragma once
#include "host/filter_host.h"

// Shifts the frame's sound against the picture by offsetMs milliseconds, rebuilding
// it from the neighbouring frames' sound, which it reads through the host.
// Run only while offsetMs is not 0.
void RunOffsetStage(FilterTable* filter, const ProcInfo* info);

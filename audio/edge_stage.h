#pragma once
#include "host/filter_host.h"

// Silences the frames before the ramp-in frame and after the ramp-out frame of the
// host's selection, and ramps the sound on those two frames. Without a selection the
// frame is left alone.
void RunEdgeStage(FilterTable* filter, const ProcInfo* info);

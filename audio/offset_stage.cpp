#include "audio/offset_stage.h"

void RunOffsetStage(FilterTable*, const ProcInfo*) {}

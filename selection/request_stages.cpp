#include "selection/request_stages.h"

#include "selection/request_flags.h"

void RunStartRequestStage(FilterTable*, const ProcInfo*) { startRequest = 0; }

void RunEndRequestStage(FilterTable*, const ProcInfo*) { endRequest = 0; }

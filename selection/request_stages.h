#pragma once
#include "host/filter_host.h"

// Carries out a pending press of the start button: clears startRequest and moves the
// selection's start so that the current frame is the first frame at full sound.
void RunStartRequestStage(FilterTable* filter, const ProcInfo* info);

// Carries out a pending press of the end button: clears endRequest and moves the
// selection's end so that the current frame is the last frame at full sound.
void RunEndRequestStage(FilterTable* filter, const ProcInfo* info);

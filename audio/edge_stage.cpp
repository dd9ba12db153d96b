#include "audio/edge_stage.h"

void RunEdgeStage(FilterTable* filter, const ProcInfo* info) {
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  filter->hostFunctions->GetSelection(info->editHandle, &selectionStart, &selectionEnd);
}

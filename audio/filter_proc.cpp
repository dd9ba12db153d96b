// The processing procedure: four stages in a fixed order, then 1.
//
// Each stage reads the slider values it needs from the host's live trackValues when
// it needs them, so the edge stage sees what the request stages changed, and it
// shapes the sound as the offset stage left it.

#include "audio/filter_proc.h"

#include <xmmintrin.h>

#include "audio/edge_stage.h"
#include "audio/offset_stage.h"
#include "selection/request_flags.h"
#include "selection/request_stages.h"

namespace {

// The host process owns the floating-point control state and may have changed the
// SSE rounding or denormal modes. The stages' single- and double-precision results
// are defined under the default mode (round to nearest, no flush-to-zero, exceptions
// masked), so run them in it and hand the host its own mode back afterwards.
constexpr unsigned kDefaultSseMode = 0x1F80;

}  // namespace

int32_t HOST_CALL FilterProc(FilterTable* filter, ProcInfo* info) {
  if (filter == nullptr || info == nullptr || filter->trackValues == nullptr ||
      filter->hostFunctions == nullptr) {
    return 1;  // not a live filter record: nothing can be done safely
  }
  const unsigned hostSseMode = _mm_getcsr();
  _mm_setcsr(kDefaultSseMode);

  RunOffsetStage(filter, info);  // returns at once, without a host call, while offsetMs is 0
  if (startRequest != 0) RunStartRequestStage(filter, info);
  if (endRequest != 0) RunEndRequestStage(filter, info);
  RunEdgeStage(filter, info);

  _mm_setcsr(hostSseMode);
  return 1;
}

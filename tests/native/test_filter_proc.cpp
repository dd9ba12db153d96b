// The processing procedure's frame: its result, and that an idle call asks the host
// for nothing but the selection and leaves the sound alone.
#include <gtest/gtest.h>

#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/edits.h"

namespace {

Edit SmallEdit() { return NoiseEdit(8000, 2, 25, 1, 320 * 4); }

TEST(FilterProc, IdleCallOnlyAsksForTheSelection) {
  for (bool hasSelection : {false, true}) {
    SCOPED_TRACE(hasSelection);
    ReferenceHost host(GetFilterTable, SmallEdit());
    host.hasSelection = hasSelection;
    host.selectionStart = 0;
    host.selectionEnd = host.frameCount() - 1;
    host.trackValues()[0] = 1;
    host.trackValues()[1] = 1;
    std::vector<int16_t> audio;
    EXPECT_EQ(host.ProcessFrame(1, audio), 1);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].service, HostService::GetSelection);
    EXPECT_TRUE(host.calls[0].knownHandle);
    EXPECT_EQ(audio, FrameSound(host.edit, 1));
    EXPECT_TRUE(host.faults.empty());
  }
}

}  // namespace

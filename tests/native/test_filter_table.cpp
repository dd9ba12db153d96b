// The descriptor the host reads: every word, array and text, and that nothing the
// plug-in does ever changes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/expected_texts.h"
#include "tests/native/cp932.h"

namespace {

TEST(FilterTable, NumericWordsHoldTheirValues) {
  const FilterTable* table = GetFilterTable();
  EXPECT_EQ(table->flags, 0x284000u);
  EXPECT_EQ(table->windowWidth, 320);
  EXPECT_EQ(table->windowHeight, 180);
  EXPECT_EQ(table->trackCount, 3);
  EXPECT_NE(table->filterProc, nullptr);
  EXPECT_NE(table->filterWndProc, nullptr);
  // The host fills these in its live record; the plug-in's own table holds zero there.
  EXPECT_EQ(table->trackValues, nullptr);
  EXPECT_EQ(table->hostFunctions, nullptr);
  EXPECT_EQ(table->instance, nullptr);
  const std::vector<int32_t> zeroWords = {
      table->reserved9[0],  table->reserved9[1],  table->reserved9[2],  table->reserved13[0],
      table->reserved13[1], table->reserved13[2], table->reserved18[0], table->reserved18[1],
      table->reserved18[2], table->reserved22[0], table->reserved22[1], table->reserved25,
      table->reserved27[0], table->reserved27[1], table->reserved27[2], table->reserved27[3],
      table->reserved27[4], table->reserved27[5], table->reserved27[6], table->reserved27[7]};
  for (size_t i = 0; i < zeroWords.size(); ++i) EXPECT_EQ(zeroWords[i], 0) << "zero word " << i;
}

TEST(FilterTable, TrackArraysHoldRangesAndDefaults) {
  const FilterTable* table = GetFilterTable();
  struct Track { int32_t minimum, maximum, defaultValue; };
  const Track expected[3] = {{0, 100, 0}, {0, 100, 0}, {-599, 599, 0}};
  for (int track = 0; track < 3; ++track) {
    SCOPED_TRACE(track);
    EXPECT_EQ(table->trackMinimums[track], expected[track].minimum);
    EXPECT_EQ(table->trackMaximums[track], expected[track].maximum);
    EXPECT_EQ(table->trackDefaults[track], expected[track].defaultValue);
  }
}

TEST(FilterTable, TextsAreTheirCodePage932Bytes) {
  const FilterTable* table = GetFilterTable();
  struct Text { const char* what; const char* actual; const char* utf8; size_t bytes; };
  const Text texts[] = {
      {"name", table->name, kExpectedFilterName, 8},
      {"information", table->information, kExpectedInformation, 22},
      {"label 0", table->trackLabels[0], kExpectedTrackLabels[0], 6},
      {"label 1", table->trackLabels[1], kExpectedTrackLabels[1], 6},
      {"label 2", table->trackLabels[2], kExpectedTrackLabels[2], 6},
  };
  for (const Text& text : texts) {
    SCOPED_TRACE(text.what);
    const std::string expected = ToCodePage932(text.utf8);
    EXPECT_EQ(expected.size(), text.bytes);
    EXPECT_EQ(std::string(text.actual), expected);
  }
}

TEST(FilterTable, SamePointerOnEveryCall) {
  EXPECT_EQ(GetFilterTable(), GetFilterTable());
}

// Everything the host can see of the table: its words and what they point to.
struct TableImage {
  FilterTable words;
  std::vector<std::string> texts;
  std::vector<int32_t> arrays;
};

TableImage ImageOf(const FilterTable* table) {
  TableImage image{*table, {table->name, table->information}, {}};
  for (int track = 0; track < 3; ++track) {
    image.texts.push_back(table->trackLabels[track]);
    image.arrays.push_back(table->trackDefaults[track]);
    image.arrays.push_back(table->trackMinimums[track]);
    image.arrays.push_back(table->trackMaximums[track]);
  }
  return image;
}

TEST(FilterTable, UnchangedByAnySequenceOfCalls) {
  const TableImage before = ImageOf(GetFilterTable());

  Edit edit;
  edit.audioRate = 48000;
  edit.videoRate = 30;
  edit.videoScale = 1;
  edit.samples.assign(2 * 1600 * 20, 1000);
  ReferenceHost host(GetFilterTable, edit);
  host.hasSelection = true;
  host.selectionStart = 5;
  host.selectionEnd = 12;
  host.trackValues()[0] = 2;
  host.trackValues()[1] = 1;
  host.trackValues()[2] = -120;
  host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0);
  host.currentFrame = 8;
  host.Press(40001);
  host.Press(40002);
  host.RenderEdit();
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);

  const TableImage after = ImageOf(GetFilterTable());
  EXPECT_EQ(std::memcmp(&before.words, &after.words, sizeof(FilterTable)), 0);
  EXPECT_EQ(before.texts, after.texts);
  EXPECT_EQ(before.arrays, after.arrays);
  EXPECT_TRUE(host.faults.empty()) << host.faults.front();
}

}  // namespace

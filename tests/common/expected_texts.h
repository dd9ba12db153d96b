#pragma once
// The plug-in's texts as a user reads them, in UTF-8. The tests convert these to code
// page 932 (or decode the plug-in's bytes) at run time and compare, so the expected
// bytes never come from the plug-in's own literals.

constexpr const char* kExpectedFilterName = "Brisdale";
constexpr const char* kExpectedInformation = "version 0.19 by ＫＯＶ";
constexpr const char* kExpectedTrackLabels[3] = {"前から", "後から", "音ずれ"};
constexpr const char* kExpectedStartCaption = "選択開始フレームを変更";
constexpr const char* kExpectedEndCaption = "選択終了フレームを変更";
constexpr const char* kExpectedFontFace = "ＭＳ Ｐゴシック";

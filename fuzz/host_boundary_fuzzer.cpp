// Drives the plug-in through the reference host with every host answer taken from the
// fuzz input: the edit's rates and channels, FileInfo, ReadFrameAudio lengths, the
// selection, slider values, IsFrameSaved / GetFileInfo / IsFilterActive answers,
// hostile ProcInfo records and arbitrary window messages.
//
// It aborts on any damage the host sees (guard bytes, records written), on a service
// call the plug-in must not make, and, where every input is one a sound host gives,
// on a frame that differs from the whole-stream account of the filter. AddressSanitizer,
// UndefinedBehaviorSanitizer and LeakSanitizer catch the rest.
//
// The host stays faithful where the plug-in has to trust it: ReadFrameAudio writes a
// frame of the edit whose rates FileInfo reports (or of rates allowing longer frames),
// with the channel count of the frame being processed; the sound buffer it hands over
// holds audioCount * audioChannels values. Its memory stays small: the edit is a few
// thousand samples, so with rates whose frames are huge every frame is short.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/stream_oracle.h"

namespace {

constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();

// The edit's sound stays below this many samples per channel, and below this many frames.
constexpr int64_t kMostEditSamples = 6000;
constexpr int64_t kMostEditFrames = 2000;
// Rates that the plug-in would accept but that would make it gather this many frames
// or this much memory are replaced by ordinary ones: valid, but slow and large.
constexpr double kMostGatherFrames = 4096;
constexpr double kMostGatherBytes = 64.0 * 1024 * 1024;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "host boundary fuzzer: %s\n", what.c_str());
  std::abort();
}

// A 32-bit value that is often a limit or a small number, else anything.
int32_t HostileInt(FuzzedDataProvider& in) {
  static const int32_t kPicks[] = {0, 1, -1, 2, kMax32, kMin32, kMax32 - 1, kMin32 + 1, 100, 101};
  if (in.ConsumeBool()) return in.PickValueInArray(kPicks);
  return in.ConsumeIntegral<int32_t>();
}

struct Rates {
  int32_t videoRate, videoScale, audioRate;
};

// How many frames and bytes a correct gather of these rates takes for an offset, as a
// host that knows only the rates would reckon it: the frames covering 599 ms or the
// shift, whichever is more, each with room for one frame's longest length.
double GatherBytes(const Rates& rates, int32_t channels, int32_t offsetMs, double* frames) {
  const double frameRate = static_cast<double>(rates.videoRate) / rates.videoScale;
  const double samplesPerFrame = static_cast<double>(rates.audioRate) / frameRate;
  const double byRule = 1 + std::floor(599 / frameRate);
  const double byShift = std::ceil(offsetMs * 0.001 * frameRate) + 1;
  *frames = byRule > byShift ? byRule : byShift;
  return *frames * (std::ceil(samplesPerFrame) + 1) * channels * 2;
}

// Rates the plug-in gathers cheaply at every offset, refuses at every offset (no
// buffer that large can exist in 32 bits), or neither: valid, but too slow and large
// to run on every input.
enum class RatesClass { Cheap, Refused, Costly };

RatesClass Classify(const Rates& rates, int32_t channels) {
  double frames = 0;
  if (GatherBytes(rates, channels, 1, &frames) > 2.2e9) return RatesClass::Refused;
  const double bytes = GatherBytes(rates, channels, 599, &frames);
  if (frames <= kMostGatherFrames && bytes <= kMostGatherBytes) return RatesClass::Cheap;
  return RatesClass::Costly;
}

Rates PickEditRates(FuzzedDataProvider& in, int32_t channels) {
  static const Rates kOrdinary[] = {
      {30, 1, 8000},      {25, 1, 8000},       {30000, 1001, 48000}, {24000, 1001, 48000},
      {60, 1, 48000},     {60000, 1001, 44100}, {50, 1, 44100},      {24, 1, 96000},
      {10, 1, 8000},      {1, 1, 100},         {1000, 1, 8000},     {120, 1, 11025}};
  Rates rates = in.PickValueInArray(kOrdinary);
  if (in.ConsumeBool()) {
    // Any positive rates, limits included: the frames can be huge or shorter than a sample.
    auto positive = [&in]() {
      const int32_t value = HostileInt(in);
      return value > 0 ? value : (value == kMin32 ? kMax32 : (value == 0 ? 1 : -value));
    };
    const Rates wild = {positive(), positive(), positive()};
    if (Classify(wild, channels) != RatesClass::Costly) rates = wild;
  }
  return rates;
}

// The edit: its rates and channels from the input, a few thousand samples at most,
// and no more frames than the host can keep track of cheaply.
Edit MakeEdit(FuzzedDataProvider& in) {
  static const int32_t kChannels[] = {1, 2, 2, 1, 3, 6};
  Edit edit;
  edit.channels = in.PickValueInArray(kChannels);
  const Rates rates = PickEditRates(in, edit.channels);
  edit.videoRate = rates.videoRate;
  edit.videoScale = rates.videoScale;
  edit.audioRate = rates.audioRate;

  int64_t length = in.ConsumeIntegralInRange<int64_t>(0, kMostEditSamples);
  // Frames shorter than a sample: keep the count of frames small.
  const long double perFrame =
      static_cast<long double>(rates.audioRate) * rates.videoScale / rates.videoRate;
  const long double lengthForFrames = perFrame * kMostEditFrames;
  if (lengthForFrames < static_cast<long double>(length)) length = static_cast<int64_t>(lengthForFrames);

  edit.samples.resize(static_cast<size_t>(length * edit.channels));
  const uint8_t pattern = in.ConsumeIntegral<uint8_t>() % 4;
  uint32_t state = in.ConsumeIntegral<uint32_t>() | 1u;
  for (size_t i = 0; i < edit.samples.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    int16_t value = 0;
    switch (pattern) {
      case 0: value = static_cast<int16_t>(state >> 16); break;                // noise
      case 1: value = (state >> 31) ? 32767 : -32768; break;                   // the extremes
      case 2: value = static_cast<int16_t>(static_cast<int32_t>(i % 2000) * 31 - 31000); break;
      default: value = static_cast<int16_t>(static_cast<int32_t>(i) + 1); break;  // positions
    }
    edit.samples[i] = value;
  }
  return edit;
}

// ---- What may be compared with the whole-stream account -------------------------

struct Scenario {
  bool fileInfoSound = true;  // GetFileInfo answers 1 with the edit's own rates
  bool fileInfoRefused = false;  // rates not positive: the offset stage must do nothing
  bool lengthsNatural = true;  // ReadFrameAudio answers each frame's own length
};

bool OffsetInRange(int32_t offsetMs) { return offsetMs >= -599 && offsetMs <= 599; }

// Rates at which a frame is shorter than one sample: the offset stage leaves such frames alone.
bool FramesShorterThanASample(const Edit& edit) {
  return static_cast<int64_t>(edit.audioRate) * edit.videoScale < edit.videoRate;
}

// The frame the filter must make of `frame` of the edit, given the host's state after
// the call (the request stages may have moved the selection and the sliders), and the
// offset in force when the call began. False when the inputs leave it open.
bool ExpectedFrame(ReferenceHost& host, const Scenario& scenario, int32_t offsetMsBefore,
                   int32_t frame, std::vector<int16_t>* expected) {
  if (frame < 0 || frame >= host.frameCount()) return false;
  if (host.edit.channels != 1 && host.edit.channels != 2) return false;
  if (!OffsetInRange(offsetMsBefore)) return false;
  const int32_t* trackValues = host.trackValues();
  FilterSettings settings;
  settings.offsetMs = offsetMsBefore;
  if (offsetMsBefore != 0) {
    if (scenario.fileInfoRefused || host.getFileInfoAnswer != 1 ||
        (scenario.fileInfoSound && FramesShorterThanASample(host.edit))) {
      settings.offsetMs = 0;  // the offset stage leaves the frame as it came
    } else if (!scenario.fileInfoSound || !scenario.lengthsNatural) {
      return false;
    }
  }
  // An offset the plug-in switched off after a failed allocation: nothing to predict.
  if (trackValues[TRACK_OFFSET_MS] != offsetMsBefore) return false;
  settings.frontFrames = trackValues[TRACK_FRONT_FRAMES];
  settings.backFrames = trackValues[TRACK_BACK_FRAMES];
  settings.hasSelection = host.hasSelection;
  settings.selectionStart = host.selectionStart;
  settings.selectionEnd = host.selectionEnd;
  *expected = OracleFrame(host.edit, settings, frame);
  return true;
}

// ---- Checks after every step -------------------------------------------------------

struct CallContext {
  bool procInfoWorkable;  // currentFrame in 0..frameCount-1, audioCount >= 0, channels >= 1
  int32_t frameCount;
};

void CheckCalls(ReferenceHost& host, size_t firstCall, const CallContext& context, const char* step) {
  if (!host.faults.empty()) Fail(std::string(step) + ": " + host.faults.front());
  bool selectionReported = false;
  for (size_t i = firstCall; i < host.calls.size(); ++i) {
    const HostCall& call = host.calls[i];
    if (!call.knownHandle) Fail(std::string(step) + ": " + HostServiceName(call.service) + " with a foreign handle");
    switch (call.service) {
      case HostService::ReadFrameAudio:
      case HostService::GetFileInfo:
        if (!context.procInfoWorkable) {
          Fail(std::string(step) + ": " + HostServiceName(call.service) + " for an unworkable ProcInfo");
        }
        if (call.service == HostService::ReadFrameAudio &&
            (call.frame < 0 || call.frame >= context.frameCount)) {
          Fail(std::string(step) + ": ReadFrameAudio of frame " + std::to_string(call.frame) +
               " outside 0.." + std::to_string(int64_t{context.frameCount} - 1));
        }
        break;
      case HostService::IsFrameSaved:
        if (context.procInfoWorkable && (call.frame < 0 || call.frame >= context.frameCount)) {
          Fail(std::string(step) + ": IsFrameSaved of frame " + std::to_string(call.frame));
        }
        break;
      case HostService::GetSelection:
        selectionReported = call.answer != 0;
        break;
      case HostService::SetSelection:
        if (!selectionReported) Fail(std::string(step) + ": SetSelection after GetSelection answered 0");
        break;
      default:
        break;
    }
  }
}

void CompareFrame(const std::vector<int16_t>& got, const std::vector<int16_t>& expected,
                  int32_t frame, const char* step) {
  if (got == expected) return;
  size_t first = 0;
  while (first < got.size() && first < expected.size() && got[first] == expected[first]) ++first;
  Fail(std::string(step) + ": frame " + std::to_string(frame) + " differs from the whole-stream account at value " +
       std::to_string(first) + " (" + std::to_string(got.size()) + " values, expected " +
       std::to_string(expected.size()) + ")");
}

// ---- The steps ---------------------------------------------------------------------

int32_t SliderValue(FuzzedDataProvider& in, int32_t lowest, int32_t highest) {
  if (in.ConsumeIntegralInRange<int>(0, 3) != 0) return in.ConsumeIntegralInRange<int32_t>(lowest, highest);
  return HostileInt(in);  // out of range as often as not
}

int32_t FrameNumber(FuzzedDataProvider& in, int32_t frameCount) {
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: return HostileInt(in);
    case 1: return frameCount + in.ConsumeIntegralInRange<int32_t>(-2, 0);
    case 2: return in.ConsumeIntegralInRange<int32_t>(-1, 1);
    default: return frameCount > 0 ? in.ConsumeIntegralInRange<int32_t>(0, frameCount - 1) : 0;
  }
}

void SetReadLengths(FuzzedDataProvider& in, ReferenceHost& host, Scenario& scenario) {
  const int mode = in.ConsumeIntegralInRange<int>(0, 7);
  const int32_t amount = in.ConsumeIntegralInRange<int32_t>(1, 4000);
  const int32_t fixed = HostileInt(in);
  // The longest frame these rates allow, and one more sample.
  const int64_t perScale = static_cast<int64_t>(host.edit.audioRate) * host.edit.videoScale;
  const int64_t natural = (perScale + host.edit.videoRate - 1) / host.edit.videoRate + 1;
  const int32_t longest = natural > kMax32 ? kMax32 : static_cast<int32_t>(natural);
  scenario.lengthsNatural = mode == 0;
  switch (mode) {
    case 0: host.readLengthAnswer = nullptr; break;
    case 1: host.readLengthAnswer = [amount](int32_t, int32_t n) { return n > amount ? n - amount : 0; }; break;
    case 2: host.readLengthAnswer = [](int32_t, int32_t) { return 0; }; break;
    case 3: host.readLengthAnswer = [amount](int32_t, int32_t) { return -amount; }; break;
    case 4: host.readLengthAnswer = [longest](int32_t, int32_t) { return longest; }; break;
    case 5: host.readLengthAnswer = [longest](int32_t, int32_t) { return longest == kMax32 ? kMax32 : longest + 1; }; break;
    case 6: host.readLengthAnswer = [fixed](int32_t, int32_t) { return fixed; }; break;
    default: {
      // A different answer on every call, from a generator seeded by the input.
      uint32_t state = static_cast<uint32_t>(fixed) | 1u;
      host.readLengthAnswer = [state, longest](int32_t, int32_t n) mutable {
        state = state * 1664525u + 1013904223u;
        switch (state >> 29) {
          case 0: return -1;
          case 1: return 0;
          case 2: return longest;
          case 3: return kMax32;
          case 4: return static_cast<int32_t>((state >> 8) % (static_cast<uint32_t>(n) + 1));
          default: return n;
        }
      };
    }
  }
}

void SetFileInfo(FuzzedDataProvider& in, ReferenceHost& host, Scenario& scenario) {
  static const int32_t kAnswers[] = {1, 1, 1, 0, 2, -1, kMax32};
  host.getFileInfoAnswer = in.PickValueInArray(kAnswers);
  FileInfo info = {};
  info.videoRate = host.edit.videoRate;
  info.videoScale = host.edit.videoScale;
  info.audioRate = host.edit.audioRate;
  scenario.fileInfoSound = true;
  scenario.fileInfoRefused = false;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      break;  // the edit's own rates
    case 1: {
      // At least one rate not positive.
      static const int32_t kNotPositive[] = {0, -1, kMin32, -30000};
      int32_t* fields[] = {&info.videoRate, &info.videoScale, &info.audioRate};
      const int which = in.ConsumeIntegralInRange<int>(1, 7);
      for (int i = 0; i < 3; ++i) {
        if (which & (1 << i)) *fields[i] = in.PickValueInArray(kNotPositive);
      }
      scenario.fileInfoRefused = true;
      scenario.fileInfoSound = false;
      break;
    }
    default: {
      // Positive rates whose frames are at least as long as the edit's: the host's
      // frames all fit the room the plug-in makes, but the lengths and shift differ.
      const Rates claimed = {in.ConsumeIntegralInRange<int32_t>(1, info.videoRate),
                             info.videoScale, info.audioRate};
      if (Classify(claimed, host.edit.channels) != RatesClass::Costly) {
        info.videoRate = claimed.videoRate;
        scenario.fileInfoSound = claimed.videoRate == host.edit.videoRate;
      }
    }
  }
  if (!scenario.fileInfoRefused &&
      Classify({info.videoRate, info.videoScale, info.audioRate}, host.edit.channels) ==
          RatesClass::Refused) {
    scenario.fileInfoRefused = true;  // too large a buffer at any offset: nothing is gathered
  }
  host.fileInfo = info;
}

void SetSelection(FuzzedDataProvider& in, ReferenceHost& host) {
  const int32_t frames = host.frameCount();
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      host.hasSelection = false;
      break;
    case 1:  // reversed
      host.hasSelection = true;
      host.selectionStart = FrameNumber(in, frames);
      host.selectionStart = host.selectionStart == kMin32 ? kMin32 + 1 : host.selectionStart;
      host.selectionEnd = static_cast<int32_t>(
          std::max<int64_t>(kMin32, int64_t{host.selectionStart} - in.ConsumeIntegralInRange<int32_t>(1, 5)));
      break;
    case 2:  // at the 32-bit limits
      host.hasSelection = true;
      host.selectionStart = in.ConsumeBool() ? kMin32 : kMax32;
      host.selectionEnd = in.ConsumeBool() ? kMin32 : kMax32;
      break;
    default:
      host.hasSelection = true;
      host.selectionStart = FrameNumber(in, frames);
      host.selectionEnd = FrameNumber(in, frames);
  }
}

void SetAnswers(FuzzedDataProvider& in, ReferenceHost& host) {
  static const int32_t kAnswers[] = {0, 1, 2, -1, kMax32, kMin32};
  host.unsavedAnswer = in.PickValueInArray(kAnswers);
  host.isFilterActiveAnswer = in.PickValueInArray(kAnswers);
  host.unsavedFrames.clear();
  const int count = in.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < count; ++i) host.unsavedFrames.insert(FrameNumber(in, host.frameCount()));
}

void SetSliders(FuzzedDataProvider& in, ReferenceHost& host) {
  int32_t* values = host.trackValues();
  values[TRACK_FRONT_FRAMES] = SliderValue(in, 0, 100);
  values[TRACK_BACK_FRAMES] = SliderValue(in, 0, 100);
  values[TRACK_OFFSET_MS] = SliderValue(in, -599, 599);
}

// A frame as a sound host hands it over, checked against the account where it can be.
void ProcessSoundFrame(FuzzedDataProvider& in, ReferenceHost& host, const Scenario& scenario) {
  const int32_t frame = FrameNumber(in, host.frameCount());
  const int32_t offsetMsBefore = host.trackValues()[TRACK_OFFSET_MS];
  const size_t firstCall = host.calls.size();
  std::vector<int16_t> audio;
  if (host.ProcessFrame(frame, audio) != 1) Fail("FilterProc did not return 1");
  const CallContext context = {frame >= 0 && frame < host.frameCount(), host.frameCount()};
  CheckCalls(host, firstCall, context, "ProcessFrame");
  std::vector<int16_t> expected;
  if (ExpectedFrame(host, scenario, offsetMsBefore, frame, &expected)) {
    CompareFrame(audio, expected, frame, "ProcessFrame");
  }
}

// A ProcInfo with values of the input's choosing. Positive channel counts are the
// edit's own, since ReadFrameAudio writes frames of the edit's channel count.
void CallHostileFilterProc(FuzzedDataProvider& in, ReferenceHost& host) {
  ProcFields fields;
  fields.currentFrame = FrameNumber(in, host.frameCount());
  fields.frameCount = in.ConsumeBool() ? host.frameCount() : HostileInt(in);
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: fields.audioCount = FrameLength(host.edit, fields.currentFrame); break;
    case 1: fields.audioCount = in.ConsumeIntegralInRange<int32_t>(0, 70000); break;
    case 2: fields.audioCount = in.ConsumeIntegralInRange<int32_t>(kMin32, -1); break;
    default: fields.audioCount = in.ConsumeIntegralInRange<int32_t>(0, 3);
  }
  static const int32_t kNotPositive[] = {0, -1, -2, kMin32};
  fields.audioChannels = in.ConsumeBool() ? host.edit.channels : in.PickValueInArray(kNotPositive);

  std::vector<int16_t> audio(static_cast<size_t>(fields.audioCount > 0 ? fields.audioCount : 0) *
                             static_cast<size_t>(fields.audioChannels > 0 ? fields.audioChannels : 0));
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<int16_t>(i * 2654435761u >> 16);
  const std::vector<int16_t> given = audio;

  const size_t firstCall = host.calls.size();
  if (host.CallFilterProc(fields, audio) != 1) Fail("FilterProc did not return 1");
  const bool workable = fields.audioCount >= 0 && fields.audioChannels >= 1 && fields.frameCount >= 1 &&
                        fields.currentFrame >= 0 && fields.currentFrame < fields.frameCount;
  CheckCalls(host, firstCall, {workable, fields.frameCount}, "CallFilterProc");
  if (!workable && audio != given) {
    // Only the edge stage may change it: and with nothing to shape it writes nothing.
    if (fields.audioCount <= 0 || fields.audioChannels <= 0) Fail("an empty or unlaid-out frame was written");
  }
}

void SendMessage(FuzzedDataProvider& in, ReferenceHost& host, const Scenario& scenario) {
  static const UINT kMessages[] = {MSG_WINDOW_INIT, MSG_WINDOW_EXIT, WM_COMMAND, WM_COMMAND, WM_COMMAND, 0, WM_USER + 105};
  const UINT message = in.ConsumeBool() ? in.PickValueInArray(kMessages) : in.ConsumeIntegral<UINT>();
  WPARAM wParam = 0;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: wParam = in.ConsumeBool() ? 40001 : 40002; break;
    case 1: wParam = (static_cast<WPARAM>(in.ConsumeIntegral<uint16_t>()) << 16) | (in.ConsumeBool() ? 40001u : 40002u); break;
    case 2: wParam = 40000u + in.ConsumeIntegralInRange<WPARAM>(0, 3); break;
    default: wParam = in.ConsumeIntegral<WPARAM>();
  }
  const LPARAM lParam = in.ConsumeIntegral<LPARAM>();
  if (in.ConsumeBool()) host.currentFrame = FrameNumber(in, host.frameCount());

  const int32_t offsetMsBefore = host.trackValues()[TRACK_OFFSET_MS];
  const size_t firstCall = host.calls.size();
  host.lastPreview.clear();
  const int32_t answer = host.SendWindowMessage(message, wParam, lParam);
  const bool press = message == WM_COMMAND && (LOWORD(wParam) == 40001 || LOWORD(wParam) == 40002);
  if (!press && answer != 0) Fail("FilterWndProc answered nonzero to a message that is not a press");
  const CallContext context = {host.currentFrame >= 0 && host.currentFrame < host.frameCount(), host.frameCount()};
  CheckCalls(host, firstCall, context, "SendWindowMessage");
  std::vector<int16_t> expected;
  if (answer != 0 && ExpectedFrame(host, scenario, offsetMsBefore, host.currentFrame, &expected)) {
    CompareFrame(host.lastPreview, expected, host.currentFrame, "re-processed frame after a press");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Win32StandinReset();
  ReferenceHost host(GetFilterTable, MakeEdit(in));
  Scenario scenario;
  scenario.fileInfoRefused =
      Classify({host.edit.videoRate, host.edit.videoScale, host.edit.audioRate}, host.edit.channels) ==
      RatesClass::Refused;
  scenario.fileInfoSound = !scenario.fileInfoRefused;
  // Start where a host starts: the window announced, sliders in range.
  host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0);

  const int steps = in.ConsumeIntegralInRange<int>(1, 48);
  for (int step = 0; step < steps && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: SetSliders(in, host); break;
      case 1: SetSelection(in, host); break;
      case 2: SetAnswers(in, host); break;
      case 3: SetFileInfo(in, host, scenario); break;
      case 4: SetReadLengths(in, host, scenario); break;
      case 5: CallHostileFilterProc(in, host); break;
      case 6: case 7: SendMessage(in, host, scenario); break;
      default: ProcessSoundFrame(in, host, scenario); break;
    }
    // The host keeps no long record: an input is a short session.
    if (host.calls.size() > 100000) host.calls.clear();
  }

  // The session ends as a host's does; a pending request is carried out by one more
  // call, so that none is left for the next input.
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
  std::vector<int16_t> none;
  host.CallFilterProc(ProcFields{}, none);
  if (!host.faults.empty()) Fail("at the end: " + host.faults.front());
  Win32StandinReset();
  return 0;
}

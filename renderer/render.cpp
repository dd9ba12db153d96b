#include "renderer/render.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "renderer/audio_file.h"
#include "renderer/pending_file.h"
#include "renderer/plot.h"

namespace {

// Control identifiers of the plug-in's two buttons, as its settings window reports
// them in WM_COMMAND.
constexpr UINT kStartButtonId = 40001;
constexpr UINT kEndButtonId = 40002;

// The settings window the host hands FilterWndProc; the native stand-in of the Win32
// calls accepts any handle as a parent.
HWND const kSettingsWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x00020000));

const char* const kSliderOptions[TRACK_COUNT] = {"--front", "--back", "--offset-ms"};

bool CheckSlider(const FilterTable& table, int track, const std::optional<int32_t>& value,
                 std::string& error) {
  if (!value) return true;
  const int32_t low = table.trackMinimums[track];
  const int32_t high = table.trackMaximums[track];
  if (*value < low || *value > high) {
    error = std::string(kSliderOptions[track]) + " " + std::to_string(*value) +
            " is outside the slider's range " + std::to_string(low) + ".." + std::to_string(high);
    return false;
  }
  return true;
}

bool CheckFrame(const char* what, int32_t frame, int32_t frameCount, std::string& error) {
  if (frame < 0 || frame >= frameCount) {
    error = std::string(what) + ": frame " + std::to_string(frame) + " is outside the edit (frames 0.." +
            std::to_string(frameCount - 1) + ")";
    return false;
  }
  return true;
}

bool CheckEditFrames(const RenderOptions& options, int32_t frameCount, std::string& error) {
  if (options.selectionFirst) {
    if (!CheckFrame("--select", *options.selectionFirst, frameCount, error) ||
        !CheckFrame("--select", *options.selectionLast, frameCount, error)) {
      return false;
    }
    if (*options.selectionFirst > *options.selectionLast) {
      error = "--select: the first frame " + std::to_string(*options.selectionFirst) +
              " lies after the last " + std::to_string(*options.selectionLast);
      return false;
    }
  }
  for (const Press& press : options.presses) {
    if (!CheckFrame("--press", press.frame, frameCount, error)) return false;
  }
  for (int32_t frame : options.unsavedFrames) {
    if (!CheckFrame("--unsaved", frame, frameCount, error)) return false;
  }
  return true;
}

// Frames done / total on the terminal, redrawn in place about every percent.
class Progress {
 public:
  Progress(bool shown, int32_t total) : shown_(shown), total_(total), step_(std::max(1, total / 100)) {}
  void Frame(int32_t done) {
    if (shown_ && (done % step_ == 0 || done == total_)) {
      std::fprintf(stderr, "\rbrisdale: rendering frame %d/%d", done, total_);
      if (done == total_) std::fputc('\n', stderr);
    }
  }

 private:
  bool shown_;
  int32_t total_;
  int32_t step_;
};

std::string FormatRate(int32_t rate, int32_t scale) {
  char text[64];
  if (scale == 1) {
    std::snprintf(text, sizeof text, "%d fps", rate);
  } else {
    std::snprintf(text, sizeof text, "%d/%d (%.3f) fps", rate, scale,
                  static_cast<double>(rate) / scale);
  }
  return text;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

PlotText DescribeRender(const RenderOptions& options, const RenderSummary& summary) {
  PlotText text;
  text.title = "Brisdale: " + BaseName(options.input) + "  \xe2\x86\x92  " + BaseName(options.output);
  std::string& line = text.settings;
  char offset[32];
  std::snprintf(offset, sizeof offset, "%+d ms", summary.trackValues[TRACK_OFFSET_MS]);
  line = std::string("offset ") + (summary.trackValues[TRACK_OFFSET_MS] == 0 ? "0 ms" : offset);
  line += "   front " + std::to_string(summary.trackValues[TRACK_FRONT_FRAMES]);
  line += "   back " + std::to_string(summary.trackValues[TRACK_BACK_FRAMES]);
  const EdgeMarks& marks = summary.marks;
  if (marks.hasSelection) {
    line += "   selection " + std::to_string(marks.selectionStart) + "\xe2\x80\x93" +
            std::to_string(marks.selectionEnd);
    if (!options.presses.empty()) line += " after";
  } else {
    line += "   no selection";
  }
  if (!options.presses.empty()) {
    line += "   presses";
    for (const Press& press : options.presses) {
      line += std::string(" ") + (press.button == Button::Start ? "start@" : "end@") +
              std::to_string(press.frame);
    }
  }
  line += "   " + FormatRate(options.videoRate, options.videoScale) + ", " +
          std::to_string(summary.sampleRate) + " Hz, " + (summary.channels == 1 ? "mono" : "stereo") +
          ", " + std::to_string(summary.frameCount) + " frames";
  return text;
}

}  // namespace

EdgeMarks EdgeMarksFor(bool hasSelection, int32_t selectionStart, int32_t selectionEnd,
                       int32_t frontFrames, int32_t backFrames, int32_t frameCount) {
  EdgeMarks marks;
  marks.hasSelection = hasSelection;
  marks.selectionStart = selectionStart;
  marks.selectionEnd = selectionEnd;
  if (!hasSelection || frameCount <= 0) return marks;
  const int64_t rampIn = static_cast<int64_t>(selectionStart) + frontFrames - 1;
  const int64_t rampOut = static_cast<int64_t>(selectionEnd) - backFrames + 1;
  const int64_t last = frameCount - 1;
  // Frames before the ramp-in frame and after the ramp-out frame are silent; with the
  // ramp-in frame after the ramp-out frame, that is every frame.
  if (rampIn > rampOut) {
    marks.silent.push_back({0, static_cast<int32_t>(last)});
    return marks;
  }
  if (rampIn > 0) marks.silent.push_back({0, static_cast<int32_t>(std::min(rampIn - 1, last))});
  if (rampIn >= 0 && rampIn <= last) marks.rampIn = static_cast<int32_t>(rampIn);
  // A frame that is both gets the ramp-in.
  if (rampOut != rampIn && rampOut >= 0 && rampOut <= last) marks.rampOut = static_cast<int32_t>(rampOut);
  if (rampOut < last) {
    marks.silent.push_back({static_cast<int32_t>(std::max<int64_t>(rampOut + 1, 0)),
                            static_cast<int32_t>(last)});
  }
  return marks;
}

bool RunRender(const RenderOptions& options, RenderSummary& summary, std::string& error) {
  // Everything that can be refused without reading the input comes first.
  if (!CheckOutputFormat(options.output, error)) return false;

  AudioData input;
  if (!ReadAudioFile(options.input, input, error)) return false;
  if (SameFile(options.input, options.output)) {
    error = options.output + ": is the input file; choose another output";
    return false;
  }
  if (!options.plotPath.empty() &&
      (SameFile(options.input, options.plotPath) || options.plotPath == options.output ||
       SameFile(options.output, options.plotPath))) {
    error = options.plotPath + ": the picture would overwrite the input or the output";
    return false;
  }

  Edit edit;
  edit.audioRate = input.sampleRate;
  edit.channels = input.channels;
  edit.videoRate = options.videoRate;
  edit.videoScale = options.videoScale;
  edit.samples = std::move(input.samples);
  ReferenceHost host(GetFilterTable, std::move(edit));
  host.recordCalls = false;  // a long render would otherwise keep every service call
  host.settingsWindow = kSettingsWindow;
  const int32_t frameCount = host.frameCount();

  const FilterTable& table = *host.pluginTable();
  if (!CheckSlider(table, TRACK_FRONT_FRAMES, options.frontFrames, error) ||
      !CheckSlider(table, TRACK_BACK_FRAMES, options.backFrames, error) ||
      !CheckSlider(table, TRACK_OFFSET_MS, options.offsetMs, error) ||
      !CheckEditFrames(options, frameCount, error)) {
    return false;
  }
  int32_t* sliders = host.trackValues();
  if (options.frontFrames) sliders[TRACK_FRONT_FRAMES] = *options.frontFrames;
  if (options.backFrames) sliders[TRACK_BACK_FRAMES] = *options.backFrames;
  if (options.offsetMs) sliders[TRACK_OFFSET_MS] = *options.offsetMs;
  host.hasSelection = !options.noSelection;
  host.selectionStart = options.selectionFirst.value_or(0);
  host.selectionEnd = options.selectionLast.value_or(frameCount - 1);
  host.unsavedFrames.insert(options.unsavedFrames.begin(), options.unsavedFrames.end());
  host.unsavedAnswer = 0;
  host.isFilterActiveAnswer = 1;

  AudioFileWriter writer;
  if (!writer.Open(options.output, host.edit.audioRate, host.edit.channels, error)) return false;

  const bool plotting = !options.plotPath.empty();
  const int64_t length = EditLength(host.edit);
  Envelope before(plotting ? kPlotColumns : 1, length, host.edit.channels);
  Envelope after(plotting ? kPlotColumns : 1, length, host.edit.channels);
  if (plotting) before.Add(host.edit.samples.data(), length);

  // The settings window opens, the presses are carried out in the order given, each
  // one previewing the frame the host stands on, and the edit is rendered.
  host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0);
  for (const Press& press : options.presses) {
    host.currentFrame = press.frame;
    host.Press(press.button == Button::Start ? kStartButtonId : kEndButtonId);
  }
  Progress progress(!options.quiet && isatty(STDERR_FILENO), frameCount);
  std::vector<int16_t> frameSound;
  // Frames go to the file in batches of about a second, not one write per frame.
  std::vector<int16_t> batch;
  const size_t batchValues = static_cast<size_t>(host.edit.audioRate) * host.edit.channels;
  batch.reserve(2 * batchValues);
  const int32_t channels = host.edit.channels;
  for (int32_t frame = 0; frame < frameCount; ++frame) {
    host.ProcessFrame(frame, frameSound);
    batch.insert(batch.end(), frameSound.begin(), frameSound.end());
    if (plotting) after.Add(frameSound.data(), static_cast<int64_t>(frameSound.size()) / channels);
    if (batch.size() >= batchValues || frame + 1 == frameCount) {
      if (!writer.Write(batch.data(), static_cast<int64_t>(batch.size()) / channels, error)) {
        return false;
      }
      batch.clear();
    }
    progress.Frame(frame + 1);
  }
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);

  if (!host.faults.empty()) {
    error = "the plug-in damaged the host's memory (" + host.faults.front() + "); nothing written";
    return false;
  }

  summary.frameCount = frameCount;
  summary.sampleRate = host.edit.audioRate;
  summary.channels = host.edit.channels;
  for (int track = 0; track < TRACK_COUNT; ++track) summary.trackValues[track] = sliders[track];
  summary.marks = EdgeMarksFor(host.hasSelection, host.selectionStart, host.selectionEnd,
                               sliders[TRACK_FRONT_FRAMES], sliders[TRACK_BACK_FRAMES], frameCount);

  if (!writer.Close(error)) return false;
  PendingFile picture;
  if (plotting) {
    PlotFrames frames;
    frames.frameCount = frameCount;
    for (int32_t frame = 0; frame <= frameCount; ++frame) {
      frames.frameStarts.push_back(std::min(FrameStart(host.edit, frame), length));
    }
    if (!WritePlot(options.plotPath, DescribeRender(options, summary), frames, summary.marks,
                   before, after, picture, error)) {
      return false;
    }
  }
  if (!writer.Commit(error)) return false;
  if (plotting && !picture.Commit(error)) return false;
  return true;
}

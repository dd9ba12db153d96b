#include "renderer/demo.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/tracks.h"
#include "renderer/audio_file.h"
#include "renderer/options.h"
#include "renderer/render.h"

namespace {

constexpr int32_t kSampleRate = 48000;
constexpr double kSeconds = 4.0;
constexpr double kPi = 3.14159265358979323846;

// Four seconds of stereo: a quiet steady tone in each channel, so that silence and
// ramps show, and every half second a loud decaying burst that starts with a click,
// so that the shift shows. The right channel's bursts come 0.1 s after the left's.
AudioData DemoEdit() {
  AudioData audio;
  audio.sampleRate = kSampleRate;
  audio.channels = 2;
  const int64_t length = static_cast<int64_t>(kSeconds * kSampleRate);
  audio.samples.resize(static_cast<size_t>(length) * 2);
  const double bedHz[2] = {220.0, 330.0};
  const double burstHz[2] = {880.0, 1320.0};
  const double burstDelay[2] = {0.0, 0.1};
  for (int64_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    for (int channel = 0; channel < 2; ++channel) {
      double value = 0.18 * std::sin(2 * kPi * bedHz[channel] * t);
      const double sinceBurst = std::fmod(t - 0.25 - burstDelay[channel] + 10.0, 0.5);
      if (t >= 0.25 + burstDelay[channel] && sinceBurst < 0.15) {
        value += 0.6 * std::exp(-sinceBurst * 25) * std::sin(2 * kPi * burstHz[channel] * sinceBurst);
        if (sinceBurst < 0.002) value += 0.3;  // the click
      }
      audio.samples[static_cast<size_t>(2 * i + channel)] =
          static_cast<int16_t>(std::lround(std::max(-1.0, std::min(1.0, value)) * 32767));
    }
  }
  return audio;
}

bool MakeDirectory(const std::string& path, std::string& error) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return true;
    error = path + ": exists and is not a directory";
    return false;
  }
  const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  if (slash != std::string::npos && slash > 0 && !MakeDirectory(path.substr(0, slash), error)) {
    return false;
  }
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    error = path + ": cannot make the directory (" + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

std::string Join(const std::string& directory, const std::string& name) {
  return !directory.empty() && directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string FrameList(const EdgeMarks& marks) {
  std::string text;
  for (const EdgeMarks::Range& range : marks.silent) {
    if (!text.empty()) text += " and ";
    text += std::to_string(range.first) + "-" + std::to_string(range.last);
  }
  return text.empty() ? "none" : text;
}

}  // namespace

bool RunDemo(const std::string& outputDirectory, std::string& error) {
  if (!MakeDirectory(outputDirectory, error)) return false;

  RenderOptions options;
  options.input = Join(outputDirectory, "demo-input.wav");
  options.output = Join(outputDirectory, "demo-output.wav");
  options.plotPath = Join(outputDirectory, "demo.png");
  options.videoRate = 30000;
  options.videoScale = 1001;
  options.offsetMs = 100;  // the sound comes 100 ms (3 frames) later
  options.frontFrames = 3;
  options.backFrames = 2;
  options.selectionFirst = 10;
  options.selectionLast = 110;
  // The editor stands on frame 30 and presses the start button, then on frame 90 and
  // presses the end button: frames 30 to 90 are the ones at full sound.
  options.presses = {{Button::Start, 30}, {Button::End, 90}};
  options.quiet = true;

  const AudioData input = DemoEdit();
  AudioFileWriter writer;
  if (!writer.Open(options.input, input.sampleRate, input.channels, error) ||
      !writer.Write(input.samples.data(), static_cast<int64_t>(input.samples.size()) / 2, error) ||
      !writer.Close(error) || !writer.Commit(error)) {
    return false;
  }

  RenderSummary summary;
  if (!RunRender(options, summary, error)) return false;

  const EdgeMarks& marks = summary.marks;
  std::printf("brisdale demo: %.0f s of stereo at %d Hz, %d frames at 29.97 fps, through the plug-in:\n",
              kSeconds, kSampleRate, summary.frameCount);
  std::printf("  offset %+d ms: the sound comes %d ms later against the picture\n",
              summary.trackValues[TRACK_OFFSET_MS], summary.trackValues[TRACK_OFFSET_MS]);
  std::printf("  selection %d-%d, front %d, back %d; start pressed on frame 30, end on frame 90,\n",
              *options.selectionFirst, *options.selectionLast, *options.frontFrames,
              *options.backFrames);
  std::printf("  which made the selection %d-%d: ramp-in frame %d, ramp-out frame %d, silent %s\n",
              marks.selectionStart, marks.selectionEnd, marks.rampIn, marks.rampOut,
              FrameList(marks).c_str());
  std::printf("  input   %s\n  output  %s\n  picture %s\n", options.input.c_str(),
              options.output.c_str(), options.plotPath.c_str());
  return true;
}

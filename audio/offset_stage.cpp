// The offset stage: moves the frame's sound against the picture by offsetMs.
//
// Every call asks the host for the file's rates, reads the frames around the current
// one end to end into a gather buffer of its own, copies one frame's worth out of it
// at the shifted position, and releases the buffer. With d the shift in samples per
// channel and s(f) the sample at which frame f starts in the edit, sample k of the
// new frame is the edit's sample s(f) + k + d for a negative offset (the sound comes
// earlier) and s(f) + k - d for a positive one (it comes later), and silence where
// that lies outside the edit.
//
// What the host answers is checked before it can cost memory safety: file rates that
// are not positive, or that would need a buffer no 32-bit process could hold, leave
// the frame alone; a frame length outside what the rates allow counts as empty; and
// the copy reads only audio that was gathered, with silence for the rest.

#include "audio/offset_stage.h"

#include <cstdlib>
#include <cstring>

#include "host/tracks.h"

namespace {

// The offset slider's largest magnitude. The number of frames gathered rests on it,
// so that every offset on the slider is covered at ordinary frame rates.
constexpr int32_t kLargestOffsetMs = 599;
// The shift uses 0.001 in single precision, 0.0010000000474974513; at the usual
// sample rates it truncates like the exact value, for every offset on the slider.
constexpr double kSecondsPerMs = static_cast<double>(0.001f);

int64_t CeilDiv(int64_t numerator, int64_t denominator) {
  return (numerator + denominator - 1) / denominator;
}

// The gather's dimensions for one offset.
struct GatherPlan {
  int32_t shift;       // d, samples per channel
  int32_t frameLimit;  // longest frame the host may write, samples per channel
  int32_t frames;      // frames to gather, the current one included
};

// Works out the gather from the file's rates and an offset. False when the rates are
// not positive or give frames shorter than a sample, the offset lies beyond the
// slider, or the buffer would be too large to exist: then the stage does nothing.
bool PlanGather(const FileInfo& file, int32_t channels, int32_t offsetMs, GatherPlan* plan) {
  if (file.videoRate <= 0 || file.videoScale <= 0 || file.audioRate <= 0) return false;
  // The slider holds no larger offset. A host that hands one over anyway would have the
  // gather grow with it, to millions of frames and hundreds of megabytes at low frame
  // rates; such a frame is left as it is.
  if (offsetMs < -kLargestOffsetMs || offsetMs > kLargestOffsetMs) return false;

  // 1 + trunc(599 / frame rate) frames: 20 at 29.97 and 30 fps, 25 at 23.976 fps.
  // With positive 32-bit rates the quotient is below 599 * 2^31, so it converts to 64
  // bits in range; a gather count too large for any buffer is refused further down.
  const double frameRate = static_cast<double>(file.videoRate) / file.videoScale;
  const int64_t gatherCount = 1 + static_cast<int64_t>(kLargestOffsetMs / frameRate);

  // trunc(|offsetMs| * audioRate * 0.001): the exact product first, then the
  // single-precision 0.001, then truncation. Below 599 * 2^31 * 0.001 < 2^31.
  const int64_t magnitude = offsetMs < 0 ? -static_cast<int64_t>(offsetMs) : offsetMs;
  const int64_t shiftSamples =
      static_cast<int64_t>(static_cast<double>(magnitude * file.audioRate) * kSecondsPerMs);

  // Frame k of the host starts near k * samplesPerFrame, samplesPerFrame being
  // audioRate * videoScale / videoRate. No frame is longer than its ceiling; one more
  // sample of room allows for hosts that round the frames' edges the other way.
  const int64_t audioPerScale = static_cast<int64_t>(file.audioRate) * file.videoScale;
  // A frame shorter than one sample is no frame of sound: such rates would have the
  // gather read millions of frames for an ordinary offset.
  if (audioPerScale < file.videoRate) return false;
  const int64_t frameLimit = CeilDiv(audioPerScale, file.videoRate) + 1;

  // Any run of j frames holds at least floor(j * samplesPerFrame) samples. At high
  // frame rates the gather count's frames can span less than the shift (above 150 ms
  // at 60 fps); gather as many more as the shift needs, so that every offset on the
  // slider gives the exact shifted sound. Where the gather count already spans the
  // shift, it is used as it is.
  const int64_t framesSpanningShift = CeilDiv(shiftSamples * file.videoRate, audioPerScale);
  const int64_t frames = gatherCount > framesSpanningShift + 1 ? gatherCount : framesSpanningShift + 1;

  // Every frame gets frameLimit samples of room, so the host can write a whole frame
  // wherever it is told, and a silent frame repeating the edge frame's length fits too.
  if (frames > kLargestHostBufferBytes / 2 / channels / frameLimit) return false;
  plan->shift = static_cast<int32_t>(shiftSamples);
  plan->frameLimit = static_cast<int32_t>(frameLimit);
  plan->frames = static_cast<int32_t>(frames);
  return true;
}

// The gather buffer and how much of it holds audio.
struct Gather {
  int16_t* samples;
  int64_t gathered;  // interleaved samples, end to end from the start
  int32_t channels;
  int32_t frameLimit;
};

// Appends one frame's sound, read through the host at the end of what is gathered.
// A silent frame is read too, to learn its length, then zeroed. A length that no
// frame at these rates can have (negative, or beyond the frame limit) counts as 0.
void AppendFrame(const FilterTable* filter, const ProcInfo* info, int32_t frame, bool silent,
                 Gather* gather) {
  int16_t* position = gather->samples + gather->gathered;
  int32_t length = filter->hostFunctions->ReadFrameAudio(info->editHandle, frame, position);
  if (length < 0 || length > gather->frameLimit) length = 0;
  const int64_t values = static_cast<int64_t>(length) * gather->channels;
  if (silent) std::memset(position, 0, static_cast<size_t>(values) * sizeof(int16_t));
  gather->gathered += values;
}

// Negative offset: the current frame and the ones after it, in ascending order; past
// the edit's last frame, silent frames with the last frame's length.
void GatherForward(const FilterTable* filter, const ProcInfo* info, int32_t frames,
                   Gather* gather) {
  const int32_t lastFrame = info->frameCount - 1;
  for (int32_t i = 0; i < frames; ++i) {
    const int64_t frame = static_cast<int64_t>(info->currentFrame) + i;
    const bool silent = frame > lastFrame;
    AppendFrame(filter, info, silent ? lastFrame : static_cast<int32_t>(frame), silent, gather);
  }
}

// Positive offset: the frames up to the current one, in ascending order; before the
// edit's first frame, silent frames with frame 0's length. Returns where the current
// frame's sound starts in the buffer.
int64_t GatherBackward(const FilterTable* filter, const ProcInfo* info, int32_t frames,
                       Gather* gather) {
  const int64_t firstFrame = static_cast<int64_t>(info->currentFrame) - (frames - 1);
  for (int32_t i = 0; i < frames - 1; ++i) {
    const int64_t frame = firstFrame + i;
    const bool silent = frame < 0;
    AppendFrame(filter, info, silent ? 0 : static_cast<int32_t>(frame), silent, gather);
  }
  const int64_t currentFrameStart = gather->gathered;
  AppendFrame(filter, info, info->currentFrame, false, gather);
  return currentFrameStart;
}

// Fills the frame with `count` gathered samples from index `first` on; wherever that
// window reaches outside the gathered audio, the frame gets silence.
void CopyWindow(const Gather& gather, int64_t first, int16_t* frame, int64_t count) {
  const int64_t begin = first < 0 ? 0 : first;
  const int64_t end = first + count < gather.gathered ? first + count : gather.gathered;
  if (begin >= end) {
    std::memset(frame, 0, static_cast<size_t>(count) * sizeof(int16_t));
    return;
  }
  const int64_t lead = begin - first;  // silent samples before the gathered audio
  std::memset(frame, 0, static_cast<size_t>(lead) * sizeof(int16_t));
  std::memcpy(frame + lead, gather.samples + begin, static_cast<size_t>(end - begin) * sizeof(int16_t));
  const int64_t tail = count - lead - (end - begin);
  std::memset(frame + lead + (end - begin), 0, static_cast<size_t>(tail) * sizeof(int16_t));
}

// A frame the stage can work on: a buffer, a channel count, and a current frame that
// lies in the edit, so every frame index handed back to the host does too.
bool IsWorkableFrame(const ProcInfo* info) {
  return info->audioData != nullptr && info->audioCount >= 0 && info->audioChannels >= 1 &&
         static_cast<int64_t>(info->audioCount) * info->audioChannels * 2 <= kLargestHostBufferBytes &&
         info->frameCount >= 1 && info->currentFrame >= 0 &&
         info->currentFrame < info->frameCount;
}

}  // namespace

void RunOffsetStage(FilterTable* filter, const ProcInfo* info) {
  int32_t* trackValues = filter->trackValues;
  const int32_t requestedOffsetMs = trackValues[TRACK_OFFSET_MS];
  if (requestedOffsetMs == 0 || !IsWorkableFrame(info)) return;

  FileInfo file = {};
  if (filter->hostFunctions->GetFileInfo(info->editHandle, &file) != 1) return;
  const int32_t channels = info->audioChannels;
  GatherPlan room;
  if (!PlanGather(file, channels, requestedOffsetMs, &room)) return;

  const size_t bufferSamples = static_cast<size_t>(room.frames) * room.frameLimit * channels;
  Gather gather = {static_cast<int16_t*>(std::malloc(bufferSamples * sizeof(int16_t))), 0,
                   channels, room.frameLimit};
  if (gather.samples == nullptr) {
    // Switch the offset off rather than fail on every frame; the slider shows 0.
    trackValues[TRACK_OFFSET_MS] = 0;
    filter->hostFunctions->RefreshFilterWindow(filter);
    return;
  }

  // The offset is read again here, and this value decides the direction and the shift.
  // Only a slider moved between the two reads needs a plan of its own; the buffer
  // holds room.frames frames whatever it says.
  const int32_t offsetMs = trackValues[TRACK_OFFSET_MS];
  GatherPlan plan = room;
  if (offsetMs != 0 && (offsetMs == requestedOffsetMs || PlanGather(file, channels, offsetMs, &plan))) {
    const int32_t frames = plan.frames < room.frames ? plan.frames : room.frames;
    const int64_t shift = static_cast<int64_t>(plan.shift) * channels;
    const int64_t frameValues = static_cast<int64_t>(info->audioCount) * channels;
    if (offsetMs < 0) {
      GatherForward(filter, info, frames, &gather);
      CopyWindow(gather, shift, info->audioData, frameValues);
    } else {
      const int64_t currentFrameStart = GatherBackward(filter, info, frames, &gather);
      CopyWindow(gather, currentFrameStart - shift, info->audioData, frameValues);
    }
  }
  std::free(gather.samples);
}

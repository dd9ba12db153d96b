// FilterProc per frame at 29.97 frames per second, 48000 Hz stereo, through the
// reference host with call recording off, beside a plain memcpy of the bytes each
// case must move: the host's reads of the frames the offset stage gathers, plus one
// copy of the frame. After the run, each case's time is printed against its memcpy.
//
// Two ways in for each case:
//   Host/...       ReferenceHost::ProcessFrame, the whole of what the host does for a
//                  frame (fresh guarded buffer, guard checks, copies in and out);
//   FilterProc/... the procedure alone, called through the live record's word 12 on a
//                  buffer prepared once; the services are still the reference host's.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/common/edits.h"

namespace {

constexpr int32_t kFrames = 120;      // four seconds of edit
constexpr int32_t kFrame = 60;        // the frame processed: far from both ends
constexpr int32_t kGatherCount = 20;  // frames the offset stage reads at 29.97 fps

// 29.97 fps at 48000 Hz stereo, noise-like sound.
Edit BenchEdit() {
  Edit timing;
  timing.audioRate = 48000;
  timing.videoRate = 30000;
  timing.videoScale = 1001;
  return NoiseEdit(48000, 2, 30000, 1001, FrameStart(timing, kFrames), 12345);
}

struct Case {
  const char* name;
  int32_t offsetMs;
  int32_t selectionStart;  // the selection runs to the last frame
  int32_t frontFrames;
  int32_t gathered;        // frames the offset stage reads through the host
};

// Idle: no offset, the frame inside the selection, nothing to do but ask for it.
// Ramp: the frame is the ramp-in frame (selection start + 1 - 1).
const Case kCases[] = {
    {"idle", 0, 0, 0, 0},
    {"offset-100ms", -100, 0, 0, kGatherCount},
    {"offset+100ms", 100, 0, 0, kGatherCount},
    {"ramp", 0, kFrame, 1, 0},
};

void Prepare(ReferenceHost& host, const Case& c) {
  host.recordCalls = false;
  host.hasSelection = true;
  host.selectionStart = c.selectionStart;
  host.selectionEnd = host.frameCount() - 1;
  host.trackValues()[TRACK_FRONT_FRAMES] = c.frontFrames;
  host.trackValues()[TRACK_BACK_FRAMES] = 0;
  host.trackValues()[TRACK_OFFSET_MS] = c.offsetMs;
}

void Host(benchmark::State& state, const Case& c) {
  ReferenceHost host(GetFilterTable, BenchEdit());
  Prepare(host, c);
  std::vector<int16_t> audio;
  for (auto _ : state) {
    host.ProcessFrame(kFrame, audio);
    benchmark::DoNotOptimize(audio.data());
  }
  if (!host.faults.empty()) state.SkipWithError(host.faults.front().c_str());
}

void FilterProcAlone(benchmark::State& state, const Case& c) {
  ReferenceHost host(GetFilterTable, BenchEdit());
  Prepare(host, c);
  std::vector<int16_t> audio = FrameSound(host.edit, kFrame);
  ProcInfo info = {};
  info.currentFrame = kFrame;
  info.frameCount = host.frameCount();
  info.audioData = audio.data();
  info.audioCount = FrameLength(host.edit, kFrame);
  info.audioChannels = host.edit.channels;
  info.editHandle = host.editHandle();
  FilterTable* filter = host.liveFilter();
  for (auto _ : state) {
    filter->filterProc(filter, &info);
    benchmark::DoNotOptimize(audio.data());
  }
}

// The same bytes with memcpy: each gathered frame from the edit into a gather
// buffer, then one frame's worth into the frame.
void Memcpy(benchmark::State& state, const Case& c) {
  const Edit edit = BenchEdit();
  const int32_t first = c.offsetMs > 0 ? kFrame - (c.gathered - 1) : kFrame;
  std::vector<int16_t> gather(static_cast<size_t>(FrameStart(edit, kGatherCount + 1)) * 2);
  std::vector<int16_t> frame(static_cast<size_t>(FrameLength(edit, kFrame)) * 2);
  const size_t frameBytes = frame.size() * sizeof(int16_t);
  for (auto _ : state) {
    int16_t* at = gather.data();
    for (int32_t i = 0; i < c.gathered; ++i) {
      const size_t values = static_cast<size_t>(FrameLength(edit, first + i)) * 2;
      std::memcpy(at, edit.samples.data() + FrameStart(edit, first + i) * 2, values * sizeof(int16_t));
      at += values;
    }
    const int16_t* source = c.gathered > 0 ? gather.data() + 2 * 4800
                                           : edit.samples.data() + FrameStart(edit, kFrame) * 2;
    std::memcpy(frame.data(), source, frameBytes);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
}

// Collects every run's time per iteration, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
  }
  void PrintRatios() const {
    std::printf("\nper frame, against memcpy of the same bytes (aim: at most 1.5x)\n");
    std::printf("%-14s %12s %12s %12s %9s %9s\n", "case", "memcpy ns", "FilterProc", "host frame",
                "alone", "w/ host");
    for (const Case& c : kCases) {
      const std::string name = c.name;
      const double copy = Time("Memcpy/" + name);
      const double alone = Time("FilterProc/" + name);
      const double host = Time("Host/" + name);
      if (copy == 0 || alone == 0 || host == 0) continue;  // filtered out of this run
      std::printf("%-14s %12.0f %12.0f %12.0f %8.2fx %8.2fx\n", c.name, copy, alone, host,
                  alone / copy, host / copy);
    }
  }

 private:
  double Time(const std::string& name) const {
    auto found = times_.find(name);
    return found == times_.end() ? 0.0 : found->second;
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  // The same allocator setting as brisdale: keep released memory in the process, so
  // the gather buffer taken and released per frame is not faulted in anew each time.
  // --glibc-default leaves glibc's own setting, to see what that costs.
  bool glibcDefault = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--glibc-default") == 0) {
      glibcDefault = true;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  if (!glibcDefault) {
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
  }
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("Memcpy/") + c.name).c_str(), Memcpy, c);
    benchmark::RegisterBenchmark((std::string("FilterProc/") + c.name).c_str(), FilterProcAlone, c);
    benchmark::RegisterBenchmark((std::string("Host/") + c.name).c_str(), Host, c);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}

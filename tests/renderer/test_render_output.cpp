// `brisdale render` writes what the reference host renders when driven directly:
// same sliders, selection, unsaved frames and presses, every frame in order.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <optional>

#include "host/tracks.h"
#include "plugin/get_filter_table.h"
#include "refhost/reference_host.h"
#include "tests/renderer/renderer_fixture.h"

namespace {

struct PressAt {
  UINT controlId;  // 40001 start, 40002 end
  int32_t frame;
};

struct RenderCase {
  const char* name;
  int32_t sampleRate;
  int32_t channels;
  double seconds;
  int inputFormat;           // how the input file is stored
  const char* outputName;    // its extension picks the output format
  std::vector<std::string> args;
  // What the host is told directly.
  int32_t videoRate, videoScale;
  int32_t front, back, offsetMs;
  bool selection;
  int32_t first, last;       // last -1: the edit's last frame
  std::vector<PressAt> presses;
  std::vector<int32_t> unsaved;
};

const int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

const RenderCase kCases[] = {
    {"defaults change nothing", 48000, 2, 1.0, kWav16, "out.wav", {},
     30000, 1001, 0, 0, 0, true, 0, -1, {}, {}},
    {"mono, negative offset, 25 fps", 44100, 1, 2.0, kWav16, "out.wav",
     {"--fps", "25", "--offset-ms", "-37"},
     25, 1, 0, 0, -37, true, 0, -1, {}, {}},
    {"stereo, delay with a ramped selection", 48000, 2, 2.0, kWav16, "out.wav",
     {"--offset-ms", "120", "--select", "5:40", "--front", "3", "--back", "2"},
     30000, 1001, 3, 2, 120, true, 5, 40, {}, {}},
    {"presses in order, one on an unsaved frame", 32000, 2, 2.0, kWav16, "out.wav",
     {"--front", "1", "--back", "1", "--unsaved", "9,31", "--press", "start@10", "--press",
      "end@30", "--press", "start@12"},
     30000, 1001, 1, 1, 0, true, 0, -1, {{40001, 10}, {40002, 30}, {40001, 12}}, {9, 31}},
    {"no selection, largest offset, 24 fps", 48000, 2, 2.0, kWav16, "out.wav",
     {"--no-selection", "--offset-ms", "599", "--fps", "24/1"},
     24, 1, 0, 0, 599, false, 0, 0, {}, {}},
    {"a press makes a selection where there was none", 48000, 1, 1.0, kWav16, "out.wav",
     {"--no-selection", "--back", "4", "--press", "end@10"},
     30000, 1001, 0, 4, 0, false, 0, 0, {{40002, 10}}, {}},
    {"24-bit input, flac output", 48000, 2, 1.0, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "out.flac",
     {"--offset-ms", "-200", "--select", "3:20"},
     30000, 1001, 0, 0, -200, true, 3, 20, {}, {}},
    {"float input, aiff output", 22050, 1, 1.0, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "out.aiff",
     {"--offset-ms", "50", "--front", "2", "--back", "2", "--fps", "60000/1001"},
     60000, 1001, 2, 2, 50, true, 0, -1, {}, {}},
};

// Drives the reference host as a host would, with no file in between.
std::vector<int16_t> RenderDirectly(const RenderCase& c, Edit edit) {
  edit.videoRate = c.videoRate;
  edit.videoScale = c.videoScale;
  ReferenceHost host(GetFilterTable, std::move(edit));
  host.recordCalls = false;
  host.trackValues()[TRACK_FRONT_FRAMES] = c.front;
  host.trackValues()[TRACK_BACK_FRAMES] = c.back;
  host.trackValues()[TRACK_OFFSET_MS] = c.offsetMs;
  host.hasSelection = c.selection;
  host.selectionStart = c.first;
  host.selectionEnd = c.last < 0 ? host.frameCount() - 1 : c.last;
  host.unsavedFrames.insert(c.unsaved.begin(), c.unsaved.end());
  host.SendWindowMessage(MSG_WINDOW_INIT, 0, 0);
  for (const PressAt& press : c.presses) {
    host.currentFrame = press.frame;
    host.Press(press.controlId);
  }
  std::vector<int16_t> rendered = host.RenderEdit();
  host.SendWindowMessage(MSG_WINDOW_EXIT, 0, 0);
  EXPECT_TRUE(host.faults.empty());
  return rendered;
}

TEST(BrisdaleRender, WritesWhatTheReferenceHostRenders) {
  for (const RenderCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory scratch;
    const std::string input = scratch.Path("in.wav");
    const std::string output = scratch.Path(c.outputName);
    WriteSoundFile(input, TestSound(c.sampleRate, c.channels, c.seconds), c.inputFormat);
    // The host sees the input as libsndfile converts it to 16 bits.
    const AudioData converted = ReadSoundFile(input);

    std::vector<std::string> args = {"render", input, output, "--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProgramRun run = RunBrisdale(args);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");

    Edit edit;
    edit.audioRate = converted.sampleRate;
    edit.channels = converted.channels;
    edit.samples = converted.samples;
    const std::vector<int16_t> expected = RenderDirectly(c, edit);

    const AudioData written = ReadSoundFile(output);
    EXPECT_EQ(written.sampleRate, c.sampleRate);
    EXPECT_EQ(written.channels, c.channels);
    ASSERT_EQ(written.samples.size(), converted.samples.size());
    EXPECT_TRUE(written.samples == expected);
    // Only the input and the output are left in the directory.
    EXPECT_EQ(scratch.Entries().size(), 2u);
  }
}

// Other sample formats reach the host as 16-bit: integer formats keep their top 16
// bits, floating-point full scale 1.0 maps to 32768 and clamps beyond it.
TEST(BrisdaleRender, ConvertsInputTo16Bits) {
  const float floats[] = {0.5f, -0.5f, 0.25f, 1.0f, -1.0f, 1.5f, -1.5f, 0.0f};
  const std::vector<int16_t> fromFloats = {16384, -16384, 8192, 32767, -32768, 32767, -32768, 0};
  const int32_t ints[] = {0x40000000, -0x40000000, 0x7FFFFFFF, INT32_MIN, 0x00012345};
  const std::vector<int16_t> fromInts = {16384, -16384, 32767, -32768, 1};
  struct Case {
    const char* name;
    int format;
    std::vector<int16_t> expected;
  };
  const Case cases[] = {
      {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, fromFloats},
      {"double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, fromFloats},
      {"24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24, fromInts},
      {"32-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_32, fromInts},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory scratch;
    SF_INFO info = {};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = c.format;
    SNDFILE* file = sf_open(scratch.Path("in.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const bool isFloat = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
                         (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE;
    if (isFloat) {
      sf_writef_float(file, floats, 8);
    } else {
      sf_writef_int(file, ints, 5);
    }
    sf_close(file);
    const ProgramRun run = RunBrisdale({"render", scratch.Path("in.wav"), scratch.Path("out.wav"),
                                        "--no-selection", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadSoundFile(scratch.Path("out.wav")).samples, c.expected);
  }
}

TEST(BrisdaleRender, PlotIsAPngBesideTheSound) {
  ScratchDirectory scratch;
  WriteSoundFile(scratch.Path("in.wav"), TestSound(48000, 2, 1.0), kWav16);
  const ProgramRun run = RunBrisdale({"render", scratch.Path("in.wav"), scratch.Path("out.wav"),
                                      "--select", "4:25", "--front", "3", "--plot",
                                      scratch.Path("picture.png"), "--quiet"});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(FileBytes(scratch.Path("picture.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(scratch.Entries(), (std::vector<std::string>{"in.wav", "out.wav", "picture.png"}));
}

TEST(BrisdaleDemo, WritesInputOutputAndPicture) {
  ScratchDirectory scratch;
  const std::string directory = scratch.Path("demo/nested");
  const ProgramRun run = RunBrisdale({"demo", directory});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find(directory + "/demo.png"), std::string::npos) << run.output;
  const AudioData input = ReadSoundFile(directory + "/demo-input.wav");
  const AudioData output = ReadSoundFile(directory + "/demo-output.wav");
  EXPECT_EQ(input.samples.size(), output.samples.size());
  EXPECT_NE(input.samples, output.samples);
  EXPECT_EQ(FileBytes(directory + "/demo.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace

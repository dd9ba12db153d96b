// Every refusal of `brisdale render`: a nonzero exit, one line on stderr that starts
// with "brisdale: " and says what is wrong, and nothing written or lost: no output
// file, no temporary file, an existing output left as it was.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/renderer/renderer_fixture.h"

namespace {

struct ErrorCase {
  const char* name;
  std::vector<std::string> args;  // after "render"; IN, OUT and DIR stand for scratch paths
  const char* says;               // part of the message
};

const ErrorCase kCases[] = {
    {"missing input", {"DIR/none.wav", "OUT"}, "none.wav: No such file or directory"},
    {"input is a directory", {"DIR", "OUT"}, "is a directory"},
    {"input is not sound", {"DIR/text.wav", "OUT"}, "not a sound file that can be read"},
    {"input is an empty file", {"DIR/empty.wav", "OUT"}, "not a sound file that can be read"},
    {"input holds no sound", {"DIR/silent0.wav", "OUT"}, "holds no sound"},
    {"input has six channels", {"DIR/six.wav", "OUT"}, "6 channels; only mono and stereo"},
    {"unknown output format", {"IN", "DIR/out.mp3"}, "unknown output format '.mp3'"},
    {"output without extension", {"IN", "DIR/out"}, "unknown output format"},
    {"output is the input", {"IN", "IN"}, "is the input file"},
    {"output is the input by another name", {"IN", "DIR/./in.wav"}, "is the input file"},
    {"output is a hard link to the input", {"IN", "DIR/link.wav"}, "is the input file"},
    {"output directory missing", {"IN", "DIR/no/out.wav"}, "cannot write there"},
    {"output is a directory", {"IN", "DIR/folder.wav"}, "is a directory"},
    {"fps zero", {"IN", "OUT", "--fps", "0"}, "--fps: '0' is not a frame rate"},
    {"fps zero scale", {"IN", "OUT", "--fps", "30/0"}, "--fps: '30/0' is not a frame rate"},
    {"fps words", {"IN", "OUT", "--fps", "fast"}, "is not a frame rate"},
    {"fps fraction", {"IN", "OUT", "--fps", "29.97"}, "is not a frame rate"},
    {"fps missing value", {"IN", "OUT", "--fps"}, "--fps needs a value"},
    {"selection malformed", {"IN", "OUT", "--select", "3-9"}, "is not FIRST:LAST"},
    {"selection half", {"IN", "OUT", "--select", "3:"}, "is not FIRST:LAST"},
    {"selection past the edit", {"IN", "OUT", "--select", "0:30"}, "frame 30 is outside the edit (frames 0..29)"},
    {"selection before the edit", {"IN", "OUT", "--select", "-1:5"}, "frame -1 is outside the edit"},
    {"selection reversed", {"IN", "OUT", "--select", "9:3"}, "lies after the last"},
    {"selection and none", {"IN", "OUT", "--select", "1:2", "--no-selection"}, "exclude each other"},
    {"press malformed", {"IN", "OUT", "--press", "start10"}, "is not start@FRAME or end@FRAME"},
    {"press unknown button", {"IN", "OUT", "--press", "middle@3"}, "is not start@FRAME"},
    {"press past the edit", {"IN", "OUT", "--press", "end@30"}, "--press: frame 30 is outside the edit"},
    {"unsaved malformed", {"IN", "OUT", "--unsaved", "3,,4"}, "is not a list of frame numbers"},
    {"unsaved past the edit", {"IN", "OUT", "--unsaved", "2,99"}, "--unsaved: frame 99 is outside"},
    {"offset above range", {"IN", "OUT", "--offset-ms", "600"}, "--offset-ms 600 is outside the slider's range -599..599"},
    {"offset below range", {"IN", "OUT", "--offset-ms", "-600"}, "outside the slider's range -599..599"},
    {"offset not a number", {"IN", "OUT", "--offset-ms", "1e2"}, "is not a whole number"},
    {"front below range", {"IN", "OUT", "--front", "-1"}, "--front -1 is outside the slider's range 0..100"},
    {"back above range", {"IN", "OUT", "--back", "101"}, "--back 101 is outside the slider's range 0..100"},
    {"unknown option", {"IN", "OUT", "--loud"}, "unknown option --loud"},
    {"one file name", {"IN"}, "render needs INPUT and OUTPUT"},
    {"picture over the input", {"IN", "OUT", "--plot", "IN"}, "would overwrite the input or the output"},
    {"picture over the output", {"IN", "OUT", "--plot", "OUT"}, "would overwrite the input or the output"},
    // Refused only once the sound is rendered: the sound must not be left either.
    {"picture directory missing", {"IN", "OUT", "--plot", "DIR/no/p.png"}, "p.png: cannot write there"},
};

std::string Expand(const std::string& word, const ScratchDirectory& scratch) {
  if (word == "IN") return scratch.Path("in.wav");
  if (word == "OUT") return scratch.Path("out.wav");
  if (word == "DIR") return scratch.Path(".").substr(0, scratch.Path(".").size() - 2);
  if (word.rfind("DIR/", 0) == 0) return scratch.Path(word.substr(4));
  return word;
}

void MakeInputs(const ScratchDirectory& scratch) {
  // One second at 30000/1001: 30 frames (0..29).
  WriteSoundFile(scratch.Path("in.wav"), TestSound(8000, 2, 1.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  WriteSoundFile(scratch.Path("six.wav"), TestSound(8000, 6, 0.1), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  WriteSoundFile(scratch.Path("silent0.wav"), AudioData{8000, 2, {}}, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  std::ofstream(scratch.Path("text.wav")) << "not a sound file\n";
  std::ofstream(scratch.Path("empty.wav"));
  ASSERT_EQ(link(scratch.Path("in.wav").c_str(), scratch.Path("link.wav").c_str()), 0);
  ASSERT_EQ(mkdir(scratch.Path("folder.wav").c_str(), 0777), 0);
}

TEST(BrisdaleRenderErrors, OneLineNonzeroExitNothingWritten) {
  for (const ErrorCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory scratch;
    MakeInputs(scratch);
    const std::vector<std::string> before = scratch.Entries();
    const std::string inputBytes = FileBytes(scratch.Path("in.wav"));

    std::vector<std::string> args = {"render"};
    for (const std::string& word : c.args) args.push_back(Expand(word, scratch));
    const ProgramRun run = RunBrisdale(args);

    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.errors.rfind("brisdale: ", 0), 0u) << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line: " << run.errors;
    EXPECT_NE(run.errors.find(c.says), std::string::npos) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(scratch.Entries(), before);
    EXPECT_EQ(FileBytes(scratch.Path("in.wav")), inputBytes);
  }
}

// A refusal that comes only after the input has been read leaves an existing output
// file as it was.
TEST(BrisdaleRenderErrors, ExistingOutputSurvivesALateRefusal) {
  ScratchDirectory scratch;
  MakeInputs(scratch);
  std::ofstream(scratch.Path("out.wav")) << "the old output";
  for (const char* press : {"start@40", "end@-1"}) {
    SCOPED_TRACE(press);
    const ProgramRun run = RunBrisdale(
        {"render", scratch.Path("in.wav"), scratch.Path("out.wav"), "--press", press});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(FileBytes(scratch.Path("out.wav")), "the old output");
  }
}

TEST(BrisdaleRenderErrors, OutputThroughASymlinkToTheInputIsRefused) {
  ScratchDirectory scratch;
  MakeInputs(scratch);
  ASSERT_EQ(symlink(scratch.Path("in.wav").c_str(), scratch.Path("alias.wav").c_str()), 0);
  const std::string inputBytes = FileBytes(scratch.Path("in.wav"));
  const ProgramRun run = RunBrisdale({"render", scratch.Path("in.wav"), scratch.Path("alias.wav")});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find("is the input file"), std::string::npos) << run.errors;
  EXPECT_EQ(FileBytes(scratch.Path("in.wav")), inputBytes);
}

}  // namespace

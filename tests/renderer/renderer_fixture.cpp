#include "tests/renderer/renderer_fixture.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

ScratchDirectory::ScratchDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/brisdale-test.XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  const std::string command = "rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot remove " << path_;
}

std::vector<std::string> ScratchDirectory::Entries() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path_.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

ProgramRun RunBrisdale(const std::vector<std::string>& args) {
  // stdout and stderr go to files; fork and exec keep the arguments as they are.
  char outName[] = "/tmp/brisdale-out.XXXXXX";
  char errName[] = "/tmp/brisdale-err.XXXXXX";
  const int out = mkstemp(outName);
  const int err = mkstemp(errName);
  ProgramRun run{-1, "", ""};
  const pid_t child = fork();
  if (child == 0) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(BRISDALE_PROGRAM));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(BRISDALE_PROGRAM, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  close(out);
  close(err);
  run.output = FileBytes(outName);
  run.errors = FileBytes(errName);
  unlink(outName);
  unlink(errName);
  return run;
}

AudioData TestSound(int32_t sampleRate, int32_t channels, double seconds) {
  AudioData audio;
  audio.sampleRate = sampleRate;
  audio.channels = channels;
  const int64_t length = static_cast<int64_t>(seconds * sampleRate);
  uint32_t noise = 2463534242u;
  for (int64_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    for (int32_t channel = 0; channel < channels; ++channel) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const double sweep = std::sin(2 * 3.14159265358979 * (200 + 300 * t + 100 * channel) * t);
      const double value = 12000 * sweep + static_cast<double>(noise % 2001) - 1000.0;
      audio.samples.push_back(static_cast<int16_t>(value));
    }
  }
  return audio;
}

void WriteSoundFile(const std::string& path, const AudioData& audio, int format) {
  SF_INFO info = {};
  info.samplerate = audio.sampleRate;
  info.channels = audio.channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const sf_count_t frames = static_cast<sf_count_t>(audio.samples.size()) / audio.channels;
  EXPECT_EQ(sf_writef_short(file, audio.samples.data(), frames), frames);
  sf_close(file);
}

AudioData ReadSoundFile(const std::string& path) {
  AudioData audio;
  std::string error;
  EXPECT_TRUE(ReadAudioFile(path, audio, error)) << error;
  return audio;
}

#pragma once
// Helpers for running the brisdale program on small generated files.

#include <cstdint>
#include <string>
#include <vector>

#include "renderer/audio_file.h"

// A fresh directory per test, removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Entries() const;  // names in it, sorted

 private:
  std::string path_;
};

struct ProgramRun {
  int status;          // exit status
  std::string output;  // stdout
  std::string errors;  // stderr
};

// Runs the brisdale program with these arguments (no shell involved in their words).
ProgramRun RunBrisdale(const std::vector<std::string>& args);

// Reproducible sound: a sweep with noise, loud enough that no frame is silent.
AudioData TestSound(int32_t sampleRate, int32_t channels, double seconds);

// Writes a file through libsndfile; format is a full SF_FORMAT value.
void WriteSoundFile(const std::string& path, const AudioData& audio, int format);
// Reads a file as 16-bit samples.
AudioData ReadSoundFile(const std::string& path);
std::string FileBytes(const std::string& path);

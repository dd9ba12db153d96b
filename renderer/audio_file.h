#pragma once
// Reading and writing sound files through libsndfile.
//
// The renderer works in the host's own sample format, interleaved signed 16-bit, so
// every file is read as 16-bit and written as 16-bit PCM. libsndfile converts integer
// formats (24-bit keeps its top 16 bits); floating-point samples, full scale 1.0, are
// scaled here and clamped at full scale.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AudioData {
  int32_t sampleRate = 0;
  int32_t channels = 0;          // 1 or 2
  std::vector<int16_t> samples;  // interleaved
};

// Reads the whole file. On failure returns false with a one-line reason in error:
// missing or unreadable file, a format libsndfile does not know, no sound at all,
// more than two channels.
bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error);

// The libsndfile major format for a file name's extension (wav, flac, aiff, ...),
// 0 when the extension names no format the renderer writes.
int OutputFormatForPath(const std::string& path);

// Whether the renderer can write a file of that name: its extension names a format.
// False with a one-line reason in error when not.
bool CheckOutputFormat(const std::string& path, std::string& error);

// Whether the two paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// Writes a sound file frame by frame, as 16-bit PCM, under a temporary name beside
// the final one (see PendingFile); Commit renames it into place.
class AudioFileWriter {
 public:
  AudioFileWriter();
  ~AudioFileWriter();  // an uncommitted file is removed
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  bool Open(const std::string& path, int32_t sampleRate, int32_t channels, std::string& error);
  // frames: samples per channel in `interleaved`.
  bool Write(const int16_t* interleaved, int64_t frames, std::string& error);
  // Closes the file and checks that everything reached it.
  bool Close(std::string& error);
  bool Commit(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

#include "renderer/audio_file.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <vector>

#include "renderer/pending_file.h"

namespace {

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// libsndfile hands floating-point samples to sf_readf_short unscaled (0.5 becomes 0 or
// 1), or scaled to the file's own peak when asked. Full scale is 1.0 here, as in
// libsndfile's own 16-bit to float conversion (x / 32768): read floats and scale them,
// clamping what lies beyond full scale instead of letting it wrap around.
sf_count_t ReadFloatAsShort(SNDFILE* file, int16_t* out, sf_count_t frames, int channels) {
  constexpr sf_count_t kChunkFrames = 65536;
  std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * channels);
  sf_count_t done = 0;
  while (done < frames) {
    const sf_count_t got = sf_readf_float(file, chunk.data(), std::min(kChunkFrames, frames - done));
    if (got <= 0) break;
    const size_t values = static_cast<size_t>(got) * channels;
    for (size_t i = 0; i < values; ++i) {
      double scaled = std::nearbyint(static_cast<double>(chunk[i]) * 32768.0);
      if (std::isnan(scaled)) scaled = 0;
      out[static_cast<size_t>(done) * channels + i] =
          static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, scaled)));
    }
    done += got;
  }
  return done;
}

}  // namespace

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    error = path + ": is a directory";
    return false;
  }
  if (access(path.c_str(), R_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = path + ": not a sound file that can be read (" + sf_strerror(nullptr) + ")";
    return false;
  }
  bool ok = true;
  if (info.channels < 1 || info.channels > 2) {
    error = path + ": " + std::to_string(info.channels) +
            " channels; only mono and stereo files can be rendered";
    ok = false;
  } else if (info.samplerate <= 0) {
    error = path + ": no sample rate";
    ok = false;
  } else if (info.frames <= 0) {
    error = path + ": the file holds no sound";
    ok = false;
  } else if (info.frames > INT32_MAX) {
    error = path + ": too long to render";
    ok = false;
  }
  if (ok) {
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.assign(static_cast<size_t>(info.frames) * info.channels, 0);
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const sf_count_t got = (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE)
                               ? ReadFloatAsShort(file, audio.samples.data(), info.frames, info.channels)
                               : sf_readf_short(file, audio.samples.data(), info.frames);
    if (got <= 0) {
      error = path + ": cannot read the sound (" + sf_strerror(file) + ")";
      ok = false;
    } else {
      // A file whose header promises more than it holds: keep what is there.
      audio.samples.resize(static_cast<size_t>(got) * info.channels);
    }
  }
  sf_close(file);
  return ok;
}

int OutputFormatForPath(const std::string& path) {
  struct Known {
    const char* extension;
    int format;
  };
  static const Known kKnown[] = {
      {"wav", SF_FORMAT_WAV},   {"wave", SF_FORMAT_WAV}, {"flac", SF_FORMAT_FLAC},
      {"aiff", SF_FORMAT_AIFF}, {"aif", SF_FORMAT_AIFF}, {"au", SF_FORMAT_AU},
      {"snd", SF_FORMAT_AU},    {"caf", SF_FORMAT_CAF},  {"w64", SF_FORMAT_W64},
  };
  const std::string extension = Extension(path);
  for (const Known& known : kKnown) {
    if (extension == known.extension) return known.format;
  }
  return 0;
}

bool CheckOutputFormat(const std::string& path, std::string& error) {
  if (OutputFormatForPath(path) != 0) return true;
  const std::string extension = Extension(path);
  error = path + ": unknown output format " +
          (extension.empty() ? std::string("(no extension)") : "'." + extension + "'") +
          "; use .wav, .flac, .aiff, .aif, .au, .snd, .caf or .w64";
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

struct AudioFileWriter::State {
  PendingFile file;
  SNDFILE* sound = nullptr;
};

AudioFileWriter::AudioFileWriter() : state_(new State) {}

AudioFileWriter::~AudioFileWriter() {
  if (state_->sound != nullptr) sf_close(state_->sound);
}

bool AudioFileWriter::Open(const std::string& path, int32_t sampleRate, int32_t channels,
                           std::string& error) {
  if (!CheckOutputFormat(path, error)) return false;
  const int format = OutputFormatForPath(path);
  SF_INFO info = {};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = format | SF_FORMAT_PCM_16;
  if (!sf_format_check(&info)) {
    error = path + ": this format cannot hold " + std::to_string(channels) + " channels at " +
            std::to_string(sampleRate) + " Hz in 16-bit PCM";
    return false;
  }
  const int descriptor = state_->file.Create(path, error);
  if (descriptor < 0) return false;
  state_->sound = sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
  if (state_->sound == nullptr) {
    error = path + ": cannot write (" + sf_strerror(nullptr) + ")";
    return false;
  }
  return true;
}

bool AudioFileWriter::Write(const int16_t* interleaved, int64_t frames, std::string& error) {
  if (frames <= 0) return true;
  if (sf_writef_short(state_->sound, interleaved, frames) != frames) {
    error = state_->file.finalPath() + ": write failed (" + sf_strerror(state_->sound) + ")";
    return false;
  }
  return true;
}

bool AudioFileWriter::Close(std::string& error) {
  const int closed = sf_close(state_->sound);
  state_->sound = nullptr;
  if (closed != 0) {
    error = state_->file.finalPath() + ": write failed (" + sf_error_number(closed) + ")";
    return false;
  }
  return true;
}

bool AudioFileWriter::Commit(std::string& error) { return state_->file.Commit(error); }

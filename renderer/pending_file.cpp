#include "renderer/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

PendingFile::~PendingFile() {
  if (!committed_ && !temporaryPath_.empty()) unlink(temporaryPath_.c_str());
}

int PendingFile::Create(const std::string& finalPath, std::string& error) {
  struct stat status;
  if (stat(finalPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    error = finalPath + ": is a directory";
    return -1;
  }
  // Same directory, so that the rename stays on one file system and replaces an old
  // file in one step.
  const size_t slash = finalPath.find_last_of('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "" : finalPath.substr(0, slash));
  const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
  std::string pattern = directory + "/." + base + ".XXXXXX";
  const int descriptor = mkstemp(&pattern[0]);
  if (descriptor < 0) {
    error = finalPath + ": cannot write there (" + std::strerror(errno) + ")";
    return -1;
  }
  finalPath_ = finalPath;
  temporaryPath_ = pattern;
  // mkstemp makes the file private; give it the permissions a new file would get.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  return descriptor;
}

bool PendingFile::Commit(std::string& error) {
  if (rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
    error = finalPath_ + ": cannot put the file in place (" + std::strerror(errno) + ")";
    return false;
  }
  committed_ = true;
  return true;
}

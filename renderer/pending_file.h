#pragma once
// A file written under a temporary name beside its final one and renamed into place
// only once it is complete. Until then an existing file of the final name is left as
// it was; a pending file never committed is removed.

#include <string>

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the temporary file; returns its descriptor, or -1 with error set.
  int Create(const std::string& finalPath, std::string& error);
  // Renames it to the final name.
  bool Commit(std::string& error);

  const std::string& finalPath() const { return finalPath_; }
  const std::string& temporaryPath() const { return temporaryPath_; }

 private:
  std::string finalPath_;
  std::string temporaryPath_;
  bool committed_ = false;
};

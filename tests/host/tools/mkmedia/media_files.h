// Scratch directory and file helpers for the builder's end-to-end tests.
#pragma once

#include <string>

namespace drx::testing {

// A fresh directory under $TMPDIR (or /tmp), removed with its contents on destruction.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Runs a shell command, capturing stdout and stderr into the given strings; returns the exit code.
int runCapture(const std::string& command, std::string& out, std::string& err, const ScratchDirectory& dir);
std::string shellQuote(const std::string& text);

}  // namespace drx::testing

// Runtime directories for the search tests, made from the stand-in runtime's binaries.
#pragma once

#include <string>

namespace drx::test {

enum class Layout { kBin, kJreBin };

// Makes directory\bin\java.exe (or directory\jre\bin\java.exe) from the stand-in, with
// standin.cfg at directory holding config (for example java.firstLine=...).
void makeStandinRuntime(const std::string& directory, const std::string& config, Layout layout = Layout::kBin,
                        bool withJavaw = false);
// How often the runtime's java.exe has run (its run counter file).
int javaRuns(const std::string& directory, Layout layout = Layout::kBin);
void setStandinConfig(const std::string& directory, const std::string& config);

}  // namespace drx::test

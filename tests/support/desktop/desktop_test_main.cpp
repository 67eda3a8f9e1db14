// GoogleTest entry for tests that run inside a wine virtual desktop: explorer does not pass the
// program's exit code on, so the result also goes to the file the runner names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (const char* exitCodeFile = std::getenv("DRX_EXIT_CODE_FILE")) {
    if (FILE* file = std::fopen(exitCodeFile, "w")) {
      std::fprintf(file, "%d\n", result);
      std::fclose(file);
    }
  }
  std::fflush(stdout);
  return result;
}

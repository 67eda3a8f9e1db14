// Benchmark: a runtime search over 20 candidate directories against one, both with a warm version cache.
//
// Every candidate's version is already in the cache (keyed by path and file time), so no
// candidate is started; the java.exe files are empty and could not run. The first 19
// directories hold versions below the range, the last one an accepted version, so the long
// search checks 20 candidates and the short one a single one.
//
// Given a runnable java.exe (the stand-in runtime's) as its argument, it also times a cold
// search over one directory, whose cache entry is removed before every round: the cost the
// cache saves per candidate.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/payload/property_ids.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_runtime.h"
#include "launcher/jvm/jvm_registry.h"
#include "launcher/jvm/portable/runtime_search.h"
#include "launcher/launcher_properties.h"

using namespace drx::launcher;

namespace {

constexpr int kCandidates = 20;
constexpr int kRounds = 40;
constexpr int kColdRounds = 5;

std::string makeRuntime(const std::string& root, int index, const char* version) {
  char name[32];
  snprintf(name, sizeof name, "\\r%02d", index);
  const std::string directory = root + name;
  CreateDirectoryA(directory.c_str(), nullptr);
  CreateDirectoryA((directory + "\\bin").c_str(), nullptr);
  const std::string java = directory + "\\bin\\java.exe";
  HANDLE file =
      CreateFileA(java.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(file);
  FILETIME time = {};
  fileTime(java.c_str(), &time);
  storeCachedVersion(normalisePath(java),
                     (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime, version);
  return directory;
}

// Milliseconds per search, and whether every search found the expected runtime.
double timeSearches(const std::string& sequence, const std::string& expected, bool& allFound) {
  setProperty(drx::payload::kJreSearchSequence, sequence);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int round = 0; round < kRounds; ++round) {
    const std::optional<std::string> found = searchForRuntime();
    if (!found || *found != expected) allFound = false;
  }
  QueryPerformanceCounter(&end);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart) / kRounds;
}

}  // namespace

// A search over one directory whose java.exe must run every time.
double timeColdSearches(const std::string& root, const char* javaExe, bool& allFound) {
  const std::string directory = root + "\\cold";
  CreateDirectoryA(directory.c_str(), nullptr);
  CreateDirectoryA((directory + "\\bin").c_str(), nullptr);
  const std::string java = directory + "\\bin\\java.exe";
  CopyFileA(javaExe, java.c_str(), FALSE);
  const std::string key = versionCacheKeyName(normalisePath(java));
  setProperty(drx::payload::kJreSearchSequence, "A" + directory);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  double total = 0;
  for (int round = 0; round < kColdRounds; ++round) {
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    QueryPerformanceCounter(&start);
    const std::optional<std::string> found = searchForRuntime();
    QueryPerformanceCounter(&end);
    if (!found || *found != normalisePath(java)) allFound = false;
    total += static_cast<double>(end.QuadPart - start.QuadPart);
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  DeleteFileA(java.c_str());
  DeleteFileA((directory + "\\bin\\java-runs.txt").c_str());
  RemoveDirectoryA((directory + "\\bin").c_str());
  RemoveDirectoryA(directory.c_str());
  return 1000.0 * total / static_cast<double>(frequency.QuadPart) / kColdRounds;
}

int main(int argc, char** argv) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string root = std::string(temp) + "drx_bench_search_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(root.c_str(), nullptr);
  setProperty(drx::payload::kMinJavaVersion, "1.5");

  std::string many;
  std::string last;
  for (int i = 0; i < kCandidates; ++i) {
    last = makeRuntime(root, i, i + 1 < kCandidates ? "1.4.2_19" : "1.6.0_21");
    many += "A" + last + ";";
  }
  const std::string expected = normalisePath(last + "\\bin\\java.exe");

  bool allFound = true;
  timeSearches("A" + last, expected, allFound);  // settle file-system and registry caches
  const double one = timeSearches("A" + last, expected, allFound);
  const double twenty = timeSearches(many, expected, allFound);
  printf("warm-cache runtime search, %d rounds each\n", kRounds);
  printf("  1 candidate directory:   %8.3f ms per search\n", one);
  printf("  %d candidate directories: %8.3f ms per search\n", kCandidates, twenty);
  printf("  ratio 20/1: %.1f (20 candidates checked against 1)\n", twenty / one);
  if (argc > 1) {
    const double cold = timeColdSearches(root, argv[1], allFound);
    printf("  1 candidate, cold cache:  %8.3f ms per search (java.exe runs)\n", cold);
    printf("  ratio warm 20 / cold 1: %.2f\n", twenty / cold);
  }
  if (!allFound) printf("  ERROR: a search did not find the expected runtime\n");

  for (int i = 0; i < kCandidates; ++i) {
    char name[32];
    snprintf(name, sizeof name, "\\r%02d", i);
    DeleteFileA((root + name + "\\bin\\java.exe").c_str());
    RemoveDirectoryA((root + name + "\\bin").c_str());
    RemoveDirectoryA((root + name).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER,
                   versionCacheKeyName(normalisePath(root + name + "\\bin\\java.exe")).c_str());
  }
  RemoveDirectoryA(root.c_str());
  return allFound ? 0 : 1;
}

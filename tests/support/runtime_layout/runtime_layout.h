// Test helpers that lay out stand-in Java runtimes in the shapes the launcher looks for, and pack them as
// jre.tar.gz.
#ifndef DRX_TESTS_RUNTIME_LAYOUT_H
#define DRX_TESTS_RUNTIME_LAYOUT_H

#include "tar_gz_writer.h"

#include <string>
#include <vector>

namespace standin {

struct RuntimeSpec {
  // bin\<type>\jvm.dll for each type: hotspot, client, server, classic, jrockit or any other name.
  std::vector<std::string> vmTypes = {"client"};
  bool javaExe = true;
  bool javawExe = true;
  bool unpack200 = true;
  // A development kit: the runtime proper (bin with its jvm.dll folders, lib) goes under jre\, the
  // kit's own bin holds java.exe and javaw.exe without jvm.dll folders, and lib\tools.jar exists.
  bool developmentKit = false;
  // Jars (relative to the runtime proper, e.g. "lib\\rt.jar") written packed as <jar>.pack and
  // plain; the plain content is jarContent(jar).
  std::vector<std::string> packedJars;
  std::vector<std::string> plainJars;
  // Written as standin.cfg at the root (see standin_config.h); empty: no file.
  std::string config;
};

// The folder of the built stand-in binaries (jvm.dll, java.exe, javaw.exe, unpack200.exe).
std::wstring standinBinaryDirectory();
// "/work/x" (a path of the machine wine runs on) as "Z:\work\x"; other paths unchanged.
std::wstring windowsPath(const std::string& path);

// Creates `root` and the runtime in it. False when a file cannot be made.
bool layOutRuntime(const std::wstring& root, const RuntimeSpec& plan);

// The bytes every helper writes for a jar, so tests can check an unpacked jar.
std::string jarContent(const std::string& jarPath);

// Tar entries for every file and folder below `root`, '/'-separated, each path prefixed with
// `prefix` ("" for a tree stored directly, "jre/" for one under a top-level jre folder, which then
// gets its own directory entry). Folders come before their contents.
std::vector<TarEntry> treeEntries(const std::wstring& root, const std::string& prefix);

// Writes gzip(makeTar(entries)) to `archive`.
bool writeTarGz(const std::wstring& archive, const std::vector<TarEntry>& entries);

// jre.tar.gz of a laid-out runtime, stored directly or under a top-level "jre/" folder. Returns the
// uncompressed tar size (what the payload's includedJreSize holds), 0 when writing failed.
size_t writeRuntimeArchive(const std::wstring& runtimeRoot, const std::wstring& archive,
                           bool underTopLevelJre);

}  // namespace standin

#endif

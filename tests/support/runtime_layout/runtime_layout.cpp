// Lays out stand-in runtimes on disk and packs directory trees as jre.tar.gz.
#include "runtime_layout.h"

#include "pack_format.h"
#include "standin_host.h"

#include <windows.h>

namespace standin {

namespace {

bool makeDirectories(const std::wstring& path) {
  if (path.empty()) return true;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!makeDirectories(directoryOf(path))) return false;
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool copyStandin(const wchar_t* name, const std::wstring& targetDirectory) {
  return makeDirectories(targetDirectory) && CopyFileW((standinBinaryDirectory() + L"\\" + name).c_str(),
                                                       (targetDirectory + L"\\" + name).c_str(), FALSE);
}

bool writeAt(const std::wstring& path, std::string_view bytes) {
  return makeDirectories(directoryOf(path)) && writeFile(path, bytes);
}

}  // namespace

std::wstring windowsPath(const std::string& path) {
  std::wstring wide = widen(path);
  if (wide.empty() || wide[0] != L'/') return wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return L"Z:" + wide;
}

std::wstring standinBinaryDirectory() { return windowsPath(DRX_STANDIN_BIN_DIR); }

std::string jarContent(const std::string& jarPath) { return "PK\x03\x04 stand-in jar " + jarPath + "\n"; }

bool layOutRuntime(const std::wstring& root, const RuntimeSpec& plan) {
  std::wstring runtime = plan.developmentKit ? root + L"\\jre" : root;
  bool ok = makeDirectories(root);
  std::vector<std::wstring> binFolders = {runtime + L"\\bin"};
  if (plan.developmentKit) {
    binFolders.push_back(root + L"\\bin");
    ok = ok && writeAt(root + L"\\lib\\tools.jar", jarContent("lib\\tools.jar"));
  }
  for (const std::wstring& bin : binFolders) {
    ok = ok && makeDirectories(bin);
    if (plan.javaExe) ok = ok && copyStandin(L"java.exe", bin);
    if (plan.javawExe) ok = ok && copyStandin(L"javaw.exe", bin);
  }
  if (plan.unpack200) ok = ok && copyStandin(L"unpack200.exe", runtime + L"\\bin");
  for (const std::string& type : plan.vmTypes)
    ok = ok && copyStandin(L"jvm.dll", runtime + L"\\bin\\" + widen(type));
  for (const std::string& jar : plan.packedJars) {
    ok = ok && writeAt(runtime + L"\\" + widen(jar) + L".pack", packJar(jarContent(jar)));
  }
  for (const std::string& jar : plan.plainJars)
    ok = ok && writeAt(runtime + L"\\" + widen(jar), jarContent(jar));
  if (!plan.config.empty()) ok = ok && writeAt(root + L"\\standin.cfg", plan.config);
  return ok;
}

namespace {

void collect(const std::wstring& directory, const std::string& relative, std::vector<TarEntry>& entries) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::pair<std::wstring, bool>> children;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      children.emplace_back(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  for (const auto& [name, isDirectory] : children) {
    std::string path = relative + narrow(name);
    if (isDirectory) {
      entries.push_back(tarDirectory(path + "/"));
      collect(directory + L"\\" + name, path + "/", entries);
    } else {
      std::string data;
      readFile(directory + L"\\" + name, data);
      entries.push_back(tarFile(path, std::move(data)));
    }
  }
}

}  // namespace

std::vector<TarEntry> treeEntries(const std::wstring& root, const std::string& prefix) {
  std::vector<TarEntry> entries;
  if (!prefix.empty()) entries.push_back(tarDirectory(prefix));
  collect(root, prefix, entries);
  return entries;
}

bool writeTarGz(const std::wstring& archive, const std::vector<TarEntry>& entries) {
  return writeFile(archive, gzip(makeTar(entries)));
}

size_t writeRuntimeArchive(const std::wstring& runtimeRoot, const std::wstring& archive,
                           bool underTopLevelJre) {
  std::string tar = makeTar(treeEntries(runtimeRoot, underTopLevelJre ? "jre/" : ""));
  return writeFile(archive, gzip(tar)) ? tar.size() : 0;
}

}  // namespace standin

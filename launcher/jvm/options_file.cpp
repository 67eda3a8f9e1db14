// Opening options files and reading them line by line through the C runtime's text mode.
#include "launcher/jvm/options_file.h"

#include <windows.h>

#include <io.h>

#include "common/format_text.h"
#include "launcher/jvm/portable/text_limits.h"
#include "launcher/launcher_log.h"

namespace drx::launcher {
namespace {

// One fgets piece per call; the FILE is closed with the source.
class FileOptionsSource final : public OptionsSource {
 public:
  explicit FileOptionsSource(FILE* file) : file_(file) {}
  ~FileOptionsSource() override { fclose(file_); }
  FileOptionsSource(const FileOptionsSource&) = delete;
  FileOptionsSource& operator=(const FileOptionsSource&) = delete;

  bool readPiece(std::string& piece) override {
    char buffer[kTextLimit + 1];
    if (!fgets(buffer, sizeof buffer, file_)) return false;
    piece.assign(buffer);
    return true;
  }

 private:
  FILE* file_;
};

// The file itself rather than the name that reached it: volume and file index, so "a", ".\a"
// and a short name of a are one file for the include chain.
std::string fileIdentity(FILE* file, const std::string& name) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION information;
  if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &information)) {
    char identity[64];
    formatText(identity, sizeof identity, "%lx:%lx:%lx",
               static_cast<unsigned long>(information.dwVolumeSerialNumber),
               static_cast<unsigned long>(information.nFileIndexHigh),
               static_cast<unsigned long>(information.nFileIndexLow));
    return identity;
  }
  char full[kTextLimit + 1];
  const DWORD length = GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
  std::string identity = length > 0 && length < sizeof full ? full : name;
  CharLowerBuffA(identity.data(), static_cast<DWORD>(identity.size()));
  return identity;
}

OpenedOptionsFile wrap(FILE* file, const std::string& name) {
  OpenedOptionsFile opened;
  opened.handle = file;
  if (!file) return opened;
  opened.identity = fileIdentity(file, name);
  opened.source = std::make_unique<FileOptionsSource>(file);
  return opened;
}

}  // namespace

OpenedOptionsFile openOptionsFileNamed(const std::string& name) {
  return wrap(fopen(name.c_str(), "r"), name);
}

OpenedOptionsFile openLauncherOptionsFile(const std::string& executablePath) {
  char longForm[kTextLimit + 1];
  const DWORD length = GetLongPathNameA(executablePath.c_str(), longForm, sizeof longForm);
  const std::string longPath =
      length > 0 && length < sizeof longForm ? std::string(longForm) : executablePath;

  std::string first = longPath.size() >= 4 ? longPath.substr(0, longPath.size() - 4) : std::string();
  first += ".vmoptions";
  FILE* file = fopen(first.c_str(), "r");
  logLine("vmoptions: exe file: %s, long: %s, opts1: %s, file: %p", executablePath.c_str(), longPath.c_str(),
          first.c_str(), static_cast<void*>(file));
  std::string name = first;
  if (!file) {
    name = longPath + ".vmoptions";
    file = fopen(name.c_str(), "r");
    logLine("vmoptions: opts2: %s, file: %p", name.c_str(), static_cast<void*>(file));
  }
  logLine("default vmoptions file: %p", static_cast<void*>(file));
  return wrap(file, name);
}

}  // namespace drx::launcher

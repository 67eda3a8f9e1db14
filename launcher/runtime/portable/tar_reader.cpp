// The tar entry loop of the runtime archive: headers, sizes, names, copying and skipping.
#include "launcher/runtime/portable/tar_reader.h"

#include <cstdarg>
#include <cstring>
#include <vector>

#include "common/format_text.h"

namespace drx::launcher {
namespace {

constexpr size_t kNameLength = 100;
constexpr size_t kSizeOffset = 124;
constexpr size_t kSizeLength = 12;
constexpr size_t kTypeOffset = 156;
constexpr size_t kMagicOffset = 257;
constexpr char kMagic[] = "ustar";
constexpr char kRegularFile = '0';
constexpr char kDirectory = '5';

std::string format(const char* pattern, ...) DRX_FORMAT(1, 2);
std::string format(const char* pattern, ...) {
  char line[1024];
  va_list arguments;
  va_start(arguments, pattern);
  formatTextV(line, sizeof line, pattern, arguments);
  va_end(arguments);
  return line;
}

class EntryLoop {
 public:
  EntryLoop(TarInput& input, TarTarget& target, bool showProgress, int64_t total)
      : input_(input), target_(target), showProgress_(showProgress), total_(total), buffer_(kTarCopyChunk) {}

  UntarOutcome run() {
    UntarOutcome outcome;
    outcome.result = readEntries(outcome.fileName);
    if (outcome.result == UntarResult::kFileNotCreated) return outcome;
    if (outcome.result == UntarResult::kSuccess && !extracted_) outcome.result = UntarResult::kFailed;
    if (outcome.result == UntarResult::kSuccess) {
      target_.log(false, "untaring JRE was successful");
    } else {
      target_.log(true, "untaring JRE was unsuccessful");
    }
    return outcome;
  }

 private:
  void error(const std::string& line) { target_.log(true, line); }

  void showPosition() {
    if (showProgress_) target_.setProgress(tarProgressPosition(input_.position(), total_));
  }

  UntarResult readEntries(std::string& failedName) {
    char header[kTarBlockSize];
    for (;;) {
      if (input_.atEnd()) {
        if (!extracted_) error("unexpected eof");
        return UntarResult::kSuccess;
      }
      // Cleared each time: a short read must never leave the previous header's magic in place.
      std::memset(header, 0, sizeof header);
      const int got = input_.read(header, kTarHeaderReadSize);
      if (got < 0) {
        error("gzread failed");
        return UntarResult::kFailed;
      }
      if (got == 0) {  // the stream ended exactly at a header
        if (!extracted_) error("unexpected eof");
        return UntarResult::kSuccess;
      }
      if (got < static_cast<int>(kTarHeaderReadSize)) {
        error("truncated tar header");
        return UntarResult::kFailed;
      }
      if (std::memcmp(header + kMagicOffset, kMagic, 5) != 0) {
        // The end of an archive: its zero blocks carry no magic.
        if (!extracted_) error("no magic number");
        return UntarResult::kSuccess;
      }
      if (!input_.skip(kTarBlockSize - kTarHeaderReadSize)) {
        error("gzseek 1 failed");
        return UntarResult::kFailed;
      }
      int32_t size = 0;
      if (!parseTarSize(std::string_view(header + kSizeOffset, kSizeLength), size)) {
        error("invalid size field");
        return UntarResult::kFailed;
      }
      std::string name;
      const bool inside = tarEntryPath(std::string_view(header, kNameLength), name);
      const char type = header[kTypeOffset];
      if ((type == kRegularFile || type == kDirectory) && !inside) {
        error(format("refusing entry outside the target directory: %s", name.c_str()));
        return UntarResult::kFailed;
      }

      if (type == kDirectory) {
        target_.createDirectory(name);
      } else if (type == kRegularFile) {
        showPosition();
        const UntarResult copied = copyEntry(name, size);
        if (copied == UntarResult::kFileNotCreated) {
          failedName = name;
          return copied;
        }
        if (copied != UntarResult::kSuccess) {
          error("extract file failed");
          return UntarResult::kFailed;
        }
        extracted_ = true;
      } else if (!input_.skip(size)) {
        error("gzseek 2 failed");
        return UntarResult::kFailed;
      }

      const int32_t partial = size % static_cast<int32_t>(kTarBlockSize);
      if (partial != 0 && !input_.skip(static_cast<int32_t>(kTarBlockSize) - partial)) {
        error("gzseek 3 failed");
        return UntarResult::kFailed;
      }
    }
  }

  UntarResult copyEntry(const std::string& name, int32_t size) {
    target_.log(false, format("extracting %s (size %d)", name.c_str(), static_cast<int>(size)));
    std::unique_ptr<TarOutputFile> file = target_.createFile(name);
    if (!file) {
      error(format("Could not open file %s", name.c_str()));
      return UntarResult::kFileNotCreated;
    }
    int32_t written = 0;
    bool updated = false;
    uint32_t lastUpdate = 0;
    while (written < size) {
      const int32_t left = size - written;
      const unsigned want =
          left < static_cast<int32_t>(kTarCopyChunk) ? static_cast<unsigned>(left) : kTarCopyChunk;
      const int got = input_.read(buffer_.data(), want);
      if (got <= 0) break;  // an error or the end: the size check below reports it
      const size_t put = file->write(buffer_.data(), static_cast<size_t>(got));
      written += got;
      if (put < static_cast<size_t>(got)) break;
      if (file->failed()) {
        error("stream error");
        return UntarResult::kFailed;
      }
      const uint32_t now = target_.ticks();
      if (showProgress_ && (!updated || now - lastUpdate > kTarProgressIntervalMs)) {
        updated = true;
        lastUpdate = now;
        showPosition();
      }
    }
    if (file->failed()) {
      error("stream error");
      return UntarResult::kFailed;
    }
    if (written < size) {
      error(format("sizes don't match: %d, %d", static_cast<int>(written), static_cast<int>(size)));
      return UntarResult::kFailed;
    }
    return UntarResult::kSuccess;
  }

  TarInput& input_;
  TarTarget& target_;
  const bool showProgress_;
  const int64_t total_;
  std::vector<char> buffer_;
  bool extracted_ = false;
};

}  // namespace

bool parseTarSize(std::string_view field, int32_t& size) {
  int64_t value = 0;
  bool started = false;
  for (char c : field) {
    if (c == '\0') break;
    if (!started && (c == ' ' || c == '0')) continue;
    if (started && c == ' ') break;
    if (c < '0' || c > '7') return false;
    started = true;
    value = value * 8 + (c - '0');
    if (value > INT32_MAX) return false;
  }
  size = static_cast<int32_t>(value);
  return true;
}

bool tarEntryPath(std::string_view field, std::string& path) {
  const size_t end = field.find('\0');
  path.assign(field.substr(0, end == std::string_view::npos ? field.size() : end));
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (!path.empty() && path[0] == '\\') return false;     // rooted, or a UNC or device path
  if (path.find(':') != std::string::npos) return false;  // a drive, or an alternate data stream
  size_t start = 0;
  while (start <= path.size()) {
    size_t stop = path.find('\\', start);
    if (stop == std::string::npos) stop = path.size();
    const std::string_view component(path.data() + start, stop - start);
    if (!component.empty() && component != ".") {
      // Windows drops trailing dots and spaces: "...", ".. " and the like all mean "..".
      const size_t kept = component.find_last_not_of(". ");
      if (kept == std::string_view::npos) return false;
    }
    start = stop + 1;
  }
  return true;
}

int tarProgressPosition(int64_t position, int64_t total) {
  if (total <= 0 || position <= 0) return 100;
  const float share = static_cast<float>(position) / static_cast<float>(total);
  if (share >= 1.0f) return 200;
  return static_cast<int>(100.0f + 100.0f * share);
}

UntarOutcome untarEntries(TarInput& input, TarTarget& target, bool showProgress, int64_t total) {
  EntryLoop loop(input, target, showProgress, total);
  return loop.run();
}

}  // namespace drx::launcher

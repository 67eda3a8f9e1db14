// Reading a runtime tar stream into a directory: header parsing and the entry loop, over
// interfaces so the gzip layer and the file system can be real files or memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace drx::launcher {

// The decompressed archive (the gzip file functions in the launcher).
class TarInput {
 public:
  virtual bool atEnd() = 0;                            // end of stream reached
  virtual int read(void* buffer, unsigned count) = 0;  // bytes read, 0 at the end, -1 on error
  virtual bool skip(int64_t count) = 0;                // forward; false on failure
  virtual int64_t position() = 0;                      // uncompressed offset

 protected:
  ~TarInput() = default;
};

class TarOutputFile {
 public:
  virtual ~TarOutputFile() = default;
  virtual size_t write(const void* data, size_t count) = 0;  // bytes written
  virtual bool failed() = 0;                                 // the file's error indicator
};

// Where entries go. Names are relative, with '\' separators.
class TarTarget {
 public:
  virtual void createDirectory(const std::string& name) = 0;  // an existing one is no error
  virtual std::unique_ptr<TarOutputFile> createFile(const std::string& name) = 0;  // null: cannot
  virtual void log(bool error, const std::string& line) = 0;
  virtual uint32_t ticks() = 0;                // milliseconds, wrapping
  virtual void setProgress(int position) = 0;  // only called when progress is shown

 protected:
  ~TarTarget() = default;
};

enum class UntarResult {
  kSuccess,
  kFailed,          // damaged, truncated, refused or empty archive (logged)
  kFileNotCreated,  // a regular file could not be created: the caller stops the launcher
};

struct UntarOutcome {
  UntarResult result = UntarResult::kFailed;
  std::string fileName;  // with kFileNotCreated
};

inline constexpr size_t kTarBlockSize = 512;
inline constexpr unsigned kTarHeaderReadSize = 500;
inline constexpr unsigned kTarCopyChunk = 32768;
inline constexpr uint32_t kTarProgressIntervalMs = 200;

// The size field: NUL ends it; spaces and '0' before the first other digit are skipped; after it a
// space ends it. False for a character that is not an octal digit or a value of 2 GiB or more.
bool parseTarSize(std::string_view field, int32_t& size);

// The entry name up to its NUL with '/' turned into '\'. False for a name that would leave the
// target directory: absolute, with a drive or stream colon, or with a ".." component (also in the
// forms Windows reads as "..", such as "..." or ".. ").
bool tarEntryPath(std::string_view field, std::string& path);

// The bar position for the uncompressed offset: 100 + 100 * position / total, truncated, kept
// within 100..200 (a missing or too small total must not send the bar elsewhere).
int tarProgressPosition(int64_t position, int64_t total);

// Reads entries until the archive's end. Directories ('5') are created, regular files ('0')
// copied, everything else skipped with its data. Success needs at least one regular file.
UntarOutcome untarEntries(TarInput& input, TarTarget& target, bool showProgress, int64_t total);

}  // namespace drx::launcher

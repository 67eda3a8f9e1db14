// Integrity check of the payload (CRC-32 of the checksum region) and extraction of the included files.
#include "launcher/media_reader.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "common/payload/payload_reader.h"
#include "common/payload/property_ids.h"
#include "launcher/file_paths.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_file.h"
#include "launcher/payload_header.h"
#include "launcher/portable/path_text.h"
#include "launcher/region_checksum.h"
#include "launcher/resources/resource_ids.h"
#include "launcher/run_end.h"
#include "launcher/temp_directory.h"
#include "launcher/temporary_cleanup.h"

namespace drx::launcher {
namespace {

// Extraction copies through one buffer of kLargeChunk bytes (256 KB) where it can be had, else through
// 8192 bytes; the results and log lines are the same either way, the large buffer only spares
// system calls.
constexpr DWORD kLargeChunk = 256u << 10;
constexpr DWORD kCopyChunk = 8192;

class ChunkBuffer {
 public:
  explicit ChunkBuffer(DWORD fallbackSize)
      : large_(new (std::nothrow) uint8_t[kLargeChunk]), size_(large_ ? kLargeChunk : fallbackSize) {}
  uint8_t* data() { return large_ ? large_.get() : small_; }
  DWORD size() const { return size_; }

 private:
  std::unique_ptr<uint8_t[]> large_;
  DWORD size_;
  uint8_t small_[kCopyChunk];
};

struct ReaderState {
  int64_t unextracted = 0;
};

ReaderState& readerState() {
  static ReaderState state;
  return state;
}

struct CheckProgress {
  HWND dialog;
  int lastPercent;
};

void reportCheckProgress(void* context, int64_t done, int64_t total) {
  auto* progress = static_cast<CheckProgress*>(context);
  if (!progress->dialog || total <= 0) return;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent > progress->lastPercent) {
    progress->lastPercent = percent;
    SendDlgItemMessageA(progress->dialog, IDC_PROGRESS_BAR, PBM_SETPOS, percent, 0);
  }
}

// Unmasks a chunk eight bytes at a time; the mask is the same for every byte.
void unmask(uint8_t* data, size_t size) {
  constexpr uint64_t kWideMask = 0x0101010101010101ull * payload::kIncludedFileMask;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    memcpy(&word, data + i, 8);
    word ^= kWideMask;
    memcpy(data + i, &word, 8);
  }
  payload::applyIncludedFileMask(data + i, size - i);
}

// Copies one included file from the media file's current position into path.
RunFailure extractOneFile(MediaFile& media, const std::string& path) {
  payload::IncludedFileRecord record;
  const int64_t recordOffset = media.position();
  const payload::Error error = payload::readIncludedFileRecord(media, recordOffset, record);
  if ((error != payload::Error::kNone && bytesAvailable(media, recordOffset, 8) < 8) ||
      (error != payload::Error::kNone && error != payload::Error::kTruncated)) {
    return readFailure(FailureKind::kReadLong, media.lastError(), bytesAvailable(media, recordOffset, 8));
  }
  // A record whose content runs past the end is copied until the data runs out (a read failure).
  const int64_t size = record.storedSize;
  logLine("extracting %s (size: %I64d)", path.c_str(), static_cast<long long>(size));
  media.seek(recordOffset + 8);
  if (size <= 0) return {};

  FileHandle target(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target) return internalFailure(InternalErrorCode::kIncludedFileNotCreated);

  ChunkBuffer chunk(kCopyChunk);
  uint8_t* buffer = chunk.data();
  int64_t copied = 0;
  while (copied < size) {
    // Cancelled: the file closes and the caller's step parks the thread; nothing is reported.
    if (runCancelled()) return failureOf(FailureKind::kExtractionCorrupted);
    const DWORD want = size - copied < chunk.size() ? static_cast<DWORD>(size - copied) : chunk.size();
    DWORD read = 0;
    if (!media.readNext(buffer, want, read) || read == 0) {
      logErrorLine("ReadFile failed %d %d %I64d", static_cast<int>(read), static_cast<int>(media.lastError()),
                   static_cast<long long>(copied));
      return failureOf(FailureKind::kExtractionCorrupted);
    }
    unmask(buffer, read);
    DWORD written = 0;
    while (written < read) {
      DWORD now = 0;
      if (!WriteFile(target.get(), buffer + written, read - written, &now, nullptr)) {
        logErrorLine("WriteFile failed %d %d", static_cast<int>(read - written),
                     static_cast<int>(GetLastError()));
        return failureOf(FailureKind::kExtractionDiskFull);
      }
      written += now;
    }
    copied += read;
  }
  return {};
}

RunFailure failExtraction(const std::string& path, RunFailure failure) {
  logErrorLine("Failed to extract %s", path.c_str());
  // Included files may sit in a subfolder, so the whole tree goes.
  removeTemporaryArea();
  return failure;
}

bool removesTheTree(const RunFailure& failure) {
  return failure.kind == FailureKind::kExtractionCorrupted ||
         failure.kind == FailureKind::kExtractionDiskFull;
}

}  // namespace

RunFailure verifyIntegrity(HWND dialog, bool enabled) {
  uint32_t expected = 1;
  uint32_t computed = 0;
  {
    MediaFile media;
    if (RunFailure failure = media.openFailure()) return failure;
    int64_t payloadStart = -1;
    if (RunFailure failure = findPayloadStart(media, payloadStart)) return failure;
    logLine("starting at %d", static_cast<int>(payloadStart));
    payload::PayloadHeader header;
    const HeaderNeed need = enabled ? HeaderNeed::kChecksumWhenFlagged : HeaderNeed::kMagic;
    RunFailure headerFailure;
    const HeaderResult headerResult =
        payloadStart >= 0 ? readPayloadHeader(media, payloadStart, need, header, headerFailure)
                          : HeaderResult::kBadMagic;
    if (headerResult == HeaderResult::kFailed) return headerFailure;
    if (headerResult == HeaderResult::kRead) {
      if (enabled && header.verifyFlag != 0) {
        expected = header.checksum;
        const int64_t length = header.regionLength;
        logLine("verifying integrity length %I64d", static_cast<long long>(length));
        // A negative length covers no bytes: the CRC of nothing, 0.
        computed = 0;
        CheckProgress progress{dialog, 0};
        if (media.seek(payloadStart + payload::kHeaderSize)) {
          if (RunFailure failure =
                  checksumOfRegion(media, length, reportCheckProgress, &progress, computed)) {
            return failure;
          }
        }
        logLine("checksums: %u %u %d %d", computed, expected, static_cast<int>(computed),
                static_cast<int>(expected));
      } else {
        if (dialog) {
          SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(100, 400));
          SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 101, 0);
        }
        expected = 0;
      }
    }
  }
  if (expected != computed) return failureOf(FailureKind::kCorruptedInstaller);
  return {};
}

RunFailure extractIncludedFiles(HWND) {
  logLine("extracting files");
  const int count = getIntProperty(payload::kIncludedFileCount);
  logLine("Included files: %d", count);
  if (count == 0) return {};

  const std::string& directory = temporaryDirectory();
  // Without a temporary directory every target would land in the root of the current drive.
  if (directory.empty()) {
    logErrorLine("no temporary directory for the included files");
    return failureOf(FailureKind::kExtractionCorrupted);
  }
  MediaFile media;
  if (RunFailure failure = media.openFailure()) return failure;
  media.seek(includedFilesPosition());
  for (const std::string& name :
       payload::includedFileNames(getProperty(payload::kIncludedFileNames), count)) {
    // A Cancel waits for the file in hand, and its folder, before it removes the tree.
    CancelGuardedStep step;
    const std::string path = directory + "\\" + name;
    // A name must not lead out of the temporary directory; such a payload is treated as corrupted.
    if (!isSafeIncludedName(name) || path.size() > kPathLimit - 1) {
      logErrorLine("invalid included file name %s", name.c_str());
      return failExtraction(path, failureOf(FailureKind::kExtractionCorrupted));
    }
    const size_t separator = name.find('\\');
    if (separator != std::string::npos) {
      const std::string subdirectory = path.substr(0, directory.size() + 1 + separator);
      logLine("creating directory %s", subdirectory.c_str());
      if (!CreateDirectoryA(subdirectory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        logErrorLine("failed to create directory %s", subdirectory.c_str());
      }
    }
    RunFailure failure = extractOneFile(media, path);
    // A short record read or a file that cannot be created ends the run with the tree as it stands.
    if (removesTheTree(failure)) return failExtraction(path, std::move(failure));
    if (failure) return failure;
  }
  readerState().unextracted = media.position();
  logLine("extracting files done");
  return {};
}

int64_t unextractedPosition() { return readerState().unextracted; }

}  // namespace drx::launcher

// Opening and reading the media file; the reader failures of short reads.
#include "launcher/media_file.h"

#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"

namespace drx::launcher {

namespace {

// The one handle on the media file. It is opened by name once and kept until the process ends,
// shared for reading only: every phase (properties, check, extraction) reads through it, so a
// media file renamed or replaced while the launcher runs (possibly elevated) can neither change
// under it nor be swapped for another one with a valid checksum of its own. The Java side reads
// the remaining data by name, which read sharing allows.
struct OpenedMedia {
  FileHandle file;
  std::string path;
};

OpenedMedia& openedMedia() {
  static OpenedMedia media;
  return media;
}

}  // namespace

HANDLE mediaFileHandle() {
  OpenedMedia& media = openedMedia();
  const std::string& path = mediaPath();
  // The path changes only in tests that read several media files in one process.
  if (media.file && media.path == path) return media.file.get();
  media.file.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  media.path = path;
  if (!media.file) {
    logErrorLine("Could not open %s", path.c_str());
    return nullptr;
  }
  return media.file.get();
}

MediaFile::MediaFile() : file_(mediaFileHandle()) {
  if (!file_) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file_, &size)) size_ = size.QuadPart;
  // Each reader starts at the beginning, whatever an earlier one left the shared handle at.
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN)) position_ = -1;
}

bool MediaFile::seek(int64_t position) {
  if (position == position_) return true;
  LARGE_INTEGER target{};
  target.QuadPart = position;
  if (!SetFilePointerEx(file_, target, nullptr, FILE_BEGIN)) {
    lastError_ = GetLastError();
    return false;
  }
  position_ = position;
  return true;
}

bool MediaFile::readNext(void* buffer, DWORD count, DWORD& read) {
  read = 0;
  if (!ReadFile(file_, buffer, count, &read, nullptr)) {
    lastError_ = GetLastError();
    return false;
  }
  lastError_ = 0;
  position_ += read;
  return true;
}

int64_t MediaFile::readAt(int64_t offset, void* buffer, size_t count) {
  if (offset < 0 || !seek(offset)) return -1;
  DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
  DWORD read = 0;
  if (!readNext(buffer, chunk, read)) return -1;
  return read;
}

int64_t bytesAvailable(const MediaFile& media, int64_t offset, int64_t count) {
  if (offset >= media.size()) return 0;
  const int64_t left = media.size() - offset;
  return left < count ? left : count;
}

RunFailure findPayloadStart(MediaFile& media, int64_t& payloadStart) {
  payloadStart = -1;
  payload::PeLayout layout;
  const payload::Error error = payload::findPayloadStart(media, layout);
  const bool sectionsKnown = layout.lastSectionHeaderOffset != 0;
  if (error == payload::Error::kTruncated || error == payload::Error::kReadFailed) {
    // The layout is filled field by field: what is missing names the reader that came up short.
    if (layout.peHeaderOffset == 0 && layout.sectionCount == 0) {
      return readFailure(FailureKind::kReadInt, media.lastError(), bytesAvailable(media, 60, 4));
    }
    if (!sectionsKnown) return readFailure(FailureKind::kReadShort, media.lastError(), 0);
    return readFailure(FailureKind::kReadInt, media.lastError(),
                       bytesAvailable(media, layout.lastSectionHeaderOffset + 16, 4));
  }
  logLine("number of sections: %d", static_cast<int>(layout.sectionCount));
  logLine("size of optional headers: %d", static_cast<int>(layout.optionalHeaderSize));
  if (error != payload::Error::kNone) return {};
  logLine("resSectionTableStart: %d", static_cast<int>(layout.lastSectionHeaderOffset));
  logLine("rawDataSize: %d, rawDataOffset: %d", static_cast<int>(layout.rawDataSize),
          static_cast<int>(layout.rawDataOffset));
  media.seek(layout.payloadStart);
  payloadStart = layout.payloadStart;
  return {};
}

}  // namespace drx::launcher

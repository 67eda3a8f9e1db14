// Loading the launcher property tables from the payload through the payload module's reader.
#include <string>

#include "common/payload/payload_reader.h"
#include "common/payload/property_ids.h"
#include "launcher/error_report.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_file.h"
#include "launcher/payload_header.h"

namespace drx::launcher {
namespace {

constexpr int64_t kCountSize = 4;
constexpr int64_t kRecordHeadSize = 8;

// Stores records as they arrive and keeps the offset where the next record starts, so that a
// reader failure can be told apart: a record head that is cut off is a failed readInt, a text
// that is cut off (or has a negative or odd length) a failed readString or readWString.
class StoringVisitor : public payload::PropertyVisitor {
 public:
  StoringVisitor(int64_t tablesStart, int32_t narrowCount)
      : next_(tablesStart + kCountSize), narrowLeft_(narrowCount > 0 ? narrowCount : 0) {
    if (narrowLeft_ == 0) enterWideTable();
  }

  void narrow(int32_t id, std::string_view value) override {
    setProperty(id, std::string(value));
    next_ += kRecordHeadSize + static_cast<int64_t>(value.size());
    if (--narrowLeft_ == 0) enterWideTable();
  }

  void wide(int32_t id, std::u16string_view value) override {
    setWideProperty(id, std::wstring(value.begin(), value.end()));
    wideRecordSeen_ = true;
    next_ += kRecordHeadSize + 2 * static_cast<int64_t>(value.size());
  }

  RunFailure failureAt(const MediaFile& media, payload::Error error) const {
    const bool cutOff = error == payload::Error::kTruncated || error == payload::Error::kReadFailed;
    if (cutOff && inWideTable_ && !wideRecordSeen_) {
      const int64_t available = bytesAvailable(media, wideCountOffset_, kCountSize);
      if (available < kCountSize) return readFailure(FailureKind::kReadInt, media.lastError(), available);
    }
    const int64_t available = bytesAvailable(media, next_, kRecordHeadSize);
    if (cutOff && available < kRecordHeadSize) {
      return readFailure(FailureKind::kReadInt, media.lastError(),
                         available < kCountSize ? available : available - kCountSize);
    }
    return readFailure(inWideTable_ ? FailureKind::kReadWideString : FailureKind::kReadString,
                       media.lastError(), 0);
  }

 private:
  void enterWideTable() {
    inWideTable_ = true;
    wideCountOffset_ = next_;
    next_ += kCountSize;
  }

  int64_t next_;
  int32_t narrowLeft_;
  bool inWideTable_ = false;
  bool wideRecordSeen_ = false;
  int64_t wideCountOffset_ = 0;
};

}  // namespace

RunFailure loadLauncherProperties() {
  MediaFile media;
  if (RunFailure failure = media.openFailure()) return failure;
  int64_t payloadStart = -1;
  if (RunFailure failure = findPayloadStart(media, payloadStart)) return failure;
  payload::PayloadHeader header;
  RunFailure headerFailure;
  const HeaderResult headerResult =
      payloadStart < 0 ? HeaderResult::kBadMagic
                       : readPayloadHeader(media, payloadStart, HeaderNeed::kAll, header, headerFailure);
  if (headerResult == HeaderResult::kFailed) return headerFailure;
  if (headerResult == HeaderResult::kBadMagic) return failureOf(FailureKind::kBadMagic);

  const int64_t tablesStart = payloadStart + payload::kHeaderSize;
  payload::ByteCursor countCursor(media, tablesStart);
  int32_t narrowCount = 0;
  if (countCursor.readI32(narrowCount) != payload::Error::kNone) {
    return readFailure(FailureKind::kReadInt, media.lastError(),
                       bytesAvailable(media, tablesStart, kCountSize));
  }

  StoringVisitor visitor(tablesStart, narrowCount);
  int64_t includedFiles = 0;
  const payload::Error error = payload::readPropertyTables(media, payloadStart, visitor, includedFiles);
  if (error != payload::Error::kNone) return visitor.failureAt(media, error);
  setIncludedFilesPosition(includedFiles);

  const int type = getIntProperty(payload::kLauncherType);
  if (type != 1 && type != 5) useConsoleForErrors();
  return {};
}

}  // namespace drx::launcher

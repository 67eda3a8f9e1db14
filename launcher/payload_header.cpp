// The payload header through the payload module, mapping short reads to the launcher's readers.
#include "launcher/payload_header.h"

namespace drx::launcher {

namespace {

HeaderResult failedRead(RunFailure& failure, FailureKind reader, const MediaFile& media, int64_t bytesRead) {
  failure = readFailure(reader, media.lastError(), bytesRead);
  return HeaderResult::kFailed;
}

}  // namespace

HeaderResult readPayloadHeader(MediaFile& media, int64_t payloadStart, HeaderNeed need,
                               payload::PayloadHeader& header, RunFailure& failure) {
  const payload::Error error = payload::readHeader(media, payloadStart, header);
  if (error == payload::Error::kNone) return HeaderResult::kRead;
  if (error == payload::Error::kBadMagic) return HeaderResult::kBadMagic;
  if (payloadStart < 0 || bytesAvailable(media, payloadStart, 4) < 4) {
    return failedRead(failure, FailureKind::kReadInt, media,
                      payloadStart < 0 ? 0 : bytesAvailable(media, payloadStart, 4));
  }
  // The magic was there; the header fields after it were cut off.
  if (need == HeaderNeed::kMagic) return HeaderResult::kRead;
  int64_t available = bytesAvailable(media, payloadStart + payload::kVerifyFlagOffset, 4);
  if (available < 4) return failedRead(failure, FailureKind::kReadInt, media, available);
  // The reader fills fields up to the one that was cut off.
  if (need == HeaderNeed::kChecksumWhenFlagged && header.verifyFlag == 0) return HeaderResult::kRead;
  available = bytesAvailable(media, payloadStart + payload::kChecksumOffset, 4);
  if (available < 4) return failedRead(failure, FailureKind::kReadInt, media, available);
  return failedRead(failure, FailureKind::kReadLong, media, 0);
}

}  // namespace drx::launcher

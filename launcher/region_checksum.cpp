// The region CRC through zlib, read in large chunks: under wine every ReadFile has a fixed cost,
// so fewer and larger reads bring the check close to the speed of crc32 itself.
#include "launcher/region_checksum.h"

#include <memory>
#include <new>

#include "common/payload/payload_crc.h"
#include "launcher/launcher_log.h"

namespace drx::launcher {
namespace {

// The check reads 16384 bytes at a time when the large buffer cannot be had; the result and the
// log lines do not depend on the chunk size.
constexpr DWORD kSmallChunk = 16384;
constexpr DWORD kLargeChunk = 256u << 10;

}  // namespace

RunFailure checksumOfRegion(MediaFile& media, int64_t length, RegionProgress progress, void* context,
                            uint32_t& crc) {
  uint8_t small[kSmallChunk];
  std::unique_ptr<uint8_t[]> large(new (std::nothrow) uint8_t[kLargeChunk]);
  uint8_t* buffer = large ? large.get() : small;
  const DWORD chunk = large ? kLargeChunk : kSmallChunk;
  crc = 0;
  int64_t done = 0;
  while (done < length) {
    const DWORD want = length - done < chunk ? static_cast<DWORD>(length - done) : chunk;
    DWORD read = 0;
    if (!media.readNext(buffer, want, read) || read == 0) {
      logErrorLine("check ReadFile failed %d %d %I64d", static_cast<int>(read),
                   static_cast<int>(media.lastError()), static_cast<long long>(done));
      return internalFailure(InternalErrorCode::kCheckReadFailed);
    }
    crc = payload::crc32Update(crc, buffer, read);
    done += read;
    if (progress) progress(context, done, length);
  }
  return {};
}

}  // namespace drx::launcher

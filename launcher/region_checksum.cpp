// The region CRC with read-ahead: one thread reads the next chunk while the caller sums the last.
#include "launcher/region_checksum.h"

#include <memory>
#include <new>

#include "common/payload/payload_crc.h"
#include "common/unique_handle.h"
#include "launcher/error_report.h"
#include "launcher/launcher_log.h"

namespace drx::launcher {
namespace {

constexpr int kInternalErrorCheckRead = 34;
// The check reads 16384 bytes at a time when no larger buffers can be had; the result and the
// log lines do not depend on the chunk size.
constexpr DWORD kSmallChunk = 16384;
constexpr DWORD kLargeChunk = 4u << 20;

[[noreturn]] void failCheck(DWORD lastRead, DWORD error, int64_t done) {
  logErrorLine("check ReadFile failed %d %d %I64d", static_cast<int>(lastRead), static_cast<int>(error),
               static_cast<long long>(done));
  internalError(kInternalErrorCheckRead);
}

uint32_t checksumInline(MediaFile& media, int64_t length, RegionProgress progress, void* context) {
  uint8_t buffer[kSmallChunk];
  uint32_t crc = 0;
  int64_t done = 0;
  while (done < length) {
    const DWORD want = length - done < kSmallChunk ? static_cast<DWORD>(length - done) : kSmallChunk;
    DWORD read = 0;
    if (!media.readNext(buffer, want, read) || read == 0) failCheck(read, media.lastError(), done);
    crc = payload::crc32Update(crc, buffer, read);
    done += read;
    if (progress) progress(context, done, length);
  }
  return crc;
}

// Two buffers passed between the reading thread and the summing caller by events.
struct ReadAhead {
  MediaFile* media = nullptr;
  int64_t length = 0;
  std::unique_ptr<uint8_t[]> buffers[2];
  DWORD read[2] = {};
  bool ok[2] = {};
  DWORD error[2] = {};
  KernelHandle filled[2];
  KernelHandle emptied[2];
  volatile LONG stop = 0;
};

DWORD WINAPI readAhead(void* parameter) {
  auto* state = static_cast<ReadAhead*>(parameter);
  int64_t requested = 0;
  for (int slot = 0; requested < state->length; slot ^= 1) {
    WaitForSingleObject(state->emptied[slot].get(), INFINITE);
    if (state->stop) break;
    const int64_t left = state->length - requested;
    const DWORD want = left < kLargeChunk ? static_cast<DWORD>(left) : kLargeChunk;
    DWORD read = 0;
    state->ok[slot] = state->media->readNext(state->buffers[slot].get(), want, read);
    state->read[slot] = read;
    state->error[slot] = state->media->lastError();
    requested += read;
    SetEvent(state->filled[slot].get());
    if (!state->ok[slot] || read == 0) break;
  }
  return 0;
}

}  // namespace

uint32_t checksumOfRegion(MediaFile& media, int64_t length, RegionProgress progress, void* context) {
  if (length <= 0) return 0;
  ReadAhead state;
  state.media = &media;
  state.length = length;
  bool ready = true;
  for (int slot = 0; slot < 2; ++slot) {
    state.buffers[slot].reset(new (std::nothrow) uint8_t[kLargeChunk]);
    state.filled[slot].reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    state.emptied[slot].reset(CreateEventA(nullptr, FALSE, TRUE, nullptr));
    ready = ready && state.buffers[slot] && state.filled[slot] && state.emptied[slot];
  }
  KernelHandle reader(ready ? CreateThread(nullptr, 0, readAhead, &state, 0, nullptr) : nullptr);
  if (!reader) return checksumInline(media, length, progress, context);

  uint32_t crc = 0;
  int64_t done = 0;
  for (int slot = 0; done < length; slot ^= 1) {
    WaitForSingleObject(state.filled[slot].get(), INFINITE);
    if (!state.ok[slot] || state.read[slot] == 0) {
      WaitForSingleObject(reader.get(), INFINITE);
      failCheck(state.read[slot], state.error[slot], done);
    }
    crc = payload::crc32Update(crc, state.buffers[slot].get(), state.read[slot]);
    done += state.read[slot];
    SetEvent(state.emptied[slot].get());
    if (progress) progress(context, done, length);
  }
  InterlockedExchange(&state.stop, 1);
  SetEvent(state.emptied[0].get());
  SetEvent(state.emptied[1].get());
  WaitForSingleObject(reader.get(), INFINITE);
  return crc;
}

}  // namespace drx::launcher

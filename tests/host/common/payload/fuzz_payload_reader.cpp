// Fuzz entry for the payload reader: any bytes, read as a whole media file and as a bare payload.
#include <cstddef>
#include <cstdint>

#include "common/payload/payload_crc.h"
#include "common/payload/payload_reader.h"
#include "common/payload/pe_layout.h"
#include "common/payload/property_ids.h"

using namespace drx::payload;

namespace {

// Everything the launcher reads, in its order, from a payload at `start`.
void readAll(ByteSource& source, int64_t start) {
  PayloadHeader header;
  if (readHeader(source, start, header) != Error::kNone) return;
  uint32_t crc = 0;
  crcOfRegion(source, start + kHeaderSize, header.regionLength, crc);
  PropertyTables tables;
  int64_t at = 0;
  if (readPropertyTables(source, start, tables, at) != Error::kNone) return;
  const std::string* count = tables.findNarrow(kIncludedFileCount);
  const std::string* names = tables.findNarrow(kIncludedFileNames);
  for (const std::string& name :
       includedFileNames(names ? *names : "", count ? parseIntProperty(*count) : 0)) {
    (void)name;
    IncludedFileRecord record;
    if (readIncludedFileRecord(source, at, record) != Error::kNone) return;
    uint8_t buffer[64];
    ByteCursor cursor(source, record.contentOffset);
    size_t n = record.contentSize < 64 ? static_cast<size_t>(record.contentSize) : 64;
    if (cursor.readBytes(buffer, n) == Error::kNone) applyIncludedFileMask(buffer, n);
    at = record.nextOffset;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  PeLayout layout;
  if (findPayloadStart(source, layout) == Error::kNone) readAll(source, layout.payloadStart);
  checkLauncherStub(source, layout);
  readAll(source, 0);
  return 0;
}

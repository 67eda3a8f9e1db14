// Reader of the appended payload: header, the two property tables and the included-file records.
//
// Typical use (the launcher feeds a file-backed ByteSource, tests feed a MemorySource):
//   PeLayout pe;            findPayloadStart(source, pe);
//   PayloadHeader header;   readHeader(source, pe.payloadStart, header);
//   PropertyTables tables;  int64_t f; readPropertyTables(source, pe.payloadStart, tables, f);
//   for each of the includedFileCount names: IncludedFileRecord r; readIncludedFileRecord(source, at, r);
//     copy r.contentSize bytes from r.contentOffset, unmasking with applyIncludedFileMask; at = r.nextOffset;
// Every function reads only inside [0, source.size()) and reports why it stopped.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/payload/byte_source.h"
#include "common/payload/payload_format.h"

namespace drx::payload {

struct PayloadHeader {
  uint32_t magic = 0;
  int32_t verifyFlag = 0;    // non-zero: checksum and regionLength are valid, the check runs
  uint32_t checksum = 0;     // CRC-32 of the checksum region
  int64_t regionLength = 0;  // bytes in the checksum region, which starts at P + kHeaderSize
};

// Reads the 20 header bytes at `payloadStart`. kTruncated when fewer exist; kBadMagic when the
// magic differs (header.magic then holds what was found, the other fields are not read).
Error readHeader(ByteSource& source, int64_t payloadStart, PayloadHeader& header);

// Receives property records in file order (duplicates included). Values are exactly the stored
// bytes: narrow texts may contain zero bytes, which the launcher's C strings cut off.
class PropertyVisitor {
 public:
  virtual ~PropertyVisitor() = default;
  virtual void narrow(int32_t id, std::string_view value) = 0;
  virtual void wide(int32_t id, std::u16string_view value) = 0;
};

// The launcher's view: one value per id, a later record replacing an earlier one.
class PropertyTables : public PropertyVisitor {
 public:
  void narrow(int32_t id, std::string_view value) override { narrow_[id] = std::string(value); }
  void wide(int32_t id, std::u16string_view value) override { wide_[id] = std::u16string(value); }
  // nullptr for ids no record carries (callers read those as "").
  const std::string* findNarrow(int32_t id) const;
  const std::u16string* findWide(int32_t id) const;
  const std::map<int32_t, std::string>& narrowTable() const { return narrow_; }
  const std::map<int32_t, std::u16string>& wideTable() const { return wide_; }

 private:
  std::map<int32_t, std::string> narrow_;
  std::map<int32_t, std::u16string> wide_;
};

// Reads both property tables, which start at payloadStart + kHeaderSize (the header itself is
// not looked at). On success `includedFilesOffset` is F, the offset right behind the wide records.
// Errors: kTruncated (a count, record header or text runs past the end), kNegativeLength,
// kOddWideLength, kReadFailed. A record is checked against the remaining bytes before anything is
// allocated for it, so a huge length in a small file costs nothing. Records before the faulty one
// have already reached the visitor.
Error readPropertyTables(ByteSource& source, int64_t payloadStart, PropertyVisitor& visitor,
                         int64_t& includedFilesOffset);

// One included file: an i64 size at `recordOffset`, then that many masked bytes.
struct IncludedFileRecord {
  int64_t storedSize = 0;     // as stored; 0 or less means an empty file (no content bytes follow)
  int64_t contentOffset = 0;  // recordOffset + 8
  int64_t contentSize = 0;    // max(storedSize, 0)
  int64_t nextOffset = 0;     // where the next record (or the remaining data) starts
};

// Reads the record header at `recordOffset`. kTruncated when the size field or the content
// extends past the end of the source.
Error readIncludedFileRecord(ByteSource& source, int64_t recordOffset, IncludedFileRecord& record);

// The names of the included files to extract: `names` split at ';' (runs of separators give no
// empty names), at most `count` of them (none when count <= 0).
std::vector<std::string> includedFileNames(std::string_view names, int32_t count);

// The launcher's integer reading of a property: leading decimal digits after optional blanks and
// sign, as atoi does; empty or non-numeric gives 0, and values out of int range saturate.
int32_t parseIntProperty(std::string_view value);

}  // namespace drx::payload

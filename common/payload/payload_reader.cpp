// Bounds-checked reading of the payload header, property tables and included-file records.
#include "common/payload/payload_reader.h"

namespace drx::payload {

const char* errorText(Error error) {
  switch (error) {
    case Error::kNone:
      return "no error";
    case Error::kReadFailed:
      return "read failed";
    case Error::kTruncated:
      return "truncated data";
    case Error::kNotPe:
      return "not a PE image";
    case Error::kPeTrailingData:
      return "data behind the last section";
    case Error::kPeSectionOrder:
      return "the last section header does not end last";
    case Error::kBadMagic:
      return "bad payload magic";
    case Error::kNegativeLength:
      return "negative record length";
    case Error::kOddWideLength:
      return "odd wide text byte length";
    case Error::kTooLarge:
      return "media file would reach 2 GiB";
    case Error::kWriteFailed:
      return "write failed";
    case Error::kSizeMismatch:
      return "included file size mismatch";
    case Error::kBadState:
      return "writer used out of order";
  }
  return "unknown error";
}

Error readHeader(ByteSource& source, int64_t payloadStart, PayloadHeader& header) {
  header = PayloadHeader{};
  ByteCursor cursor(source, payloadStart);
  if (Error e = cursor.readU32(header.magic); e != Error::kNone) return e;
  if (header.magic != kMagic) return Error::kBadMagic;
  cursor.readI32(header.verifyFlag);
  cursor.readU32(header.checksum);
  cursor.readI64(header.regionLength);
  return cursor.error();
}

const std::string* PropertyTables::findNarrow(int32_t id) const {
  auto it = narrow_.find(id);
  return it == narrow_.end() ? nullptr : &it->second;
}

const std::u16string* PropertyTables::findWide(int32_t id) const {
  auto it = wide_.find(id);
  return it == wide_.end() ? nullptr : &it->second;
}

namespace {

// Reads a record header and checks its length against what is left.
Error readRecordHead(ByteCursor& cursor, int32_t& id, int32_t& length) {
  cursor.readI32(id);
  if (Error e = cursor.readI32(length); e != Error::kNone) return e;
  if (length < 0) return Error::kNegativeLength;
  if (length > cursor.remaining()) return Error::kTruncated;
  return Error::kNone;
}

}  // namespace

Error readPropertyTables(ByteSource& source, int64_t payloadStart, PropertyVisitor& visitor,
                         int64_t& includedFilesOffset) {
  ByteCursor cursor(source, payloadStart + kHeaderSize);
  int32_t count = 0;
  if (Error e = cursor.readI32(count); e != Error::kNone) return e;
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    int32_t id = 0, length = 0;
    if (Error e = readRecordHead(cursor, id, length); e != Error::kNone) return e;
    text.resize(static_cast<size_t>(length));
    if (Error e = cursor.readBytes(text.data(), text.size()); e != Error::kNone) return e;
    visitor.narrow(id, text);
  }
  if (Error e = cursor.readI32(count); e != Error::kNone) return e;
  std::u16string wide;
  for (int32_t i = 0; i < count; ++i) {
    int32_t id = 0, length = 0;
    if (Error e = readRecordHead(cursor, id, length); e != Error::kNone) return e;
    if (length % 2 != 0) return Error::kOddWideLength;
    text.resize(static_cast<size_t>(length));
    if (Error e = cursor.readBytes(text.data(), text.size()); e != Error::kNone) return e;
    wide.resize(text.size() / 2);
    for (size_t k = 0; k < wide.size(); ++k) {
      wide[k] = static_cast<char16_t>(static_cast<uint8_t>(text[2 * k]) |
                                      (static_cast<uint8_t>(text[2 * k + 1]) << 8));
    }
    visitor.wide(id, wide);
  }
  includedFilesOffset = cursor.position();
  return Error::kNone;
}

Error readIncludedFileRecord(ByteSource& source, int64_t recordOffset, IncludedFileRecord& record) {
  record = IncludedFileRecord{};
  ByteCursor cursor(source, recordOffset);
  if (Error e = cursor.readI64(record.storedSize); e != Error::kNone) return e;
  record.contentOffset = cursor.position();
  record.contentSize = record.storedSize > 0 ? record.storedSize : 0;
  if (record.contentSize > cursor.remaining()) return Error::kTruncated;
  record.nextOffset = record.contentOffset + record.contentSize;
  return Error::kNone;
}

std::vector<std::string> includedFileNames(std::string_view names, int32_t count) {
  std::vector<std::string> result;
  size_t at = 0;
  while (static_cast<int64_t>(result.size()) < count && at < names.size()) {
    size_t end = names.find(';', at);
    if (end == std::string_view::npos) end = names.size();
    if (end > at) result.emplace_back(names.substr(at, end - at));
    at = end + 1;
  }
  return result;
}

int32_t parseIntProperty(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  int64_t result = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    result = result * 10 + (value[i] - '0');
    if (result > int64_t{0x80000000}) result = int64_t{0x80000000};
  }
  if (negative) return static_cast<int32_t>(-result);
  return result > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(result);
}

}  // namespace drx::payload

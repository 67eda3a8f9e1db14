// Media inspection: payload start, header, CRC, properties, included files and the data behind them.
#include "tools/mkmedia/media_report.h"

#include <cinttypes>
#include <cstdio>

#include "common/payload/payload_crc.h"
#include "common/payload/payload_reader.h"
#include "common/payload/pe_layout.h"
#include "common/payload/property_ids.h"
#include "tools/mkmedia/progress.h"
#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {
namespace {

using payload::Error;

// Keeps every record in order for display, and the launcher's view for the file list.
struct Collector : payload::PropertyVisitor {
  int codePage;
  std::vector<InspectedProperty>* out;
  payload::PropertyTables tables;
  void narrow(int32_t id, std::string_view value) override {
    out->push_back({id, false, codePageToUtf8(value, codePage)});
    tables.narrow(id, value);
  }
  void wide(int32_t id, std::u16string_view value) override {
    out->push_back({id, true, utf16ToUtf8(value)});
    tables.wide(id, value);
  }
};

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, value);
  return text;
}

void crcProgress(void* context, int64_t done, int64_t) { static_cast<Progress*>(context)->update(done); }

// Resources of the launcher image in front of the payload; a stub is far below this size.
constexpr int64_t kMaxImageSize = int64_t{64} << 20;

SetupFileReport readSetupFile(payload::ByteSource& source, int64_t imageSize) {
  SetupFileReport report;
  if (imageSize > kMaxImageSize || imageSize > source.size()) {
    report.problem = "the image in front of the payload is too large or cut short";
    return report;
  }
  std::vector<uint8_t> image(static_cast<size_t>(imageSize));
  payload::ByteCursor cursor(source, 0);
  if (cursor.readBytes(image.data(), image.size()) != Error::kNone) {
    report.problem = "the image in front of the payload cannot be read";
    return report;
  }
  return inspectSetupFile(image);
}

std::string joinSizes(const std::vector<std::string>& sizes) {
  std::string out;
  for (const std::string& size : sizes) out += (out.empty() ? "" : ", ") + size;
  return out;
}

}  // namespace

bool inspectMedia(payload::ByteSource& source, int codePage, MediaReport& report, std::string& error,
                  const std::string& progressLabel) {
  report = MediaReport{};
  payload::PeLayout layout;
  if (Error e = payload::findPayloadStart(source, layout); e != Error::kNone) {
    error = std::string("cannot find the payload: ") +
            (e == Error::kTruncated ? "not a PE file" : payload::errorText(e));
    return false;
  }
  report.payloadStart = layout.payloadStart;
  report.setupFile = readSetupFile(source, layout.payloadStart);
  payload::PayloadHeader header;
  if (Error e = payload::readHeader(source, layout.payloadStart, header); e != Error::kNone) {
    error = e == Error::kTruncated ? "no payload behind the last section (truncated header)"
                                   : std::string("payload header: ") + payload::errorText(e);
    return false;
  }
  report.verifyFlag = header.verifyFlag;
  report.storedCrc = header.checksum;
  report.regionLength = header.regionLength;

  const int64_t regionStart = layout.payloadStart + payload::kHeaderSize;
  int64_t regionEnd = regionStart + (header.regionLength > 0 ? header.regionLength : 0);
  if (header.regionLength < 0 || regionEnd > source.size()) regionEnd = source.size();
  report.trailingSize = source.size() - regionEnd;

  // The checksum first: damage that garbles a record length must still show as a mismatch.
  if (header.regionLength < 0) {
    // The launcher's loop reads nothing: its computed CRC is that of no bytes.
    report.computedCrc = 0;
    report.crcComplete = true;
  } else {
    Progress progress(progressLabel, progressLabel.empty() ? 0 : header.regionLength);
    Error e = payload::crcOfRegion(source, regionStart, header.regionLength, report.computedCrc, nullptr,
                                   crcProgress, &progress);
    if (e == Error::kReadFailed) {
      error = "read failed while computing the CRC";
      return false;
    }
    report.crcComplete = e == Error::kNone;
  }
  auto unreadable = [&](const std::string& what) {
    if (report.crcOk()) {
      error = what + " (checksum OK)";
      return false;
    }
    report.unreadable = what;
    return true;
  };

  Collector collector;
  collector.codePage = codePage;
  collector.out = &report.properties;
  if (Error e =
          payload::readPropertyTables(source, layout.payloadStart, collector, report.includedFilesOffset);
      e != Error::kNone) {
    report.includedFilesOffset = 0;
    return unreadable(std::string("property tables: ") + payload::errorText(e));
  }

  const std::string* countText = collector.tables.findNarrow(payload::kIncludedFileCount);
  const std::string* namesText = collector.tables.findNarrow(payload::kIncludedFileNames);
  int32_t count = countText ? payload::parseIntProperty(*countText) : 0;
  std::vector<std::string> names = payload::includedFileNames(namesText ? *namesText : std::string(), count);
  int64_t at = report.includedFilesOffset;
  for (const std::string& name : names) {
    payload::IncludedFileRecord record;
    if (Error e = payload::readIncludedFileRecord(source, at, record); e != Error::kNone) {
      return unreadable("included file " + codePageToUtf8(name, codePage) + ": " + payload::errorText(e));
    }
    report.files.push_back({codePageToUtf8(name, codePage), record.storedSize, record.contentOffset});
    at = record.nextOffset;
  }
  // The launcher returns early only for a count of 0; otherwise it records where it stopped,
  // even when no name was there to extract.
  report.unextractedPosition = count == 0 ? 0 : at;
  report.remainingDataSize = regionEnd > at ? regionEnd - at : 0;
  return true;
}

std::string formatReportText(const MediaReport& r) {
  std::string out;
  char line[256];
  auto add = [&](const char* format, auto... args) {
    std::snprintf(line, sizeof line, format, args...);
    out += line;
  };
  add("payload start: %" PRId64 "\n", r.payloadStart);
  add("verify flag: %" PRId32 "\n", r.verifyFlag);
  add("region length: %" PRId64 "\n", r.regionLength);
  out += "checksum: stored " + hex32(r.storedCrc) + ", computed " +
         (r.crcComplete ? hex32(r.computedCrc) : std::string("(region runs past the end of the file)")) +
         (r.crcOk() ? " OK\n" : " MISMATCH\n");
  out += "properties:\n";
  for (const InspectedProperty& p : r.properties) {
    const char* name = payload::propertyNameById(p.id);
    add("  %s %" PRId32, p.wide ? "wide  " : "narrow", p.id);
    if (name) out += std::string(" ") + name;
    out += " = " + jsonString(p.value) + "\n";
  }
  add("included files at: %" PRId64 "\n", r.includedFilesOffset);
  for (const InspectedFile& f : r.files) {
    out += "  " + jsonString(f.name);
    add(" size %" PRId64 " offset %" PRId64 "\n", f.size, f.offset);
  }
  add("unextracted position: %" PRId64 "\n", r.unextractedPosition);
  add("remaining data: %" PRId64 " bytes\n", r.remainingDataSize);
  add("behind the checksum region: %" PRId64 " bytes\n", r.trailingSize);
  const SetupFileReport& setup = r.setupFile;
  if (!setup.read) {
    out += "setup file resources: unreadable (" + setup.problem + ")\n";
  } else {
    out +=
        "icon 1001: " + (setup.iconSizes.empty() ? std::string("none") : joinSizes(setup.iconSizes)) + "\n";
    out +=
        "file version: " + (setup.fileVersion.empty() ? std::string("none") : setup.fileVersion) +
        ", product version: " + (setup.productVersion.empty() ? std::string("none") : setup.productVersion) +
        "\n";
    for (const auto& [key, value] : setup.versionStrings)
      out += "  " + key + " = " + jsonString(value) + "\n";
    out += "execution level: " + (setup.executionLevel.empty() ? std::string("none") : setup.executionLevel) +
           "\n";
  }
  if (!r.unreadable.empty()) out += "could not read: " + r.unreadable + "\n";
  return out;
}

std::string formatReportJson(const MediaReport& r) {
  std::string out = "{\n";
  auto field = [&](const char* name, const std::string& value, bool last = false) {
    out += std::string("  \"") + name + "\": " + value + (last ? "\n" : ",\n");
  };
  field("payloadStart", std::to_string(r.payloadStart));
  field("verifyFlag", std::to_string(r.verifyFlag));
  field("regionLength", std::to_string(r.regionLength));
  field("storedCrc", std::to_string(r.storedCrc));
  field("computedCrc", r.crcComplete ? std::to_string(r.computedCrc) : std::string("null"));
  field("crc", r.crcOk() ? "\"OK\"" : "\"MISMATCH\"");
  std::string list = "[";
  for (size_t i = 0; i < r.properties.size(); ++i) {
    const InspectedProperty& p = r.properties[i];
    const char* name = payload::propertyNameById(p.id);
    list += std::string(i ? ",\n    " : "\n    ") + "{\"id\": " + std::to_string(p.id) +
            ", \"wide\": " + (p.wide ? "true" : "false") +
            ", \"name\": " + (name ? jsonString(name) : std::string("null")) +
            ", \"value\": " + jsonString(p.value) + "}";
  }
  field("properties", list + (r.properties.empty() ? "]" : "\n  ]"));
  field("includedFilesOffset", std::to_string(r.includedFilesOffset));
  list = "[";
  for (size_t i = 0; i < r.files.size(); ++i) {
    const InspectedFile& f = r.files[i];
    list += std::string(i ? ",\n    " : "\n    ") + "{\"name\": " + jsonString(f.name) +
            ", \"size\": " + std::to_string(f.size) + ", \"offset\": " + std::to_string(f.offset) + "}";
  }
  field("files", list + (r.files.empty() ? "]" : "\n  ]"));
  field("unextractedPosition", std::to_string(r.unextractedPosition));
  field("remainingDataSize", std::to_string(r.remainingDataSize));
  field("trailingSize", std::to_string(r.trailingSize));
  const SetupFileReport& setup = r.setupFile;
  std::string icons = "[";
  for (size_t i = 0; i < setup.iconSizes.size(); ++i)
    icons += (i ? ", " : "") + jsonString(setup.iconSizes[i]);
  std::string strings = "{";
  for (size_t i = 0; i < setup.versionStrings.size(); ++i) {
    strings += std::string(i ? ", " : "") + jsonString(setup.versionStrings[i].first) + ": " +
               jsonString(setup.versionStrings[i].second);
  }
  auto optional = [&](const std::string& text) {
    return text.empty() ? std::string("null") : jsonString(text);
  };
  field("setupFile", setup.read
                         ? "{\"icon\": " + icons + "], \"fileVersion\": " + optional(setup.fileVersion) +
                               ", \"productVersion\": " + optional(setup.productVersion) +
                               ", \"versionStrings\": " + strings +
                               "}, \"executionLevel\": " + optional(setup.executionLevel) + "}"
                         : "{\"unreadable\": " + jsonString(setup.problem) + "}");
  field("unreadable", optional(r.unreadable), true);
  return out + "}\n";
}

}  // namespace drx::mkmedia

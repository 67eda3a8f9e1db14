// Media file assembly: stub check, property tables, streamed included files and remaining data.
#include "tools/mkmedia/build_media.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "common/payload/digest_text.h"
#include "common/payload/pe_layout.h"
#include "common/payload/property_ids.h"
#include "tools/mkmedia/customise_stub.h"
#include "tools/mkmedia/pe_checksum_sink.h"
#include "tools/mkmedia/default_texts.h"
#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/pe_image.h"
#include "tools/mkmedia/progress.h"
#include "tools/mkmedia/sha256.h"
#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {
namespace {

using payload::Error;

constexpr size_t kCopyBufferSize = size_t{1} << 20;

// Removes the partial output unless disarmed.
class PartialFile {
 public:
  explicit PartialFile(std::string path) : path_(std::move(path)) {}
  ~PartialFile() {
    if (!path_.empty()) removeFile(path_);
  }
  void keep() { path_.clear(); }

 private:
  std::string path_;
};

std::string joinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) {
    if (!joined.empty()) joined += ';';
    joined += name;
  }
  return joined;
}

// Copies `size` bytes of `source` from its start into `write`, in buffer-sized pieces; `write` may
// change the buffer.
template <typename Write>
bool streamFile(payload::ByteSource& source, int64_t size, std::vector<uint8_t>& buffer, Progress& progress,
                const std::string& path, std::string& error, Write write) {
  int64_t done = 0;
  while (done < size) {
    size_t want = static_cast<size_t>(std::min<int64_t>(size - done, static_cast<int64_t>(buffer.size())));
    int64_t n = source.readAt(done, buffer.data(), want);
    if (n < 0) {
      error = path + ": read failed";
      return false;
    }
    if (n == 0) {
      error = path + ": file shrank while it was being read";
      return false;
    }
    if (!write(buffer.data(), static_cast<size_t>(n))) return false;
    done += n;
    progress.advance(n);
  }
  return true;
}

// The last narrow entry with `id` (the launcher keeps the last), or null.
const ConfigEntry* lastNarrowEntry(const std::vector<ConfigEntry>& entries, int32_t id) {
  const ConfigEntry* found = nullptr;
  for (const ConfigEntry& entry : entries) {
    if (entry.id == id && !entry.wide) found = &entry;
  }
  return found;
}

// Puts the digest of --jre-sha256 in place of a configured one, refuses a digest that is no
// SHA-256 (the launcher would then refuse every download), and warns about a download that
// nothing protects on its way.
bool settleDownloadDigest(const BuildOptions& options, std::vector<ConfigEntry>& entries,
                          std::string& error) {
  if (!options.jreDigestPath.empty()) {
    std::string digest;
    if (!sha256OfFile(options.jreDigestPath, digest, error)) return false;
    entries.erase(
        std::remove_if(entries.begin(), entries.end(),
                       [](const ConfigEntry& e) { return e.id == payload::kJreDownloadSha256 && !e.wide; }),
        entries.end());
    entries.push_back({payload::kJreDownloadSha256, false, digest, 0, "--jre-sha256"});
  }
  const ConfigEntry* digest = lastNarrowEntry(entries, payload::kJreDownloadSha256);
  uint8_t parsed[payload::kSha256Bytes];
  if (digest != nullptr && !digest->value.empty() &&
      !payload::parseSha256Text(digest->value.c_str(), parsed)) {
    error = options.configPath + ": line " + std::to_string(digest->line) + ": " + digest->key +
            ": not a SHA-256 digest (64 hexadecimal digits)";
    return false;
  }
  const ConfigEntry* url = lastNarrowEntry(entries, payload::kJreDownloadUrl);
  std::string scheme = url != nullptr ? url->value.substr(0, 7) : std::string();
  for (char& c : scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  if (scheme == "http://" && (digest == nullptr || digest->value.empty())) {
    std::fprintf(
        stderr,
        "mkmedia: warning: jreDownloadUrl is plain http:// and no jreDownloadSha256 is given: a runtime "
        "archive changed on its way would be installed (use https:// or --jre-sha256 ARCHIVE)\n");
  }
  return true;
}

}  // namespace

bool normaliseIncludedName(const std::string& name, std::string& out, std::string& error) {
  if (name.empty()) {
    error = "an included file needs a name";
    return false;
  }
  if (name.find(';') != std::string::npos) {
    error = "included file name '" + name + "' contains ';', which separates the names";
    return false;
  }
  out = name;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return true;
}

bool assembleProperties(const std::vector<ConfigEntry>& entries, const std::vector<std::string>& fileNames,
                        int codePage, std::vector<payload::NarrowProperty>& narrow,
                        std::vector<payload::WideProperty>& wide, std::string& error) {
  narrow.clear();
  wide.clear();
  std::set<std::pair<bool, int32_t>> configured;
  char flavour = 'd';
  for (const ConfigEntry& entry : entries) {
    if (entry.setupFile) continue;
    configured.insert({entry.wide, entry.id});
    std::string message;
    if (entry.wide) {
      std::u16string text;
      if (!utf8ToUtf16(entry.value, text, message)) {
        error = "line " + std::to_string(entry.line) + ": " + message;
        return false;
      }
      wide.push_back({entry.id, std::move(text)});
    } else {
      std::string text;
      if (!utf8ToCodePage(entry.value, codePage, text, message)) {
        error = "line " + std::to_string(entry.line) + ": " + entry.key + ": " + message;
        return false;
      }
      if (entry.id == payload::kLauncherFlavour && !text.empty()) flavour = text[0];
      narrow.push_back({entry.id, std::move(text)});
    }
  }
  auto addDerived = [&](int32_t id, const std::string& value) -> bool {
    if (configured.count({false, id})) return true;
    std::string text, message;
    if (!utf8ToCodePage(value, codePage, text, message)) {
      error = "included file names: " + message;
      return false;
    }
    narrow.push_back({id, std::move(text)});
    return true;
  };
  if (!addDerived(payload::kIncludedFileCount, std::to_string(fileNames.size()))) return false;
  if (!addDerived(payload::kIncludedFileNames, joinNames(fileNames))) return false;
  for (size_t i = 0; i < kDefaultTextCount; ++i) {
    int32_t id = kDefaultTexts[i].id;
    bool isWide = payload::isWideTextId(id);
    if (configured.count({isWide, id})) continue;
    std::string text = defaultText(id, flavour), message;
    if (isWide) {
      std::u16string wideText;
      utf8ToUtf16(text, wideText, message);
      wide.push_back({id, std::move(wideText)});
    } else {
      std::string converted;
      if (!utf8ToCodePage(text, codePage, converted, message)) {
        error = "default text " + std::to_string(id) + ": " + message;
        return false;
      }
      narrow.push_back({id, std::move(converted)});
    }
  }
  return true;
}

bool buildMedia(const BuildOptions& options, std::string& error) {
  std::string message;
  FileSource stub;
  if (!stub.open(options.stubPath, message)) {
    error = options.stubPath + ": " + message;
    return false;
  }
  payload::PeLayout layout;
  if (Error e = payload::checkLauncherStub(stub, layout); e != Error::kNone) {
    switch (e) {
      case Error::kPeTrailingData:
        error = options.stubPath +
                ": the stub already carries data after its last section (a payload or a signature); "
                "use an unsigned stub without payload";
        break;
      case Error::kPeSectionOrder:
        error = options.stubPath + ": the last section header does not describe the section that ends last";
        break;
      case Error::kNotPe:
      case Error::kTruncated:
        error = options.stubPath + ": not a PE file";
        break;
      default:
        error = options.stubPath + ": " + payload::errorText(e);
    }
    return false;
  }

  std::string configText;
  if (!readTextFile(options.configPath, configText, message)) {
    error = options.configPath + ": " + message;
    return false;
  }
  std::vector<ConfigEntry> entries;
  if (!parseMediaConfig(configText, entries, message)) {
    error = options.configPath + ":" + message;
    return false;
  }
  if (!settleDownloadDigest(options, entries, error)) return false;
  SetupFileOptions setupFile = options.setupFile;
  {
    SetupFileOptions configured;
    if (!setupFileFromConfig(entries, options.configPath, configured, message)) {
      error = options.configPath + ": " + message;
      return false;
    }
    setupFile.fillFrom(configured);
  }
  // The stub copy with the setup file's own resources, checked as the launcher will read it.
  std::vector<uint8_t> customised;
  payload::MemorySource customisedSource(nullptr, 0);
  payload::ByteSource* image = &stub;
  size_t checksumOffset = 0;
  if (setupFile.any()) {
    if (!customiseStub(stub, options.stubPath, setupFile, options.outputPath, customised, checksumOffset,
                       error)) {
      return false;
    }
    customisedSource = payload::MemorySource(customised.data(), customised.size());
    if (payload::checkLauncherStub(customisedSource, layout) != Error::kNone) {
      error = options.stubPath + ": the rewritten stub fails the launcher's PE checks";
      return false;
    }
    image = &customisedSource;
    // Summed as zero while the file is written, then set to the whole file's checksum.
    std::fill_n(customised.begin() + static_cast<std::ptrdiff_t>(checksumOffset), 4, 0);
  }

  std::vector<std::string> names;
  for (const IncludedFileSpec& file : options.files) names.push_back(file.name);
  std::vector<payload::NarrowProperty> narrow;
  std::vector<payload::WideProperty> wide;
  if (!assembleProperties(entries, names, options.codePage, narrow, wide, message)) {
    error = options.configPath + ": " + message;
    return false;
  }

  // Open every input first and add up the size, so an oversized media file is refused before
  // anything is written.
  std::vector<std::unique_ptr<FileSource>> inputs;
  int64_t total = image->size() + payload::kHeaderSize + 8;
  for (const auto& p : narrow) total += 8 + static_cast<int64_t>(p.value.size());
  for (const auto& p : wide) total += 8 + 2 * static_cast<int64_t>(p.value.size());
  int64_t streamed = 0;
  auto openInput = [&](const std::string& path) -> bool {
    auto source = std::make_unique<FileSource>();
    if (!source->open(path, message)) {
      error = path + ": " + message;
      return false;
    }
    streamed += source->size();
    inputs.push_back(std::move(source));
    return true;
  };
  for (const IncludedFileSpec& file : options.files) {
    if (!openInput(file.path)) return false;
    total += 8;
  }
  if (!options.dataPath.empty() && !openInput(options.dataPath)) return false;
  total += streamed;
  if (total > payload::kMaxMediaFileSize) {
    error = "the media file would be " + std::to_string(total) + " bytes; it must stay below 2 GiB";
    return false;
  }

  const std::string partialPath = options.outputPath + ".partial";
  removeFile(partialPath);
  FileSink sink;
  if (!sink.create(partialPath, message)) {
    error = partialPath + ": " + message;
    return false;
  }
  PartialFile partial(partialPath);
  auto writeFailed = [&]() {
    error = options.outputPath + ": write failed: " + sink.lastError();
    return false;
  };
  auto check = [&](Error e) {
    if (e == Error::kNone) return true;
    if (e == Error::kWriteFailed) return writeFailed();
    error = options.outputPath + ": " + payload::errorText(e);
    return false;
  };

  // A customised stub's checksum covers the whole media file, so everything is summed on its way.
  PeChecksumSink checksumSink(sink);
  payload::ByteSink& out = customised.empty() ? static_cast<payload::ByteSink&>(sink) : checksumSink;
  std::vector<uint8_t> buffer(kCopyBufferSize);
  Progress progress("mkmedia: building " + options.outputPath, total);
  if (!streamFile(*image, image->size(), buffer, progress, options.stubPath, error,
                  [&](uint8_t* data, size_t n) { return out.write(data, n) || writeFailed(); })) {
    return false;
  }
  payload::PayloadWriter writer(out, image->size());
  if (!check(writer.writeHeaderAndProperties(options.verify, narrow, wide))) return false;
  for (size_t i = 0; i < options.files.size(); ++i) {
    FileSource& input = *inputs[i];
    if (!check(writer.beginIncludedFile(input.size()))) return false;
    if (!streamFile(
            input, input.size(), buffer, progress, options.files[i].path, error,
            [&](uint8_t* data, size_t n) { return check(writer.writeIncludedFileDataInPlace(data, n)); })) {
      return false;
    }
  }
  if (!options.dataPath.empty()) {
    FileSource& data = *inputs.back();
    if (!streamFile(data, data.size(), buffer, progress, options.dataPath, error,
                    [&](uint8_t* bytes, size_t n) { return check(writer.writeRemainingData(bytes, n)); })) {
      return false;
    }
  }
  if (!check(writer.finish())) return false;
  if (!customised.empty()) {
    uint8_t field[4];
    storeLe32(field, checksumSink.checksum());
    if (!sink.writeAt(static_cast<int64_t>(checksumOffset), field, sizeof field)) return writeFailed();
  }
  if (!sink.close(message)) {
    error = options.outputPath + ": " + message;
    return false;
  }
  if (!replaceFile(partialPath, options.outputPath, message)) {
    error = options.outputPath + ": " + message;
    return false;
  }
  partial.keep();
  return true;
}

}  // namespace drx::mkmedia

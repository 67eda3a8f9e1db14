// Measures the payload check and the extraction under wine against baselines taken in the same process:
// zlib's crc32 over the same bytes in memory, and CopyFileW of the same files. The media file is built
// from every file of a content directory (the benchmark data set), one included file each.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/payload/byte_source.h"
#include "common/payload/payload_writer.h"
#include "common/payload/property_ids.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/temp_directory.h"

using namespace drx;

namespace {

// Writes straight to a file; the header patch at the end seeks back.
class FileSink : public payload::ByteSink {
 public:
  explicit FileSink(const char* path) : file_(fopen(path, "wb")) {}
  ~FileSink() override {
    if (file_) fclose(file_);
  }
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  bool isOpen() const { return file_ != nullptr; }
  bool write(const void* data, size_t count) override { return fwrite(data, 1, count, file_) == count; }
  bool writeAt(int64_t offset, const void* data, size_t count) override {
    fflush(file_);
    long long end = _ftelli64(file_);
    bool ok = _fseeki64(file_, offset, SEEK_SET) == 0 && fwrite(data, 1, count, file_) == count;
    _fseeki64(file_, end, SEEK_SET);
    return ok;
  }

 private:
  FILE* file_;
};

double seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A PE-shaped head: the reader finds the payload after the last section of the stub.
std::string stub() {
  std::string bytes(0x600, '\0');
  auto put = [&](size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  bytes[0] = 'M';
  bytes[1] = 'Z';
  put(60, 128, 4);
  put(128 + 6, 3, 2);
  put(128 + 20, 240, 2);
  put(128 + 24 + 240 + 80 + 16, 0x200, 4);
  put(128 + 24 + 240 + 80 + 20, 0x400, 4);
  return bytes;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return bytes;
  _fseeki64(file, 0, SEEK_END);
  bytes.resize(static_cast<size_t>(_ftelli64(file)));
  _fseeki64(file, 0, SEEK_SET);
  if (!bytes.empty() && fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
  fclose(file);
  return bytes;
}

std::vector<std::string> filesIn(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void removeFilesAndDirectory(const std::string& directory, const std::vector<std::string>& names) {
  for (const std::string& name : names) DeleteFileA((directory + "\\" + name).c_str());
  RemoveDirectoryA(directory.c_str());
}

// Builds the media file; `region` receives the checked bytes (the included files' records and contents).
bool writeMedia(const std::string& mediaPath, const std::string& contentDirectory,
                const std::vector<std::string>& names, std::vector<uint8_t>& region) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ";") + name;
  FileSink sink(mediaPath.c_str());
  if (!sink.isOpen()) return false;
  const std::string head = stub();
  sink.write(head.data(), head.size());
  payload::PayloadWriter writer(sink, static_cast<int64_t>(head.size()));
  writer.writeHeaderAndProperties(
      true,
      {{payload::kIncludedFileCount, std::to_string(names.size())}, {payload::kIncludedFileNames, joined}},
      {});
  for (const std::string& name : names) {
    const std::vector<uint8_t> content = readWholeFile(contentDirectory + "\\" + name);
    writer.beginIncludedFile(static_cast<int64_t>(content.size()));
    writer.writeIncludedFileData(content.data(), content.size());
    region.insert(region.end(), content.begin(), content.end());
  }
  return writer.finish() == payload::Error::kNone;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: bench_launcher_reader WORK_DIRECTORY CONTENT_DIRECTORY [rounds]\n");
    return 2;
  }
  const std::string directory = argv[1];
  const std::string contentDirectory = argv[2];
  const int rounds = std::max(1, argc > 3 ? atoi(argv[3]) : 5);
  const std::string mediaPath = directory + "\\bench_media.bin";
  const std::vector<std::string> names = filesIn(contentDirectory);
  std::vector<uint8_t> region;
  if (names.empty() || !writeMedia(mediaPath, contentDirectory, names, region)) {
    fprintf(stderr, "could not build a media file from %s\n", contentDirectory.c_str());
    return 1;
  }

  // A payload with almost nothing to sum: what one check costs besides summing (open, headers, log lines).
  const std::string tinyPath = directory + "\\bench_tiny.bin";
  {
    FileSink sink(tinyPath.c_str());
    const std::string head = stub();
    sink.write(head.data(), head.size());
    payload::PayloadWriter writer(sink, static_cast<int64_t>(head.size()));
    writer.writeHeaderAndProperties(true, {}, {});
    writer.finish();
  }
  std::vector<double> fixed;
  launcher::setMediaPath(tinyPath.c_str());
  for (int round = 0; round < rounds; ++round) {
    const double start = seconds();
    const launcher::RunFailure failure = launcher::verifyIntegrity(nullptr, true);
    fixed.push_back(seconds() - start);
    if (failure) {
      fprintf(stderr, "check failed: %d\n", static_cast<int>(failure.kind));
      return 1;
    }
  }
  DeleteFileA(tinyPath.c_str());

  launcher::setMediaPath(mediaPath.c_str());
  if (launcher::RunFailure failure = launcher::loadLauncherProperties()) {
    fprintf(stderr, "properties not read: %d\n", static_cast<int>(failure.kind));
    return 1;
  }

  std::vector<double> crcTimes, verifyTimes, copyTimes, extractTimes;
  uLong sink = 0;
  for (int round = 0; round < rounds; ++round) {
    // Baseline: zlib crc32 over the same bytes in memory, 16 KB at a time.
    double start = seconds();
    uLong crc = crc32(0, nullptr, 0);
    for (size_t at = 0; at < region.size(); at += 16384) {
      crc = crc32(crc, region.data() + at, static_cast<uInt>(std::min<size_t>(16384, region.size() - at)));
    }
    sink ^= crc;
    crcTimes.push_back(seconds() - start);

    start = seconds();
    const launcher::RunFailure checkFailure = launcher::verifyIntegrity(nullptr, true);
    verifyTimes.push_back(seconds() - start);
    if (checkFailure) {
      fprintf(stderr, "check failed: %d\n", static_cast<int>(checkFailure.kind));
      return 1;
    }

    // Baseline: CopyFileW of every content file into a fresh folder.
    const std::string copyDirectory = directory + "\\bench_copy" + std::to_string(round);
    CreateDirectoryA(copyDirectory.c_str(), nullptr);
    start = seconds();
    for (const std::string& name : names) {
      const std::string from = contentDirectory + "\\" + name, to = copyDirectory + "\\" + name;
      CopyFileW(std::wstring(from.begin(), from.end()).c_str(), std::wstring(to.begin(), to.end()).c_str(),
                FALSE);
    }
    copyTimes.push_back(seconds() - start);
    removeFilesAndDirectory(copyDirectory, names);

    const std::string extractDirectory = directory + "\\bench_extract" + std::to_string(round);
    CreateDirectoryA(extractDirectory.c_str(), nullptr);
    launcher::setTemporaryDirectory(extractDirectory);
    start = seconds();
    const launcher::RunFailure result = launcher::extractIncludedFiles(nullptr);
    extractTimes.push_back(seconds() - start);
    removeFilesAndDirectory(extractDirectory, names);
    if (result) {
      fprintf(stderr, "extraction failed: %d\n", static_cast<int>(result.kind));
      return 1;
    }
  }
  DeleteFileA(mediaPath.c_str());

  const double crcTime = median(crcTimes), verifyTime = median(verifyTimes), copyTime = median(copyTimes),
               extractTime = median(extractTimes), fixedTime = median(fixed);
  const double regionMb = static_cast<double>(region.size()) / (1 << 20);
  printf("%zu files, %.1f MB; medians of %d rounds%s\n", names.size(), regionMb, rounds,
         sink == 1 ? " " : "");
  printf("crc32 in memory:   %.3f s (%.0f MB/s)\n", crcTime, regionMb / crcTime);
  printf("verify integrity:  %.3f s (%.0f MB/s), of which %.3f s fixed cost (open, headers, log lines)\n",
         verifyTime, regionMb / verifyTime, fixedTime);
  printf("CopyFileW:         %.3f s\n", copyTime);
  printf("extract:           %.3f s\n", extractTime);
  printf("metric verify_throughput_ratio %.3f\n", crcTime / verifyTime);
  printf("metric extract_time_ratio %.3f\n", extractTime / copyTime);
  printf("metric region_mb %.1f\n", regionMb);
  return 0;
}

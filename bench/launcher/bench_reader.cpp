// Measures the payload check and the extraction under wine against baselines taken in the same process:
// zlib's crc32 over the same bytes in memory, and CopyFileW of the same file content.
#include <windows.h>
#include <zlib.h>

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

std::vector<uint8_t> patternedBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

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

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : ".";
  const size_t fileSize = 100u << 20;   // the included file
  const size_t restSize = 100u << 20;   // remaining data: the region is about 200 MB
  const int rounds = argc > 2 ? atoi(argv[2]) : 3;
  const std::string mediaPath = directory + "\\bench_media.bin";
  const std::string plainPath = directory + "\\bench_plain.bin";
  const std::string copyPath = directory + "\\bench_copy.bin";

  const std::vector<uint8_t> content = patternedBytes(fileSize, 1);
  const std::vector<uint8_t> rest = patternedBytes(restSize, 2);
  {
    FileSink sink(mediaPath.c_str());
    const std::string head = stub();
    sink.write(head.data(), head.size());
    payload::PayloadWriter writer(sink, static_cast<int64_t>(head.size()));
    writer.writeHeaderAndProperties(true, {{payload::kIncludedFileCount, "1"}, {payload::kIncludedFileNames, "big.bin"}},
                                    {});
    writer.beginIncludedFile(static_cast<int64_t>(content.size()));
    writer.writeIncludedFileData(content.data(), content.size());
    writer.writeRemainingData(rest.data(), rest.size());
    if (writer.finish() != payload::Error::kNone) {
      fprintf(stderr, "could not write %s\n", mediaPath.c_str());
      return 1;
    }
    FileSink plain(plainPath.c_str());
    plain.write(content.data(), content.size());
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
  double bestFixed = 1e9;
  launcher::setMediaPath(tinyPath.c_str());
  for (int round = 0; round < rounds; ++round) {
    const double start = seconds();
    launcher::verifyIntegrity(nullptr, true);
    bestFixed = std::min(bestFixed, seconds() - start);
  }
  DeleteFileA(tinyPath.c_str());

  launcher::setMediaPath(mediaPath.c_str());
  launcher::loadLauncherProperties();

  // Baseline 1: zlib crc32 over the region's size in memory, 16 KB at a time.
  std::vector<uint8_t> region(content.size() + rest.size());
  std::copy(content.begin(), content.end(), region.begin());
  std::copy(rest.begin(), rest.end(), region.begin() + content.size());
  double bestCrc = 1e9, bestVerify = 1e9, bestCopy = 1e9, bestExtract = 1e9, bestRead = 1e9, bestReadSum = 1e9;
  uLong sink = 0;
  for (int round = 0; round < rounds; ++round) {
    double start = seconds();
    uLong crc = crc32(0, nullptr, 0);
    for (size_t at = 0; at < region.size(); at += 16384) {
      crc = crc32(crc, region.data() + at, static_cast<uInt>(std::min<size_t>(16384, region.size() - at)));
    }
    sink ^= crc;
    bestCrc = std::min(bestCrc, seconds() - start);

    start = seconds();
    launcher::verifyIntegrity(nullptr, true);
    bestVerify = std::min(bestVerify, seconds() - start);

    // For the breakdown: plain 1 MB ReadFile calls over the same bytes, with and without summing.
    for (int sum = 0; sum < 2; ++sum) {
      HANDLE file = CreateFileA(mediaPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      std::vector<uint8_t> chunk(1u << 20);
      start = seconds();
      DWORD read = 0;
      uLong crc = 0;
      while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read > 0) {
        if (sum) crc = crc32(crc, chunk.data(), read);
      }
      sink ^= crc;
      (sum ? bestReadSum : bestRead) = std::min(sum ? bestReadSum : bestRead, seconds() - start);
      CloseHandle(file);
    }

    DeleteFileA(copyPath.c_str());
    start = seconds();
    std::wstring from(plainPath.begin(), plainPath.end()), to(copyPath.begin(), copyPath.end());
    CopyFileW(from.c_str(), to.c_str(), FALSE);
    bestCopy = std::min(bestCopy, seconds() - start);

    const std::string extractDirectory = directory + "\\bench_extract" + std::to_string(round);
    CreateDirectoryA(extractDirectory.c_str(), nullptr);
    launcher::setTemporaryDirectory(extractDirectory);
    start = seconds();
    const int result = launcher::extractIncludedFiles(nullptr);
    bestExtract = std::min(bestExtract, seconds() - start);
    if (result != 0) {
      fprintf(stderr, "extraction failed: %d\n", result);
      return 1;
    }
    DeleteFileA((extractDirectory + "\\big.bin").c_str());
    RemoveDirectoryA(extractDirectory.c_str());
  }
  DeleteFileA(copyPath.c_str());
  DeleteFileA(plainPath.c_str());
  DeleteFileA(mediaPath.c_str());

  const double regionMb = static_cast<double>(region.size()) / (1 << 20);
  printf("crc32 in memory:   %.3f s (%.0f MB/s)%s\n", bestCrc, regionMb / bestCrc, sink == 1 ? " " : "");
  printf("verify integrity:  %.3f s (%.0f MB/s)\n", bestVerify, regionMb / bestVerify);
  printf("ReadFile 1 MB only: %.3f s, with crc32: %.3f s\n", bestRead, bestReadSum);
  printf("CopyFileW 100 MB:  %.3f s\n", bestCopy);
  printf("extract 100 MB:    %.3f s\n", bestExtract);
  printf("verify fixed cost:  %.3f s (empty region: open, headers, log lines)\n", bestFixed);
  printf("verification throughput ratio (verify / crc32, target >= 0.80): %.2f\n", bestCrc / bestVerify);
  printf("  without the fixed cost of one check: %.2f\n", bestCrc / (bestVerify - bestFixed));
  printf("extraction time ratio (extract / CopyFileW, target <= 1.50): %.2f\n", bestExtract / bestCopy);
  return 0;
}

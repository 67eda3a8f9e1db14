// Benchmark program: times the launcher's untar against a minimal gzread untar loop built for the
// same target, and the launcher's download of a runtime archive; prints milliseconds.
#include <direct.h>
#include <windows.h>
#include <wininet.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/payload/property_ids.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/runtime/included_runtime.h"
#include "launcher/runtime/runtime_stages.h"
#include "launcher/runtime/wininet_binding.h"

namespace {

double nowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

// The floor: the least a gzread-based untar must do (no checks, no log, no progress).
bool minimalUntar(const char* archive, const char* target) {
  gzFile in = gzopen(archive, "rb");
  if (!in) return false;
  if (_chdir(target) != 0) return false;
  static char buffer[32768];
  char header[512];
  while (gzread(in, header, 512) == 512 && header[0] != '\0') {
    long size = strtol(header + 124, nullptr, 8);
    for (char* c = header; *c; ++c) {
      if (*c == '/') *c = '\\';
    }
    if (header[156] == '5') {
      CreateDirectoryA(header, nullptr);
    } else {
      HANDLE out = header[156] == '0'
                       ? CreateFileA(header, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
                       : INVALID_HANDLE_VALUE;
      for (long left = size; left > 0;) {
        const int got = gzread(in, buffer, left < 32768 ? static_cast<unsigned>(left) : 32768u);
        if (got <= 0) break;
        DWORD written = 0;
        if (out != INVALID_HANDLE_VALUE) WriteFile(out, buffer, static_cast<DWORD>(got), &written, nullptr);
        left -= got;
      }
      if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    }
    if (size % 512) gzread(in, buffer, static_cast<unsigned>(512 - size % 512));
  }
  gzclose(in);
  return true;
}

// The floor of a download under wine: WinINet's own cost for the same 16 384-byte reads, without
// the launcher's status line, progress bar and checks.
bool minimalDownload(const char* url, const char* target) {
  HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = session ? InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD, 0) : nullptr;
  FILE* out = request ? std::fopen(target, "wb") : nullptr;
  bool ok = out != nullptr;
  static char buffer[16384];
  DWORD count = 0;
  while (ok && InternetReadFile(request, buffer, sizeof buffer, &count) && count > 0) {
    ok = std::fwrite(buffer, 1, count, out) == count;
  }
  if (out) std::fclose(out);
  if (request) InternetCloseHandle(request);
  if (session) InternetCloseHandle(session);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "untar") == 0) {
    CreateDirectoryA(argv[3], nullptr);
    const double start = nowMs();
    const bool ok = std::strcmp(argv[4], "minimal") == 0
                        ? minimalUntar(argv[2], argv[3])
                        : !drx::launcher::untarRuntime(argv[2], argv[3], nullptr, 0);
    std::printf("%s %.1f\n", ok ? "ms" : "failed", nowMs() - start);
    if (ok && std::strcmp(argv[4], "launcher") == 0) {
      // The share of the log: one line per extracted file, each written whole with one WriteFile
      // so that the log on disk is complete at any moment.
      const double logStart = nowMs();
      for (int line = 0; line < 2000; ++line)
        drx::launcher::logLine("extracting %s (size %d)", "lib\\x.class", line);
      std::printf("log2000 %.1f\n", nowMs() - logStart);
    }
    return ok ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "download") == 0) {
    drx::launcher::setProperty(drx::payload::kJreDownloadUrl, argv[2]);
    drx::launcher::setProperty(drx::payload::kDownloadWithoutAsking, "1");
    if (_chdir(argv[3]) != 0) return 2;
    // Loading wininet and its dependencies is start-up cost, as curl's own loading is for curl.
    if (!drx::launcher::bindWinInet()) return 2;
    const double start = nowMs();
    bool ready = false;
    const bool ok = !drx::launcher::runDownloadFlow(nullptr, ready) && ready;
    std::printf("%s %.1f\n", ok ? "ms" : "failed", nowMs() - start);
    return ok ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "wininet") == 0) {
    LoadLibraryA("wininet.dll");  // as above: loading is not part of the transfer
    const double start = nowMs();
    const bool ok = minimalDownload(argv[2], (std::string(argv[3]) + "\\jre.tar.gz").c_str());
    std::printf("%s %.1f\n", ok ? "ms" : "failed", nowMs() - start);
    return ok ? 0 : 1;
  }
  std::fprintf(
      stderr,
      "usage: bench_launcher_runtime untar ARCHIVE TARGET launcher|minimal | download|wininet URL DIR\n");
  return 2;
}

// SHA-256 of the downloaded runtime archive through CNG (bcrypt.dll from the system directory),
// compared with the digest the media file carries.
#include "launcher/runtime/archive_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <memory>
#include <new>

#include "common/payload/property_ids.h"
#include "common/system_library.h"
#include "common/unique_handle.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"

namespace drx::launcher {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

// The CNG functions, bound at run time: bcrypt.dll is a system DLL of Vista and later, and a
// launcher that imported it would not even start where it is missing.
struct Cng {
  decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
  decltype(&BCryptCreateHash) createHash = nullptr;
  decltype(&BCryptHashData) hashData = nullptr;
  decltype(&BCryptFinishHash) finishHash = nullptr;
  decltype(&BCryptDestroyHash) destroyHash = nullptr;
};

template <class Function>
bool lookUp(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

// Only the download thread hashes, once per start: no guard needed around the binding.
bool bindCng(Cng& cng) {
  HMODULE module = loadSystemLibrary(L"bcrypt.dll");
  return module && lookUp(module, "BCryptOpenAlgorithmProvider", cng.openAlgorithm) &&
         lookUp(module, "BCryptCloseAlgorithmProvider", cng.closeAlgorithm) &&
         lookUp(module, "BCryptCreateHash", cng.createHash) &&
         lookUp(module, "BCryptHashData", cng.hashData) &&
         lookUp(module, "BCryptFinishHash", cng.finishHash) &&
         lookUp(module, "BCryptDestroyHash", cng.destroyHash);
}

// The provider and hash objects of one computation, released in reverse order.
class Sha256Hash {
 public:
  explicit Sha256Hash(const Cng& cng) : cng_(cng) {
    status_ = cng_.openAlgorithm(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    // With no object buffer given, CNG (Windows 7 and later) keeps the hash object itself.
    if (status_ >= 0) status_ = cng_.createHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0);
  }
  ~Sha256Hash() {
    if (hash_) cng_.destroyHash(hash_);
    if (algorithm_) cng_.closeAlgorithm(algorithm_, 0);
  }
  Sha256Hash(const Sha256Hash&) = delete;
  Sha256Hash& operator=(const Sha256Hash&) = delete;

  NTSTATUS status() const { return status_; }
  bool add(const void* data, DWORD size) {
    status_ = cng_.hashData(hash_, static_cast<PUCHAR>(const_cast<void*>(data)), size, 0);
    return status_ >= 0;
  }
  bool finish(uint8_t (&digest)[payload::kSha256Bytes]) {
    status_ = cng_.finishHash(hash_, digest, payload::kSha256Bytes, 0);
    return status_ >= 0;
  }

 private:
  const Cng& cng_;
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  NTSTATUS status_ = 0;
};

}  // namespace

bool sha256OfFile(const char* path, uint8_t (&digest)[payload::kSha256Bytes]) {
  Cng cng;
  if (!bindCng(cng)) {
    logErrorLine("Could not load the SHA-256 functions of bcrypt.dll");
    return false;
  }
  Sha256Hash hash(cng);
  if (hash.status() < 0) {
    logErrorLine("SHA-256 provider failed with status 0x%08lx", static_cast<unsigned long>(hash.status()));
    return false;
  }
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    logErrorLine("opening %s for its SHA-256 failed with error code %d", path,
                 static_cast<int>(GetLastError()));
    return false;
  }
  // From the heap: a static buffer would land in the stub's initialised data and grow the file.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadChunk]);
  if (!buffer) {
    logErrorLine("no memory for the SHA-256 of %s", path);
    return false;
  }
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.get(), kReadChunk, &got, nullptr)) {
      logErrorLine("reading %s for its SHA-256 failed with error code %d", path,
                   static_cast<int>(GetLastError()));
      return false;
    }
    if (got == 0) break;
    if (!hash.add(buffer.get(), got)) {
      logErrorLine("SHA-256 of %s failed with status 0x%08lx", path,
                   static_cast<unsigned long>(hash.status()));
      return false;
    }
  }
  if (!hash.finish(digest)) {
    logErrorLine("SHA-256 of %s failed with status 0x%08lx", path, static_cast<unsigned long>(hash.status()));
    return false;
  }
  return true;
}

bool downloadedArchiveIsGenuine(const char* path) {
  const char* expectedText = getProperty(payload::kJreDownloadSha256);
  if (expectedText[0] == '\0') return true;
  uint8_t expected[payload::kSha256Bytes];
  if (!payload::parseSha256Text(expectedText, expected)) {
    logErrorLine("jreDownloadSha256 is not a SHA-256 digest: %s", expectedText);
    return false;
  }
  uint8_t actual[payload::kSha256Bytes];
  if (!sha256OfFile(path, actual)) return false;
  char actualText[payload::kSha256TextLength + 1];
  payload::formatSha256Text(actual, actualText);
  if (std::memcmp(actual, expected, sizeof actual) != 0) {
    logErrorLine("SHA-256 of the downloaded JRE is %s, expected %s", actualText, expectedText);
    return false;
  }
  logLine("SHA-256 of the downloaded JRE: %s", actualText);
  return true;
}

}  // namespace drx::launcher

// SHA-256 of a downloaded runtime archive, computed by Windows' own CNG provider.
#pragma once

#include <cstdint>

#include "common/payload/digest_text.h"

namespace drx::launcher {

// Hashes the whole file. False (with an error logged) when bcrypt.dll or its SHA-256 provider is
// not there or the file cannot be read.
bool sha256OfFile(const char* path, uint8_t (&digest)[payload::kSha256Bytes]);

// Checks the downloaded archive against launcher property jreDownloadSha256. True when none is
// configured or the digests agree; false (logged) on a mismatch, a malformed property or when
// the digest cannot be computed: an archive that cannot be vouched for is never unpacked.
bool downloadedArchiveIsGenuine(const char* path);

}  // namespace drx::launcher

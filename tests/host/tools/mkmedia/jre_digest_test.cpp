// The SHA-256 behind mkmedia's --jre-sha256, and what the builder does with the download settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/payload/property_ids.h"
#include "tests/host/tools/mkmedia/media_files.h"
#include "tests/host/common/payload/pe_fixture.h"
#include "tools/mkmedia/sha256.h"

using drx::mkmedia::Sha256;
using drx::testing::runCapture;
using drx::testing::ScratchDirectory;
using drx::testing::shellQuote;
using drx::testing::writeFile;

namespace {

std::string hex(const uint8_t (&digest)[drx::payload::kSha256Bytes]) {
  char text[drx::payload::kSha256TextLength + 1];
  drx::payload::formatSha256Text(digest, text);
  return text;
}

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return bytes;
}

}  // namespace

// FIPS 180-4 examples, and lengths around the padding boundaries (55/56 bytes: the length still
// fits the last block or not; 63-65: one block and a byte either side). Expected values of the
// latter from Python's hashlib.
TEST(Sha256, KnownDigestsWholeAndInPieces) {
  struct Case {
    std::string message;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {pattern(55), "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
      {pattern(56), "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
      {pattern(63), "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
      {pattern(64), "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
      {pattern(65), "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
      {pattern(119), "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
      {pattern(1000), "1e9bc38cbf860b9ec31918b065f9b52476c549a782e0e7990bed8ce3868d2371"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.size());
    uint8_t digest[drx::payload::kSha256Bytes];
    Sha256 whole;
    whole.update(c.message.data(), c.message.size());
    whole.finish(digest);
    EXPECT_EQ(hex(digest), c.digest);
    // Pieces of 1, 2, 3, ... bytes cross every block boundary at a different place.
    Sha256 pieces;
    size_t done = 0;
    for (size_t piece = 1; done < c.message.size(); ++piece) {
      const size_t take = std::min(piece, c.message.size() - done);
      pieces.update(c.message.data() + done, take);
      done += take;
    }
    pieces.finish(digest);
    EXPECT_EQ(hex(digest), c.digest);
  }
}

// Through the mkmedia binary: --jre-sha256 stores the archive's digest (as sha256sum sees it) in
// jreDownloadSha256; a plain http:// download without a digest draws one warning; a malformed
// digest is refused with its line.
TEST(MkmediaDownloadDigest, OptionFillsThePropertyAndPlainHttpWarns) {
  ScratchDirectory dir;
  writeFile(dir.file("stub.exe"), drx::testing::makeTypicalStub());
  writeFile(dir.file("jre.tar.gz"), pattern(300000));
  const std::string mkmedia = shellQuote(MKMEDIA_PATH);
  std::string out, err;
  ASSERT_EQ(runCapture("sha256sum " + shellQuote(dir.file("jre.tar.gz")), out, err, dir), 0) << err;
  const std::string expected = out.substr(0, 64);

  const std::string warning = "warning: jreDownloadUrl is plain http:// and no jreDownloadSha256 is given";
  struct Case {
    std::string config;
    const char* options;
    int exitCode;
    bool warns;
    std::string digest;  // expected in the media file; empty: none
    const char* error;
  };
  const Case cases[] = {
      {"jreDownloadUrl = http://example.com/jre.tar.gz\n", " --jre-sha256 ARCHIVE", 0, false, expected,
       nullptr},
      {"jreDownloadUrl = http://example.com/jre.tar.gz\n", "", 0, true, "", nullptr},
      {"jreDownloadUrl = HTTP://example.com/jre.tar.gz\njreDownloadSha256 =\n", "", 0, true, "", nullptr},
      {"jreDownloadUrl = https://example.com/jre.tar.gz\n", "", 0, false, "", nullptr},
      {"mainClass = a.B\n", "", 0, false, "", nullptr},
      {"jreDownloadUrl = http://example.com/jre.tar.gz\njreDownloadSha256 = " + std::string(64, 'A') + "\n",
       "", 0, false, std::string(64, 'A'), nullptr},
      // The option replaces a configured digest, even a malformed one.
      {"jreDownloadSha256 = nonsense\n", " --jre-sha256 ARCHIVE", 0, false, expected, nullptr},
      {"mainClass = a.B\njreDownloadSha256 = 1234\n", "", 1, false, "",
       "line 2: jreDownloadSha256: not a SHA-256 digest"},
      {"mainClass = a.B\n", " --jre-sha256 MISSING", 1, false, "", "missing.tar.gz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config + c.options);
    writeFile(dir.file("media.properties"), c.config);
    std::string options = c.options;
    if (size_t at = options.find("ARCHIVE"); at != std::string::npos) {
      options.replace(at, 7, shellQuote(dir.file("jre.tar.gz")));
    }
    if (size_t at = options.find("MISSING"); at != std::string::npos) {
      options.replace(at, 7, shellQuote(dir.file("missing.tar.gz")));
    }
    const std::string build = mkmedia + " build --stub " + shellQuote(dir.file("stub.exe")) + " --config " +
                              shellQuote(dir.file("media.properties")) + " -o " +
                              shellQuote(dir.file("out.exe")) + options;
    ASSERT_EQ(runCapture(build, out, err, dir), c.exitCode) << err;
    EXPECT_EQ(err.find(warning) != std::string::npos, c.warns) << err;
    if (c.error) {
      EXPECT_NE(err.find(c.error), std::string::npos) << err;
      continue;
    }
    ASSERT_EQ(runCapture(mkmedia + " inspect --json " + shellQuote(dir.file("out.exe")), out, err, dir), 0)
        << err;
    const std::string property =
        "\"id\": 162, \"wide\": false, \"name\": \"jreDownloadSha256\", \"value\": \"";
    const size_t at = out.find(property);
    const size_t start = at + property.size();
    const std::string stored =
        at == std::string::npos ? std::string() : out.substr(start, out.find('"', start) - start);
    EXPECT_EQ(stored, c.digest) << out;
  }
}

// A media file signed afterwards with osslsigncode verifies, and its payload checksum stays intact.
#include <gtest/gtest.h>

#include "tests/host/tools/mkmedia/media_files.h"
#include "tests/support/media_inputs/media_inputs.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/media_report.h"
#include "tools/mkmedia/file_io.h"

using namespace drx::mkmedia;
using drx::testing::runCapture;
using drx::testing::ScratchDirectory;
using drx::testing::shellQuote;
using drx::testing::writeFile;

namespace {

bool haveTool(const char* name, const ScratchDirectory& dir) {
  std::string out, err;
  return runCapture(std::string("command -v ") + name, out, err, dir) == 0;
}

MediaReport inspectPath(const std::string& path) {
  FileSource source;
  std::string error;
  EXPECT_TRUE(source.open(path, error)) << error;
  MediaReport report;
  EXPECT_TRUE(inspectMedia(source, 1252, report, error)) << error;
  return report;
}

}  // namespace

TEST(MediaSigning, SignatureLandsBehindTheChecksumRegion) {
  ScratchDirectory dir;
  if (!haveTool("osslsigncode", dir) || !haveTool("openssl", dir))
    GTEST_SKIP() << "osslsigncode or openssl missing";

  BuildOptions options = drx::testing::writeMediaInputs(
      dir, writeFile, {"mainClass = com.example.Setup\n", "app.jar", 5000, "tail data", "media.exe"});
  std::string error;
  ASSERT_TRUE(buildMedia(options, error)) << error;
  MediaReport before = inspectPath(options.outputPath);

  std::string out, err;
  ASSERT_EQ(runCapture("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=drx-signing-test"
                       " -addext extendedKeyUsage=codeSigning -keyout " +
                           shellQuote(dir.file("key.pem")) + " -out " + shellQuote(dir.file("cert.pem")),
                       out, err, dir),
            0)
      << err;
  ASSERT_EQ(runCapture("osslsigncode sign -certs " + shellQuote(dir.file("cert.pem")) + " -key " +
                           shellQuote(dir.file("key.pem")) + " -n drx-test -in " +
                           shellQuote(options.outputPath) + " -out " + shellQuote(dir.file("signed.exe")),
                       out, err, dir),
            0)
      << out << err;
  ASSERT_EQ(runCapture("osslsigncode verify -CAfile " + shellQuote(dir.file("cert.pem")) + " -in " +
                           shellQuote(dir.file("signed.exe")),
                       out, err, dir),
            0)
      << out << err;
  EXPECT_NE(out.find("Signature verification: ok"), std::string::npos) << out;

  MediaReport after = inspectPath(dir.file("signed.exe"));
  EXPECT_TRUE(after.crcOk());
  EXPECT_EQ(after.payloadStart, before.payloadStart);
  EXPECT_EQ(after.storedCrc, before.storedCrc);
  EXPECT_EQ(after.regionLength, before.regionLength);
  EXPECT_EQ(after.unextractedPosition, before.unextractedPosition);
  EXPECT_EQ(after.remainingDataSize, 9);
  EXPECT_EQ(before.trailingSize, 0);
  EXPECT_GT(after.trailingSize, 0);  // the signature

  // A signed file cannot serve as a stub: the signature sits where the payload would go.
  options.stubPath = dir.file("signed.exe");
  options.outputPath = dir.file("again.exe");
  EXPECT_FALSE(buildMedia(options, error));
  EXPECT_NE(error.find("already carries data after its last section"), std::string::npos) << error;
}

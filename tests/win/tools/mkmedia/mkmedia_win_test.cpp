// The Windows build of mkmedia's core under wine: code pages through Win32 and a build/inspect round trip.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/payload/payload_reader.h"
#include "common/payload/property_ids.h"
#include "tests/host/common/payload/pe_fixture.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/media_report.h"
#include "tools/mkmedia/text_encoding.h"
#include "tests/support/cng_sha256/cng_sha256.h"
#include "tests/support/media_inputs/media_inputs.h"

using namespace drx::mkmedia;
using namespace drx::payload;

namespace {

// A directory under %TEMP% with a non-ASCII name, emptied and removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wide_ = std::wstring(temp) + L"mkmedia-\u00E9-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(wide_.c_str(), nullptr);
    utf8_ = utf16ToUtf8(std::u16string(wide_.begin(), wide_.end()));
  }
  ~ScratchDirectory() {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((wide_ + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((wide_ + L"\\" + entry.cFileName).c_str());
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryW(wide_.c_str());
  }
  std::string file(const std::string& name) const { return utf8_ + "\\" + name; }

 private:
  std::wstring wide_;
  std::string utf8_;
};

void writeFile(const std::string& path, const std::string& bytes) {
  std::u16string wide;
  std::string error;
  ASSERT_TRUE(utf8ToUtf16(path, wide, error));
  FILE* out = _wfopen(reinterpret_cast<const wchar_t*>(wide.c_str()), L"wb");
  ASSERT_NE(out, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

}  // namespace

TEST(MkmediaWin, NarrowTextsUseTheWindowsCodePagesWithoutBestFit) {
  struct Case {
    const char* utf8;
    int codePage;
    bool ok;
    std::string bytes;
  };
  const Case cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC", 1252, true, "caf\xE9 \x80"},
      {"\xD0\x96", 1251, true, "\xC6"},
      {"\xCE\xA9", 1252, false, ""},      // best fit would give 'O'
      {"\xE2\x88\x9E", 1252, false, ""},  // best fit would give '8'
      {"\xD0\x96", 1252, false, ""},
      {"\xF0\x9F\x98\x80", 65001, true, "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    std::string out, error;
    EXPECT_EQ(utf8ToCodePage(c.utf8, c.codePage, out, error), c.ok) << c.utf8 << " " << c.codePage;
    if (c.ok) {
      EXPECT_EQ(out, c.bytes) << c.utf8;
    }
  }
  EXPECT_EQ(codePageToUtf8("caf\xE9", 1252), "caf\xC3\xA9");
}

TEST(MkmediaWin, BuildThenInspectRoundTripsUnderNonAsciiPaths) {
  ScratchDirectory dir;
  BuildOptions options =
      drx::testing::writeMediaInputs(dir, writeFile,
                                     {"mainClass = com.example.Setup\nstdoutFile = caf\xC3\xA9.log\n",
                                      "lib\\app.jar", 300000, "REST", "setup \xC3\xA9.exe"});
  std::string error;
  ASSERT_TRUE(buildMedia(options, error)) << error;
  // Building again over an existing output replaces it.
  ASSERT_TRUE(buildMedia(options, error)) << error;

  FileSource source;
  ASSERT_TRUE(source.open(options.outputPath, error)) << error;
  MediaReport report;
  ASSERT_TRUE(inspectMedia(source, 1252, report, error)) << error;
  EXPECT_TRUE(report.crcOk());
  EXPECT_EQ(report.payloadStart, 0xC00);
  ASSERT_EQ(report.files.size(), 1u);
  EXPECT_EQ(report.files[0].name, "lib\\app.jar");
  EXPECT_EQ(report.files[0].size, 300000);
  EXPECT_EQ(report.remainingDataSize, 4);
  PropertyTables tables;
  int64_t f = 0;
  ASSERT_EQ(readPropertyTables(source, report.payloadStart, tables, f), Error::kNone);
  EXPECT_EQ(*tables.findNarrow(kStdoutFile), "caf\xE9.log");

  // A stub that already has data behind its last section is refused, and nothing is left.
  options.stubPath = options.outputPath;
  options.outputPath = dir.file("again.exe");
  EXPECT_FALSE(buildMedia(options, error));
  FileSource none;
  EXPECT_FALSE(none.open(options.outputPath, error));
}

// mkmedia's own SHA-256 in this width agrees with Windows' CNG (which the launcher checks with)
// for archives around the block and padding boundaries, read from a non-ASCII path.
TEST(MkmediaWin, JreDigestAgreesWithCng) {
  ScratchDirectory dir;
  writeFile(dir.file("stub.exe"), drx::testing::makeTypicalStub());
  writeFile(dir.file("media.properties"), "jreDownloadUrl = https://example.com/jre.tar.gz\n");
  BuildOptions options;
  options.stubPath = dir.file("stub.exe");
  options.configPath = dir.file("media.properties");
  options.outputPath = dir.file("setup.exe");
  options.jreDigestPath = dir.file("jr\xC3\xA9.tar.gz");
  for (size_t size : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 1000u, 300001u}) {
    SCOPED_TRACE(size);
    std::string archive(size, '\0');
    for (size_t i = 0; i < size; ++i) archive[i] = static_cast<char>((i * 131 + size) & 0xFF);
    writeFile(options.jreDigestPath, archive);
    std::string error;
    ASSERT_TRUE(buildMedia(options, error)) << error;
    FileSource source;
    ASSERT_TRUE(source.open(options.outputPath, error)) << error;
    MediaReport report;
    ASSERT_TRUE(inspectMedia(source, 1252, report, error)) << error;
    PropertyTables tables;
    int64_t f = 0;
    ASSERT_EQ(readPropertyTables(source, report.payloadStart, tables, f), Error::kNone);
    const std::string* stored = tables.findNarrow(kJreDownloadSha256);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, drx::test::cngSha256(archive));
  }
}

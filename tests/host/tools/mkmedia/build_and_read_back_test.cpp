// End-to-end tests of mkmedia: build then inspect, checksum coverage, refusals and the command line.
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/payload/payload_reader.h"
#include "common/payload/property_ids.h"
#include "tests/host/tools/mkmedia/media_files.h"
#include "tests/host/common/payload/pe_fixture.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/media_report.h"
#include "tools/mkmedia/file_io.h"

using namespace drx::mkmedia;
using namespace drx::payload;
using drx::testing::fileExists;
using drx::testing::readFile;
using drx::testing::ScratchDirectory;
using drx::testing::writeFile;

namespace {

std::string binaryContent(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  return bytes;
}

struct Built {
  BuildOptions options;
  std::string stub;
  std::string big;
};

// A stub, a config with narrow and wide texts, four files (one empty, one spanning several copy
// chunks) and remaining data.
Built prepare(const ScratchDirectory& dir) {
  Built b;
  b.stub = drx::testing::makeTypicalStub();
  b.big = binaryContent(3 * 1024 * 1024 + 17);
  writeFile(dir.file("stub.exe"), b.stub);
  writeFile(dir.file("media.properties"),
            "# test media\n"
            "mainClass = com.example.Setup\n"
            "stdoutFile = caf\xC3\xA9.log\n"
            "msgWizardTitle = \xCE\xA9mega Setup\n"
            "1016 = no runtime ({0})\n");
  writeFile(dir.file("a.txt"), "alpha");
  writeFile(dir.file("big.bin"), b.big);
  writeFile(dir.file("empty.txt"), "");
  writeFile(dir.file("jre.tar.gz"), "\x1f\x8b fake runtime");
  writeFile(dir.file("rest.bin"), "REMAINING");
  b.options.stubPath = dir.file("stub.exe");
  b.options.configPath = dir.file("media.properties");
  b.options.outputPath = dir.file("out.exe");
  b.options.files = {{"a.txt", dir.file("a.txt")},
                     {"lib\\big.bin", dir.file("big.bin")},
                     {"empty.txt", dir.file("empty.txt")},
                     {"jre.tar.gz", dir.file("jre.tar.gz")}};
  b.options.dataPath = dir.file("rest.bin");
  return b;
}

MediaReport inspectFile(const std::string& path) {
  FileSource source;
  std::string error;
  EXPECT_TRUE(source.open(path, error)) << error;
  MediaReport report;
  EXPECT_TRUE(inspectMedia(source, 1252, report, error)) << error;
  return report;
}

std::string unmasked(const std::string& media, int64_t offset, int64_t size) {
  std::string content = media.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  applyIncludedFileMask(reinterpret_cast<uint8_t*>(content.data()), content.size());
  return content;
}

}  // namespace

TEST(MkmediaBuild, BuildThenInspectRoundTripsEverything) {
  ScratchDirectory dir;
  Built b = prepare(dir);
  std::string error;
  ASSERT_TRUE(buildMedia(b.options, error)) << error;
  const std::string media = readFile(b.options.outputPath);
  EXPECT_EQ(media.substr(0, b.stub.size()), b.stub);
  EXPECT_FALSE(fileExists(b.options.outputPath + ".partial"));

  MediaReport report = inspectFile(b.options.outputPath);
  EXPECT_EQ(report.payloadStart, static_cast<int64_t>(b.stub.size()));
  EXPECT_EQ(report.verifyFlag, 1);
  EXPECT_TRUE(report.crcOk());
  EXPECT_EQ(report.regionLength, static_cast<int64_t>(media.size()) - report.payloadStart - 20);

  // The launcher's view of the tables: code page bytes for narrow texts, UTF-16 for wide ones.
  MemorySource source(media.data(), media.size());
  PropertyTables tables;
  int64_t f = 0;
  ASSERT_EQ(readPropertyTables(source, report.payloadStart, tables, f), Error::kNone);
  EXPECT_EQ(f, report.includedFilesOffset);
  EXPECT_EQ(*tables.findNarrow(kMainClass), "com.example.Setup");
  EXPECT_EQ(*tables.findNarrow(kStdoutFile), "caf\xE9.log");
  EXPECT_EQ(*tables.findNarrow(1016), "no runtime ({0})");
  EXPECT_EQ(*tables.findNarrow(kIncludedFileCount), "4");
  EXPECT_EQ(*tables.findNarrow(kIncludedFileNames), "a.txt;lib\\big.bin;empty.txt;jre.tar.gz");
  EXPECT_EQ(*tables.findWide(kMsgWizardTitle), u"\u03A9mega Setup");
  EXPECT_EQ(*tables.findWide(kMsgCorruptedInstaller),
            u"The installation file is corrupted. If it is a download please try it again.");

  bool sawStdoutFile = false;
  for (const InspectedProperty& p : report.properties) {
    if (p.id == kStdoutFile) sawStdoutFile = p.value == "caf\xC3\xA9.log";
  }
  EXPECT_TRUE(sawStdoutFile);

  ASSERT_EQ(report.files.size(), 4u);
  const std::string expected[] = {"alpha", b.big, "", "\x1f\x8b fake runtime"};
  const char* names[] = {"a.txt", "lib\\big.bin", "empty.txt", "jre.tar.gz"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(report.files[i].name, names[i]);
    EXPECT_EQ(report.files[i].size, static_cast<int64_t>(expected[i].size()));
    EXPECT_TRUE(unmasked(media, report.files[i].offset, report.files[i].size) == expected[i]) << names[i];
  }
  EXPECT_EQ(report.remainingDataSize, 9);
  EXPECT_EQ(media.substr(static_cast<size_t>(report.unextractedPosition)), "REMAINING");
  EXPECT_EQ(report.trailingSize, 0);
}

TEST(MkmediaBuild, OnlyBytesInsideTheChecksumRegionAffectTheCrc) {
  ScratchDirectory dir;
  Built b = prepare(dir);
  b.options.verify = false;
  std::string error;
  ASSERT_TRUE(buildMedia(b.options, error)) << error;
  std::string media = readFile(b.options.outputPath) + std::string(16, '\0');  // builder-style filler
  MediaReport clean = inspectFile(b.options.outputPath);
  EXPECT_EQ(clean.verifyFlag, 0);
  const int64_t regionStart = clean.payloadStart + 20;
  const int64_t regionEnd = regionStart + clean.regionLength;
  struct Case {
    int64_t offset;
    bool ok;
  };
  const Case cases[] = {
      {regionStart + 12, false},                // first narrow text
      {clean.files[1].offset + 100000, false},  // inside an included file
      {regionEnd - 1, false},                   // last byte of the remaining data
      {regionEnd, true},                        // first filler byte
      {regionEnd + 15, true},                   // last filler byte
      {10, true},                               // inside the stub
  };
  for (const Case& c : cases) {
    std::string flipped = media;
    flipped[static_cast<size_t>(c.offset)] ^= 0x01;
    writeFile(dir.file("flipped.exe"), flipped);
    MediaReport report = inspectFile(dir.file("flipped.exe"));
    EXPECT_EQ(report.crcOk(), c.ok) << c.offset;
    EXPECT_EQ(report.trailingSize, 16) << c.offset;
  }
}

TEST(MkmediaBuild, RefusesBadInputAndLeavesNoOutput) {
  ScratchDirectory dir;
  Built base = prepare(dir);
  std::string error;
  ASSERT_TRUE(buildMedia(base.options, error)) << error;
  writeFile(dir.file("text.exe"), "just text, not an image");
  writeFile(dir.file("swapped.exe"), drx::testing::makePeImage({{0x400, 0x400}, {0x200, 0x200}}));
  writeFile(dir.file("bad.properties"), "mainClass = x\nnoSuchSetting = 1\n");
  writeFile(dir.file("greek.properties"), "msgErrorCaption = \xCE\xA9\n");
  // A sparse file: the size alone pushes the media file past 2 GiB.
  writeFile(dir.file("huge.bin"), "");
  ASSERT_EQ(truncate(dir.file("huge.bin").c_str(), int64_t{0x7FFFFFFF} - 4096), 0);

  struct Case {
    const char* name;
    void (*change)(BuildOptions&, const ScratchDirectory&);
    const char* message;
  };
  const Case cases[] = {
      {"not a PE file", [](BuildOptions& o, const ScratchDirectory& d) { o.stubPath = d.file("text.exe"); },
       "not a PE file"},
      {"stub already carries data",
       [](BuildOptions& o, const ScratchDirectory& d) { o.stubPath = d.file("out.exe"); },
       "already carries data after its last section"},
      {"last section header not last",
       [](BuildOptions& o, const ScratchDirectory& d) { o.stubPath = d.file("swapped.exe"); },
       "does not describe the section that ends last"},
      {"unknown config name",
       [](BuildOptions& o, const ScratchDirectory& d) { o.configPath = d.file("bad.properties"); },
       "bad.properties:2: unknown property name 'noSuchSetting'"},
      {"unmappable narrow text",
       [](BuildOptions& o, const ScratchDirectory& d) { o.configPath = d.file("greek.properties"); },
       "line 1: msgErrorCaption: character"},
      {"missing included file",
       [](BuildOptions& o, const ScratchDirectory& d) {
         o.files.push_back({"x", d.file("nope")});
       },
       "nope: No such file or directory"},
      {"2 GiB or more", [](BuildOptions& o, const ScratchDirectory& d) { o.dataPath = d.file("huge.bin"); },
       "must stay below 2 GiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildOptions options = base.options;
    options.outputPath = dir.file("refused.exe");
    c.change(options, dir);
    error.clear();
    EXPECT_FALSE(buildMedia(options, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_FALSE(fileExists(options.outputPath));
    EXPECT_FALSE(fileExists(options.outputPath + ".partial"));
  }
}

TEST(MkmediaCommandLine, ExitCodesAndOneLineErrors) {
  ScratchDirectory dir;
  Built b = prepare(dir);
  const std::string mkmedia = drx::testing::shellQuote(MKMEDIA_PATH);
  std::string build = mkmedia + " build --stub " + drx::testing::shellQuote(b.options.stubPath) +
                      " --config " + drx::testing::shellQuote(b.options.configPath) + " -o " +
                      drx::testing::shellQuote(dir.file("cli.exe")) +
                      " --file lib/a.txt=" + drx::testing::shellQuote(dir.file("a.txt")) + " --data " +
                      drx::testing::shellQuote(dir.file("rest.bin"));
  std::string out, err;
  ASSERT_EQ(drx::testing::runCapture(build, out, err, dir), 0) << err;

  ASSERT_EQ(drx::testing::runCapture(
                mkmedia + " inspect --json " + drx::testing::shellQuote(dir.file("cli.exe")), out, err, dir),
            0)
      << err;
  EXPECT_NE(out.find("\"crc\": \"OK\""), std::string::npos) << out;
  EXPECT_NE(out.find("{\"name\": \"lib\\\\a.txt\", \"size\": 5"), std::string::npos) << out;
  EXPECT_NE(out.find("\"remainingDataSize\": 9"), std::string::npos) << out;

  std::string media = readFile(dir.file("cli.exe"));
  media[media.size() - 1] ^= 0x20;
  writeFile(dir.file("corrupt.exe"), media);
  EXPECT_EQ(drx::testing::runCapture(
                mkmedia + " inspect " + drx::testing::shellQuote(dir.file("corrupt.exe")), out, err, dir),
            2);
  EXPECT_NE(out.find(" MISMATCH\n"), std::string::npos) << out;
  media = readFile(dir.file("cli.exe"));
  media[b.stub.size() + 20] ^= 0x40;  // narrow record count: the tables no longer parse
  writeFile(dir.file("count.exe"), media);
  // The checksum is read before the tables: the damage is a mismatch first, then what it hid.
  EXPECT_EQ(drx::testing::runCapture(mkmedia + " inspect " + drx::testing::shellQuote(dir.file("count.exe")),
                                     out, err, dir),
            2);
  EXPECT_NE(out.find(" MISMATCH\n"), std::string::npos) << out;
  EXPECT_NE(out.find("could not read: property tables: truncated data\n"), std::string::npos) << out;
  EXPECT_NE(err.find("checksum MISMATCH; could not read property tables: truncated data"), std::string::npos)
      << err;

  struct Case {
    std::string args;
    const char* message;
  };
  const Case cases[] = {
      {"inspect " + drx::testing::shellQuote(b.options.configPath), "cannot find the payload"},
      {"inspect " + drx::testing::shellQuote(b.options.stubPath), "no payload behind the last section"},
      {"inspect " + drx::testing::shellQuote(dir.file("missing.exe")), "No such file or directory"},
      {"inspect " + drx::testing::shellQuote(dir.path()), "not a regular file"},
      {"build --stub x --config y", "build needs --stub, --config and -o"},
      {"frobnicate", "unknown command 'frobnicate'"},
      {"build --stub x --config y -o z --codepage 77777", "unsupported code page '77777'"},
      {"build --stub x --config y -o z --file 'a;b=c'", "contains ';'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(drx::testing::runCapture(mkmedia + " " + c.args, out, err, dir), 1) << c.args;
    EXPECT_EQ(err.rfind("mkmedia: ", 0), 0u) << err;
    EXPECT_NE(err.substr(0, err.find('\n')).find(c.message), std::string::npos) << err;
  }
}

TEST(MkmediaInspect, UnextractedPositionFollowsTheLaunchersRule) {
  ScratchDirectory dir;
  writeFile(dir.file("stub.exe"), drx::testing::makeTypicalStub());
  writeFile(dir.file("one"), "1111");
  writeFile(dir.file("two"), "22");
  struct Case {
    const char* config;
    int files;
    size_t listed;
    int64_t unextractedFromF;  // -1: expect 0
  };
  const Case cases[] = {
      {"includedFileCount = 0\n", 2, 0, -1},                      // nothing extracted: U stays 0
      {"includedFileCount = 3\nincludedFileNames =\n", 0, 0, 0},  // count without names: U = F
      {"includedFileCount = 1\n", 2, 1, 8 + 4},                   // only the first name
      {"", 2, 2, 8 + 4 + 8 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    writeFile(dir.file("media.properties"), c.config);
    BuildOptions options;
    options.stubPath = dir.file("stub.exe");
    options.configPath = dir.file("media.properties");
    options.outputPath = dir.file("out.exe");
    if (c.files >= 1) options.files.push_back({"one", dir.file("one")});
    if (c.files >= 2) options.files.push_back({"two", dir.file("two")});
    std::string error;
    ASSERT_TRUE(buildMedia(options, error)) << error;
    MediaReport report = inspectFile(options.outputPath);
    EXPECT_EQ(report.files.size(), c.listed);
    EXPECT_EQ(report.unextractedPosition,
              c.unextractedFromF < 0 ? 0 : report.includedFilesOffset + c.unextractedFromF);
    unlink(options.outputPath.c_str());
  }
}

// The setup file's pieces on their own: the .ico reader on a file made by icotool, resource trees
// and version resources as windres and ld lay them out, version numbers, the manifest's
// execution level, and inspect's checksum-first report of damaged media files.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "tests/host/tools/mkmedia/media_files.h"
#include "tests/host/common/payload/pe_fixture.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/ico_file.h"
#include "tools/mkmedia/media_report.h"
#include "tools/mkmedia/pe_image.h"
#include "tools/mkmedia/resource_tree.h"
#include "tools/mkmedia/setup_file.h"
#include "tools/mkmedia/version_info.h"

using namespace drx::mkmedia;

namespace {

std::vector<uint8_t> readSourceFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The .rsrc section of mediastub64.exe as ld wrote it (objcopy --only-section=.rsrc), loaded at
// this RVA, and its version resource as wrestool extracts it.
constexpr uint32_t kWindresSectionRva = 0x6F000;
const std::string kData = std::string(DRX_SOURCE_DIR) + "/tests/host/tools/mkmedia/data/";

}  // namespace

TEST(IcoFile, ReadsEveryImageOfAFileMadeByIcotool) {
  const std::vector<uint8_t> file = readSourceFile(DRX_TEST_ICON);
  ASSERT_EQ(file.size(), 2215u);
  std::vector<IcoImage> images;
  std::string error;
  ASSERT_TRUE(readIcoFile(file, images, error)) << error;
  // icotool -l: 16, 32 and 48 pixels at 1 bit, 256 pixels at 32 bits stored as PNG.
  struct Expected {
    uint32_t size;
    uint16_t bitCount;
    bool png;
    size_t bytes;
  };
  const Expected expected[] = {
      {16, 1, false, 176}, {32, 1, false, 304}, {48, 1, false, 816}, {256, 32, true, 849}};
  ASSERT_EQ(images.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(images[i].pixelWidth, expected[i].size) << i;
    EXPECT_EQ(images[i].pixelHeight, expected[i].size) << i;
    EXPECT_EQ(images[i].bitCount, expected[i].bitCount) << i;
    EXPECT_EQ(images[i].png, expected[i].png) << i;
    EXPECT_EQ(images[i].bytes.size(), expected[i].bytes) << i;
  }
  // The group resource lists the same entries, each with its resource id instead of an offset.
  const std::vector<uint8_t> group = makeIconGroup(images, {7, 8, 9, 10});
  std::vector<IconGroupEntry> entries;
  ASSERT_TRUE(readIconGroup(group, entries, error)) << error;
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[3].width, 256u);
  EXPECT_EQ(entries[3].id, 10);
  EXPECT_TRUE(std::equal(group.begin(), group.begin() + 6, file.begin()));
}

TEST(IcoFile, RefusesWhatIsNoIcon) {
  const std::vector<uint8_t> good = readSourceFile(DRX_TEST_ICON);
  ASSERT_FALSE(good.empty());
  const size_t png = loadLe32(&good[6 + 16 * 3 + 12]);  // the fourth image's offset
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* error;
  };
  const Case cases[] = {
      {"empty", [](auto& f) { f.clear(); }, "not an .ico file"},
      {"reserved word", [](auto& f) { f[0] = 1; }, "not an .ico file"},
      {"cursor", [](auto& f) { f[2] = 2; }, "a cursor file, not an icon"},
      {"no images", [](auto& f) { f[4] = 0; }, "the icon file holds no images"},
      {"directory cut short", [](auto& f) { f.resize(6 + 16 * 3); }, "the icon directory is cut short"},
      {"offset past the end", [](auto& f) { storeLe32(&f[6 + 16 + 12], 0xFFFFFFF0u); },
       "image 2: lies outside the file"},
      {"size past the end", [](auto& f) { storeLe32(&f[6 + 48 + 8], loadLe32(&f[6 + 48 + 8]) + 1); },
       "image 4: lies outside the file"},
      {"neither PNG nor bitmap", [](auto& f) { storeLe32(&f[loadLe32(&f[6 + 12])], 12); },
       "image 1: neither a PNG nor a bitmap with a BITMAPINFOHEADER"},
      {"PNG without IHDR", [&](auto& f) { f[png + 12] = 'X'; }, "image 4: PNG without an IHDR chunk"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> file = good;
    c.damage(file);
    std::vector<IcoImage> images;
    std::string error;
    EXPECT_FALSE(readIcoFile(file, images, error)) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(ResourceTree, ReadsLdsSectionAndLaysItOutTheSameWay) {
  const std::vector<uint8_t> section = readSourceFile(kData + "windres_rsrc.bin");
  ASSERT_FALSE(section.empty());
  ResourceTree tree;
  std::string error;
  ASSERT_TRUE(readResourceTree(section, kWindresSectionRva, tree, error)) << error;
  // wrestool -l: icons 1 and 2, dialogs 103 and 104, group 1001, version 1, manifest 1, all 1033.
  const std::vector<std::pair<uint16_t, uint16_t>> expected = {{3, 1},     {3, 2},  {5, 103}, {5, 104},
                                                               {14, 1001}, {16, 1}, {24, 1}};
  std::vector<std::pair<uint16_t, uint16_t>> found;
  for (const auto& [type, names] : tree) {
    for (const auto& [name, languages] : names) {
      found.emplace_back(type.id, name.id);
      EXPECT_EQ(languages.size(), 1u);
      EXPECT_EQ(languages.begin()->first, 1033);
    }
  }
  EXPECT_EQ(found, expected);
  EXPECT_EQ(findResource(tree, kResourceVersion, 1)->bytes, readSourceFile(kData + "windres_version.bin"));
  // The layout (directories, data entries, data on 8-byte boundaries) is ld's, byte for byte.
  const std::vector<uint8_t> written = writeResourceTree(tree, kWindresSectionRva);
  EXPECT_EQ(written, std::vector<uint8_t>(section.begin(),
                                          section.begin() + static_cast<std::ptrdiff_t>(written.size())));
  ResourceTree again;
  ASSERT_TRUE(readResourceTree(written, kWindresSectionRva, again, error)) << error;
  EXPECT_TRUE(again == tree);
}

TEST(VersionInfo, ReadsWindresOutputAndWritesItBackUnchanged) {
  const std::vector<uint8_t> bytes = readSourceFile(kData + "windres_version.bin");
  VersionInfo info;
  std::string error;
  ASSERT_TRUE(readVersionInfo(bytes, info, error)) << error;
  // cmake/version.rc.in with the project version 1.0.0.0.
  EXPECT_TRUE(info.hasFixed);
  EXPECT_EQ(info.fixed[kFixedSignature], kFixedInfoSignature);
  EXPECT_EQ(formatFixedVersion(info.fixed[kFixedFileVersionMs], info.fixed[kFixedFileVersionLs]), "1.0.0.0");
  EXPECT_EQ(info.tableKey, u"040904b0");
  ASSERT_NE(info.find(u"OriginalFilename"), nullptr);
  EXPECT_EQ(*info.find(u"OriginalFilename"), u"mediastub64.exe");
  EXPECT_EQ(*info.find(u"CompanyName"), u"morvenic");
  EXPECT_EQ(info.translations, std::vector<uint32_t>{0x04B00409u});
  EXPECT_EQ(writeVersionInfo(info), bytes);

  const std::vector<uint8_t> damaged[] = {
      {},                                                       // nothing
      std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40),  // cut inside the key
      [&] {
        auto b = bytes;
        storeLe16(&b[0], 0xFFFF);
        return b;
      }(),  // longer than the data
  };
  for (const auto& b : damaged) EXPECT_FALSE(readVersionInfo(b, info, error)) << b.size();
}

TEST(SetupFileOptions, VersionNumbersAndExecutionLevelsAreChecked) {
  struct Case {
    const char* text;
    bool ok;
    uint16_t parts[4];
  };
  const Case cases[] = {
      {"2.1.0.7", true, {2, 1, 0, 7}},
      {"2", true, {2, 0, 0, 0}},
      {"65535.0.1", true, {65535, 0, 1, 0}},
      {"00012.3", true, {12, 3, 0, 0}},
      {"1.2.3.4.5", false, {}},
      {"65536", false, {}},
      {"1..2", false, {}},
      {"1.2.", false, {}},
      {"", false, {}},
      {"v1", false, {}},
      {"1.2 ", false, {}},
      {"000001", false, {}},
  };
  for (const Case& c : cases) {
    uint16_t parts[4];
    EXPECT_EQ(parseVersionNumbers(c.text, parts), c.ok) << c.text;
    if (c.ok) EXPECT_TRUE(std::equal(parts, parts + 4, c.parts)) << c.text;
  }
  const SetupFileSetting* level = findSetupFileOption("--execution-level");
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(findSetupFileConfigKey("setup.executionLevel"), level);
  std::string error;
  for (const char* good : {"asInvoker", "highestAvailable", "requireAdministrator"})
    EXPECT_TRUE(checkSetupFileValue(*level, good, error)) << good;
  EXPECT_FALSE(checkSetupFileValue(*level, "requireadministrator", error));
  EXPECT_FALSE(checkSetupFileValue(*findSetupFileOption("--company"), std::string(1025, 'x'), error));
}

TEST(SetupFileOptions, ExecutionLevelIsRewrittenInTheLaunchersManifest) {
  const std::vector<uint8_t> bytes =
      readSourceFile(std::string(DRX_SOURCE_DIR) + "/launcher/resources/mediastub.manifest");
  std::string manifest(bytes.begin(), bytes.end());
  EXPECT_EQ(findExecutionLevel(manifest), "asInvoker");
  std::string changed = manifest;
  ASSERT_TRUE(setExecutionLevel(changed, "requireAdministrator"));
  EXPECT_EQ(findExecutionLevel(changed), "requireAdministrator");
  const size_t at = manifest.find("asInvoker\"");
  EXPECT_EQ(changed, manifest.substr(0, at) + "requireAdministrator" + manifest.substr(at + 9));

  std::string single = "<requestedExecutionLevel uiAccess='false' level = 'highestAvailable'/>";
  ASSERT_TRUE(setExecutionLevel(single, "asInvoker"));
  EXPECT_EQ(single, "<requestedExecutionLevel uiAccess='false' level = 'asInvoker'/>");
  std::string none = "<assembly><trustInfo/></assembly>";
  EXPECT_FALSE(setExecutionLevel(none, "asInvoker"));
  std::string outside = "<requestedExecutionLevel uiAccess=\"false\"/><x level=\"asInvoker\"/>";
  EXPECT_FALSE(setExecutionLevel(outside, "highestAvailable"));
}

TEST(MediaInspect, ChecksumComesFirstAndDamageBehindItIsNamed) {
  drx::testing::ScratchDirectory dir;
  drx::testing::writeFile(dir.file("stub.exe"), drx::testing::makeTypicalStub());
  drx::testing::writeFile(dir.file("media.properties"), "mainClass = com.example.Setup\n");
  drx::testing::writeFile(dir.file("a.txt"), "hello");
  BuildOptions options;
  options.stubPath = dir.file("stub.exe");
  options.configPath = dir.file("media.properties");
  options.outputPath = dir.file("media.exe");
  options.files = {{"a.txt", dir.file("a.txt")}};
  std::string error;
  ASSERT_TRUE(buildMedia(options, error)) << error;
  const std::string good = drx::testing::readFile(options.outputPath);
  const int64_t p = 0xC00;  // the fixture stub's payload start
  auto u32 = [&](int64_t at) { return loadLe32(reinterpret_cast<const uint8_t*>(good.data()) + at); };
  // Walk the narrow records to the wide count (header 20 bytes, count, {id, length, bytes}...).
  int64_t wideCount = p + 24;
  for (uint32_t i = 0, n = u32(p + 20); i < n; ++i) wideCount += 8 + u32(wideCount + 4);
  drx::payload::MemorySource intact(good.data(), good.size());
  MediaReport report;
  ASSERT_TRUE(inspectMedia(intact, 1252, report, error)) << error;
  ASSERT_EQ(report.files.size(), 1u);
  struct Case {
    const char* name;
    int64_t offset;          // the byte whose bit 6 is flipped
    const char* unreadable;  // empty: everything still reads
  };
  const Case cases[] = {
      {"a name length", p + 24 + 4 + 3, "property tables: truncated data"},
      {"the wide count", wideCount + 3, "property tables: "},
      {"the included file's size", report.files[0].offset - 1, "included file a.txt: "},
      {"the included file's content", report.files[0].offset, ""},
  };
  for (const Case& c : cases) {
    std::string media = good;
    const int64_t at = c.offset;
    media[static_cast<size_t>(at)] ^= 0x40;
    drx::payload::MemorySource source(media.data(), media.size());
    ASSERT_TRUE(inspectMedia(source, 1252, report, error)) << c.name << ": " << error;
    EXPECT_FALSE(report.crcOk()) << c.name;
    EXPECT_TRUE(report.crcComplete) << c.name;
    EXPECT_EQ(report.unreadable.rfind(c.unreadable, 0), 0u) << c.name << ": " << report.unreadable;
    if (*c.unreadable == '\0') EXPECT_TRUE(report.unreadable.empty()) << c.name;
    EXPECT_NE(formatReportText(report).find(" MISMATCH\n"), std::string::npos) << c.name;
  }
}

TEST(MediaBuild, SetupFileOptionsOnAStubWithoutResourcesAreRefused) {
  drx::testing::ScratchDirectory dir;
  drx::testing::writeFile(dir.file("stub.exe"), drx::testing::makeTypicalStub());
  drx::testing::writeFile(dir.file("media.properties"), "setup.version = 1.2\n");
  BuildOptions options;
  options.stubPath = dir.file("stub.exe");
  options.configPath = dir.file("media.properties");
  options.outputPath = dir.file("media.exe");
  std::string error;
  EXPECT_FALSE(buildMedia(options, error));
  EXPECT_NE(error.find("resources"), std::string::npos) << error;
  EXPECT_FALSE(drx::testing::fileExists(options.outputPath));

  drx::testing::writeFile(dir.file("media.properties"), "mainClass = a\nsetup.version = 1.2.x\n");
  EXPECT_FALSE(buildMedia(options, error));
  EXPECT_NE(error.find("line 2: setup.version: version '1.2.x'"), std::string::npos) << error;
}

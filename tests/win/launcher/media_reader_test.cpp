// The payload reader end to end in a child process: tables, integrity check, extraction, fatal readers.
#include <gtest/gtest.h>

#include <string>

#include "common/payload/byte_source.h"
#include "common/payload/property_ids.h"
#include "common/unique_handle.h"
#include "tests/win/launcher/child_process.h"
#include "tests/win/launcher/media_fixture.h"

namespace drx::test {
namespace {

using payload::NarrowProperty;
using payload::WideProperty;

const char kCorrupted[] = "The installation file is corrupted. If it is a download please try it again.";

class MediaReader : public ::testing::Test {
 protected:
  void SetUp() override { scratch_ = makeScratchDirectory("media"); }
  void TearDown() override {
    for (const std::string& log : logs_) DeleteFileA(log.c_str());
    for (const std::string& directory : extracted_) removeTree(directory);
    removeTree(scratch_);
  }

  std::string write(const std::string& bytes) {
    const std::string path = scratch_ + "\\media" + std::to_string(++files_) + ".exe";
    writeFile(path, bytes);
    return path;
  }

  // Runs the driver with the log kept; remembers the log and extraction directory for cleanup.
  ChildResult run(const std::string& arguments, MessageBoxSeen* box = nullptr) {
    EnvironmentGuard environment({{L"LANQO_LOG", L"yes"}, {L"DEPLOYRIX_LOG", L""}});
    ChildResult result = runDriver(std::wstring(arguments.begin(), arguments.end()), 60000,
                                   box ? answerMessageBox : nullptr, box);
    for (const std::string& line : lines(result.out)) {
      if (line.rfind("log=", 0) == 0) logs_.push_back(line.substr(4));
      if (line.rfind("dir=", 0) == 0) {
        extracted_.push_back(line.substr(4));
        extracted_.push_back(line.substr(4, line.size() - 8));  // the empty file beside it
      }
    }
    return result;
  }

  std::string value(const ChildResult& result, const std::string& key) {
    for (const std::string& line : lines(result.out)) {
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<missing " + key + ">";
  }

  std::string logText(const ChildResult& result) { return readFile(value(result, "log")); }

  static std::string firstErrorLine(const ChildResult& result) {
    std::vector<std::string> all = lines(result.err);
    return all.empty() ? std::string() : all[0];
  }

  std::string scratch_;
  int files_ = 0;
  std::vector<std::string> logs_;
  std::vector<std::string> extracted_;
};

MediaLayout layoutWithFiles(const std::vector<IncludedFile>& files, const std::string& names, int count) {
  MediaLayout layout;
  layout.narrow = typicalNarrow(0);
  layout.narrow.push_back({payload::kIncludedFileCount, std::to_string(count)});
  layout.narrow.push_back({payload::kIncludedFileNames, names});
  layout.wide = typicalWide();
  layout.files = files;
  layout.remaining = "remaining data for the Java side";
  return layout;
}

TEST_F(MediaReader, LoadsBothTablesLaterRecordWinsAbsentIdsAreEmpty) {
  MediaLayout layout;
  layout.narrow = {
      {122, "com.example.First"}, {151, "12345"}, {122, "com.example.Main"}, {146, "abc"}, {107, "1"}};
  layout.wide = {{20013, u"deployrix Wizard"}, {20016, u"first"}, {20016, u"caf\u00e9"}};
  BuiltMedia media = buildMedia(layout);
  ChildResult result = run("load " + write(media.bytes) + " 122 151 146 999 20016 20013 20099");
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(value(result, "122"), "com.example.Main|0");
  EXPECT_EQ(value(result, "151"), "12345|12345");
  EXPECT_EQ(value(result, "146"), "abc|0");
  EXPECT_EQ(value(result, "999"), "|0");
  EXPECT_EQ(value(result, "20016"), "caf\\u00e9");
  EXPECT_EQ(value(result, "20013"), "deployrix Wizard");
  EXPECT_EQ(value(result, "20099"), "");
  EXPECT_EQ(value(result, "F"), std::to_string(media.includedFilesOffset));
  EXPECT_EQ(value(result, "console"), "0");
  // The first log lines come from finding the payload.
  const std::string log = logText(result);
  EXPECT_NE(log.find("number of sections: 3\r\nsize of optional headers: 240\r\nresSectionTableStart: 472\r\n"
                     "rawDataSize: 512, rawDataOffset: 1024\r\n"),
            std::string::npos)
      << log;
}

TEST_F(MediaReader, LauncherTypeOtherThanOneOrFiveSendsErrorsToTheConsole) {
  const struct {
    const char* type;
    const char* console;
  } cases[] = {{"1", "0"}, {"5", "0"}, {"2", "1"}, {"", "1"}, {"x", "1"}};
  for (const auto& c : cases) {
    MediaLayout layout;
    layout.narrow = {{107, c.type}};
    ChildResult result = run("load " + write(buildMedia(layout).bytes));
    EXPECT_EQ(value(result, "console"), c.console) << c.type;
  }
}

// Hand-made payloads that a builder would never write.
std::string header(uint32_t magic = 0xE8E413D5u) {
  std::string bytes = syntheticStub();
  payload::appendU32(bytes, magic);
  payload::appendU32(bytes, 0);
  payload::appendU32(bytes, 0);
  payload::appendI64(bytes, 0);
  return bytes;
}

std::string withRecords(const std::string& narrowRecords, int32_t narrowCount, const std::string& wideRecords,
                        int32_t wideCount) {
  std::string bytes = header();
  payload::appendU32(bytes, static_cast<uint32_t>(narrowCount));
  bytes += narrowRecords;
  payload::appendU32(bytes, static_cast<uint32_t>(wideCount));
  bytes += wideRecords;
  return bytes;
}

std::string rawRecord(int32_t id, int32_t length, const std::string& bytes) {
  std::string record;
  payload::appendU32(record, static_cast<uint32_t>(id));
  payload::appendU32(record, static_cast<uint32_t>(length));
  return record + bytes;
}

TEST_F(MediaReader, BrokenPayloadsStopWithTheFatalErrorOfTheReaderConcerned) {
  const std::string good =
      withRecords(rawRecord(122, 3, "abc"), 1, rawRecord(20013, 4, std::string("h\0i\0", 4)), 1);
  const struct {
    const char* name;
    std::string bytes;
    const char* fatal;
  } cases[] = {
      {"wrong magic", header(0x12345678u) + std::string(64, '\0'), "Internal Error: magic"},
      {"file shorter than the PE offset", std::string(40, 'M'), "Internal Error: readInt"},
      {"PE header behind the end",
       std::string("MZ") + std::string(58, '\0') + std::string("\x00\x10\x00\x00", 4),
       "Internal Error: readShort"},
      {"payload start behind the end", syntheticStub().substr(0, 0x500), "Internal Error: readInt"},
      {"header cut in the checksum", header().substr(0, kStubPayloadStart + 10), "Internal Error: readInt"},
      {"header cut in the region length", header().substr(0, kStubPayloadStart + 16),
       "Internal Error: readLong"},
      {"no narrow count", header(), "Internal Error: readInt"},
      {"negative narrow length", withRecords(rawRecord(122, -5, ""), 1, "", 0), "Internal Error: readString"},
      {"huge narrow length", withRecords(rawRecord(122, 0x7FFFFFFF, "abc"), 1, "", 0),
       "Internal Error: readString"},
      {"narrow text cut off", good.substr(0, kStubPayloadStart + 20 + 4 + 8 + 2),
       "Internal Error: readString"},
      {"narrow record head cut off", good.substr(0, kStubPayloadStart + 20 + 4 + 6),
       "Internal Error: readInt"},
      {"no wide count", good.substr(0, kStubPayloadStart + 20 + 4 + 11 + 2), "Internal Error: readInt"},
      {"odd wide length", withRecords("", 0, rawRecord(20013, 3, "abc"), 1), "Internal Error: readWString"},
      {"negative wide length", withRecords("", 0, rawRecord(20013, -2, ""), 1),
       "Internal Error: readWString"},
      {"wide text cut off", good.substr(0, good.size() - 1), "Internal Error: readWString"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ChildResult result = run("loadq " + write(c.bytes));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(firstErrorLine(result), c.fatal);
  }
  ChildResult loaded = run("load " + write(good) + " 122 20013");
  EXPECT_EQ(loaded.exitCode, 0u) << loaded.err;
  EXPECT_EQ(value(loaded, "122"), "abc|0");
}

TEST_F(MediaReader, MissingMediaFileStopsWithTheMediaMessage) {
  ChildResult result = run("loadq " + scratch_ + "\\missing.exe");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(firstErrorLine(result),
            "Error opening media file. Please move this file to an ascii-only path like c:\\");
}

TEST_F(MediaReader, WrongMagicIsReportedBeforeAnyVerification) {
  ChildResult result = run("start " + write(header(0xE8E413D4u) + std::string(64, '\0')) + " quiet check");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(firstErrorLine(result), "Internal Error: magic");
  EXPECT_EQ(result.out.find("verified"), std::string::npos);
}

struct VerifyCase {
  const char* name;
  bool verifyFlag;
  const char* mode;      // "quiet" or "normal"
  const char* checking;  // "check" or "nocheck"
  enum { kNone, kTable, kFile, kRemaining, kFiller } corrupt;
  bool passes;
};

TEST_F(MediaReader, IntegrityCheckCatchesChangesInsideTheRegionOnly) {
  const VerifyCase cases[] = {
      {"intact", true, "normal", "check", VerifyCase::kNone, true},
      {"changed table byte", true, "normal", "check", VerifyCase::kTable, false},
      {"changed file byte, quiet", true, "quiet", "check", VerifyCase::kFile, false},
      {"changed remaining data", true, "quiet", "check", VerifyCase::kRemaining, false},
      {"changed filler behind the region", true, "quiet", "check", VerifyCase::kFiller, true},
      {"switched off", true, "quiet", "nocheck", VerifyCase::kFile, true},
      {"no verify flag", false, "quiet", "check", VerifyCase::kFile, true},
  };
  MediaLayout layout = layoutWithFiles({{"a.bin", std::string(300, 'a')}}, "a.bin", 1);
  layout.filler = std::string(100, '\0');
  for (const VerifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    layout.verify = c.verifyFlag;
    BuiltMedia media = buildMedia(layout);
    // The table byte lies in the caption "Error" of the narrow table.
    if (c.corrupt == VerifyCase::kTable) media.bytes[kStubPayloadStart + 20 + 4 + 8 + 2] ^= 0x01;
    if (c.corrupt == VerifyCase::kFile) media.bytes[media.fileContentOffsets[0] + 150] ^= 0x01;
    if (c.corrupt == VerifyCase::kRemaining) media.bytes[media.unextractedOffset + 3] ^= 0x01;
    if (c.corrupt == VerifyCase::kFiller) media.bytes[media.regionEnd + 10] = 'X';
    MessageBoxSeen box;
    ChildResult result = run("start " + write(media.bytes) + " " + c.mode + " " + c.checking, &box);
    const std::string log = logText(result);
    if (c.passes) {
      EXPECT_EQ(result.exitCode, 0u) << result.err;
      EXPECT_EQ(value(result, "result"), "0");
    } else {
      EXPECT_EQ(result.exitCode, 1u);
      EXPECT_EQ(result.out.find("verified"), std::string::npos);
      if (haveDisplay()) {
        EXPECT_EQ(box.caption, "deployrix Wizard");
        EXPECT_EQ(box.text, kCorrupted);
      }
    }
    const bool checked = c.verifyFlag && std::string(c.checking) == "check";
    EXPECT_EQ(log.find("verifying integrity length") != std::string::npos, checked) << log;
    EXPECT_EQ(log.find("checksums: ") != std::string::npos, checked) << log;
  }
}

TEST_F(MediaReader, ChecksumLogLineShowsBothValues) {
  MediaLayout layout = layoutWithFiles({{"a.bin", "xyz"}}, "a.bin", 1);
  BuiltMedia media = buildMedia(layout);
  ChildResult result = run("start " + write(media.bytes) + " quiet check");
  ASSERT_EQ(result.exitCode, 0u);
  const std::string log = logText(result);
  const std::string length = std::to_string(media.regionEnd - kStubPayloadStart - 20);
  EXPECT_NE(log.find("starting at 1536\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("verifying integrity length " + length + "\r\n"), std::string::npos) << log;
  // The CRC stored by the builder at P+8, printed unsigned and signed.
  const uint32_t crc =
      payload::loadU32(reinterpret_cast<const uint8_t*>(media.bytes.data()) + kStubPayloadStart + 8);
  const std::string u = std::to_string(crc), d = std::to_string(static_cast<int32_t>(crc));
  EXPECT_NE(log.find("checksums: " + u + " " + u + " " + d + " " + d + "\r\n"), std::string::npos) << log;
}

TEST_F(MediaReader, RegionLongerThanTheFileIsInternalError34) {
  MediaLayout layout = layoutWithFiles({{"a.bin", "xyz"}}, "a.bin", 1);
  BuiltMedia media = buildMedia(layout);
  const std::string cut = media.bytes.substr(0, media.bytes.size() - 5);
  ChildResult result = run("verify " + write(cut) + " check");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(firstErrorLine(result), "An internal error occurred (error code: 34)");
  EXPECT_NE(logText(result).find("ERROR: check ReadFile failed 0 0 "), std::string::npos);
}

TEST_F(MediaReader, VerifyAloneFailsOnWrongMagic) {
  MessageBoxSeen box;
  ChildResult result = run("verify " + write(header(0x1u) + std::string(64, '\0')) + " check", &box);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(result.out.find("verified"), std::string::npos);
}

TEST_F(MediaReader, ExtractsFilesUnmaskedIntoTheTemporaryDirectory) {
  MediaLayout layout = layoutWithFiles({{"first.txt", "hello world"},
                                        {"empty.bin", ""},
                                        {"sub\\inner.dat", std::string("\x00\x5E\xFF\xA1 binary", 10)},
                                        {"big.bin", std::string(20000, 'z') + "end"}},
                                       ";first.txt;;empty.bin;sub\\inner.dat;big.bin;", 4);
  BuiltMedia media = buildMedia(layout);
  ChildResult result = run("start " + write(media.bytes) + " quiet check");
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  ASSERT_EQ(value(result, "result"), "0");
  const std::string directory = value(result, "dir");
  for (size_t i = 0; i < layout.files.size(); ++i) {
    const IncludedFile& file = layout.files[i];
    const std::string path = directory + "\\" + file.name;
    if (file.content.empty()) {
      EXPECT_FALSE(fileExists(path)) << file.name;
      continue;
    }
    // On disk: the stored bytes XOR 0x5E.
    std::string stored = media.bytes.substr(media.fileContentOffsets[i], file.content.size());
    for (char& c : stored) c = static_cast<char>(c ^ 0x5E);
    EXPECT_EQ(readFile(path), stored) << file.name;
    EXPECT_EQ(readFile(path), file.content) << file.name;
  }
  EXPECT_EQ(value(result, "U"), std::to_string(media.unextractedOffset));
  const std::string log = logText(result);
  EXPECT_NE(log.find("Included files: 4\r\n"), std::string::npos);
  EXPECT_NE(log.find("extracting " + directory + "\\first.txt (size: 11)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("extracting " + directory + "\\empty.bin (size: 0)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("creating directory " + directory + "\\sub\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("extracting files done"), std::string::npos);
}

TEST_F(MediaReader, CountDecidesHowManyNamesAreExtracted) {
  const std::vector<IncludedFile> files = {{"one.txt", "1"}, {"two.txt", "22"}, {"three.txt", "333"}};
  const struct {
    int count;
    int extracted;
  } cases[] = {{0, 0}, {2, 2}, {3, 3}, {5, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    BuiltMedia media = buildMedia(layoutWithFiles(files, "one.txt;two.txt;three.txt", c.count));
    ChildResult result = run("start " + write(media.bytes) + " quiet check");
    ASSERT_EQ(value(result, "result"), "0") << result.err;
    const std::string directory = value(result, "dir");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fileExists(directory + "\\" + files[i].name), i < c.extracted) << i;
    // Behind the last extracted file; 0 when nothing was opened.
    int64_t expected = 0;
    if (c.extracted == 3) expected = media.unextractedOffset;
    if (c.extracted == 2) expected = media.fileContentOffsets[1] + 2;
    EXPECT_EQ(value(result, "U"), std::to_string(expected));
  }
}

TEST_F(MediaReader, SecondDirectoryLevelMustExistOrItIsInternalError11) {
  BuiltMedia media = buildMedia(layoutWithFiles({{"d1\\d2\\f.txt", "x"}}, "d1\\d2\\f.txt", 1));
  ChildResult result = run("start " + write(media.bytes) + " quiet check");
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_EQ(firstErrorLine(result), "An internal error occurred (error code: 11)");
  // Two names: the first creates d1\d2's parent level and a file, the second needs d1\d2 itself.
  BuiltMedia nested =
      buildMedia(layoutWithFiles({{"d1\\a.txt", "a"}, {"d1\\d2", ""}}, "d1\\a.txt;d1\\d2", 2));
  ChildResult ok = run("start " + write(nested.bytes) + " quiet check");
  EXPECT_EQ(value(ok, "result"), "0") << ok.err;
}

TEST_F(MediaReader, NamesLeavingTheDirectoryAreTreatedAsCorruption) {
  const char* names[] = {"..\\escape.txt", "c:\\escape.txt", "\\escape.txt", "sub\\..\\..\\escape.txt",
                         "c:escape.txt"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    BuiltMedia media =
        buildMedia(layoutWithFiles({{"ok.txt", "fine"}, {name, "evil"}}, std::string("ok.txt;") + name, 2));
    ChildResult result = run("start " + write(media.bytes) + " quiet check");
    EXPECT_EQ(value(result, "result"), "1") << result.err;
    const std::string directory = value(result, "dir");
    EXPECT_FALSE(fileExists(directory)) << "the temporary directory is removed";
    EXPECT_FALSE(fileExists(directory.substr(0, directory.rfind('\\')) + "\\escape.txt"));
    EXPECT_FALSE(fileExists("c:\\escape.txt"));
    EXPECT_NE(logText(result).find("ERROR: Failed to extract"), std::string::npos);
  }
}

TEST_F(MediaReader, ContentCutOffIsAReadFailureAndRemovesTheDirectory) {
  MediaLayout layout =
      layoutWithFiles({{"ok.txt", "fine"}, {"cut.bin", std::string(10000, 'c')}}, "ok.txt;cut.bin", 2);
  layout.remaining.clear();
  BuiltMedia media = buildMedia(layout);
  ChildResult result =
      run("start " + write(media.bytes.substr(0, media.bytes.size() - 100)) + " quiet nocheck");
  EXPECT_EQ(value(result, "result"), "1") << result.err;
  EXPECT_FALSE(fileExists(value(result, "dir")));
  const std::string log = logText(result);
  EXPECT_NE(log.find("ERROR: ReadFile failed 0 0 9900\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("attempting to delete "), std::string::npos) << log;
}

}  // namespace
}  // namespace drx::test

namespace drx::test {
namespace {

TEST(MediaReaderSelf, LauncherInNonAnsiFolderOpensItsOwnPayloadThroughTheShortPath) {
  const std::wstring driver = driverProgram();
  std::string exe = readFile(std::string(driver.begin(), driver.end()));
  ASSERT_FALSE(exe.empty());
  payload::VectorSink sink;
  sink.write(exe.data(), exe.size());
  payload::PayloadWriter writer(sink, static_cast<int64_t>(exe.size()));
  ASSERT_EQ(writer.writeHeaderAndProperties(true, {{122, "com.example.Self"}}, {}), payload::Error::kNone);
  ASSERT_EQ(writer.finish(), payload::Error::kNone);

  const std::string scratch = makeScratchDirectory("self");
  std::wstring folder(scratch.begin(), scratch.end());
  folder += L"\\\x0443\x0441\x0442\x0430\x043d\x043e\x0432\x043a\x0430";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring media = folder + L"\\setup.exe";
  {
    FileHandle out(CreateFileW(media.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(out.get(), sink.bytes().data(), static_cast<DWORD>(sink.bytes().size()), &written,
                          nullptr));
  }
  ChildResult result = runProgram(media, L"self 122");
  EXPECT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_NE(result.out.find("122=com.example.Self|0"), std::string::npos) << result.out;
  removeTree(scratch);
}

}  // namespace
}  // namespace drx::test

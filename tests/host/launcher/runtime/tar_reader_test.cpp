// Host tests of the runtime archive's tar loop: entry kinds, size fields, names, damaged archives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tar_gz_writer.h"
#include "tests/host/launcher/runtime/memory_tar.h"

namespace drx::launcher::test {
namespace {

using standin::makeTar;
using standin::tarDirectory;
using standin::TarEntry;
using standin::tarFile;

UntarOutcome untar(const std::string& archive, MemoryTree& tree, bool progress = false, int64_t total = 0) {
  MemoryInput input(archive);
  return untarEntries(input, tree, progress, total);
}

// Replaces the size field (offset 124, 12 bytes) of the header at headerOffset.
void setSizeField(std::string& archive, size_t headerOffset, const char (&field)[13]) {
  archive.replace(headerOffset + 124, 12, field, 12);
}

TEST(TarReader, ExtractsDirectoriesAndFilesWithBackslashNames) {
  const std::string big(70000, 'x');  // more than two copy chunks, not a multiple of 512
  const std::string archive =
      makeTar({tarDirectory("bin/"), tarFile("bin/java.exe", "exe"), tarDirectory("lib/"),
               tarFile("lib/rt.jar", big), tarFile("empty.txt", "")});
  MemoryTree tree;
  const UntarOutcome outcome = untar(archive, tree);
  EXPECT_EQ(outcome.result, UntarResult::kSuccess);
  EXPECT_TRUE(tree.directories.count("bin"));
  EXPECT_TRUE(tree.directories.count("lib"));
  EXPECT_EQ(tree.files["bin\\java.exe"], "exe");
  EXPECT_EQ(tree.files["lib\\rt.jar"], big);
  EXPECT_EQ(tree.files["empty.txt"], "");
  EXPECT_TRUE(tree.logged("extracting lib\\rt.jar (size 70000)"));
  EXPECT_TRUE(tree.logged("untaring JRE was successful"));
  EXPECT_TRUE(tree.positions.empty()) << "no bar without a dialog";
}

TEST(TarReader, ArchivesWithoutAnyRegularFileFail) {
  struct Case {
    const char* name;
    std::string archive;
    const char* reason;
  };
  const std::string onlyDirectories = makeTar({tarDirectory("a/"), tarDirectory("a/b/")});
  const Case cases[] = {
      {"only directories", onlyDirectories, "ERROR: no magic number"},
      {"empty", std::string(), "ERROR: unexpected eof"},
      {"only end blocks", std::string(1024, '\0'), "ERROR: no magic number"},
      {"directories without end blocks", onlyDirectories.substr(0, 1024), "ERROR: unexpected eof"},
  };
  for (const Case& c : cases) {
    MemoryTree tree;
    EXPECT_EQ(untar(c.archive, tree).result, UntarResult::kFailed) << c.name;
    EXPECT_TRUE(tree.logged(c.reason)) << c.name;
    EXPECT_TRUE(tree.logged("ERROR: untaring JRE was unsuccessful")) << c.name;
  }
}

TEST(TarReader, TruncatedArchivesFailWithTheStepThatNoticed) {
  const std::string data(1000, 'd');
  const std::string archive = makeTar({tarFile("first.bin", "1"), tarFile("second.bin", data)});
  const size_t secondHeader = 1024;
  struct Case {
    const char* name;
    size_t length;
    const char* reason;
  };
  const Case cases[] = {
      {"inside the data", secondHeader + 512 + 300, "ERROR: sizes don't match: 300, 1000"},
      {"right after the header", secondHeader + 512, "ERROR: sizes don't match: 0, 1000"},
      {"inside the header", secondHeader + 200, "ERROR: truncated tar header"},
  };
  for (const Case& c : cases) {
    MemoryTree tree;
    EXPECT_EQ(untar(archive.substr(0, c.length), tree).result, UntarResult::kFailed) << c.name;
    EXPECT_TRUE(tree.logged(c.reason)) << c.name;
    EXPECT_TRUE(tree.logged("ERROR: untaring JRE was unsuccessful")) << c.name;
  }
}

TEST(TarReader, ReadErrorsFail) {
  const std::string archive = makeTar({tarFile("a.bin", std::string(5000, 'a'))});
  for (long failAt : {0L, 512L + 1024L}) {
    MemoryInput input(archive);
    input.failReadsFrom(failAt);
    MemoryTree tree;
    EXPECT_EQ(untarEntries(input, tree, false, 0).result, UntarResult::kFailed) << failAt;
  }
}

TEST(TarReader, SizeFieldsInEveryWritingParseAlike) {
  const char* fields[] = {
      "00000001750\0", "     1750 \0\0",  "1750\0\0\0\0\0\0\0\0",
      "00001750    ",  "  0 01750\0\0\0", "000000001750",
  };
  for (const char* field : fields) {
    int32_t size = -1;
    EXPECT_TRUE(parseTarSize(std::string_view(field, 12), size)) << field;
    EXPECT_EQ(size, 01750) << field;
  }
  int32_t zero = -1;
  EXPECT_TRUE(parseTarSize(std::string_view("           \0", 12), zero));
  EXPECT_EQ(zero, 0);
  int32_t largest = 0;
  EXPECT_TRUE(parseTarSize(std::string_view("17777777777\0", 12), largest));
  EXPECT_EQ(largest, 2147483647);

  const char* refused[] = {"0000000178\0\0", "00000001a50\0", "\x80\0\0\0\0\0\0\x01\0\0\0\0",
                           "20000000000\0",  "777777777777",  "0000-001750\0"};
  for (const char* field : refused) {
    int32_t size = 0;
    EXPECT_FALSE(parseTarSize(std::string_view(field, 12), size)) << field;
  }
}

TEST(TarReader, EntriesWithRewrittenSizeFieldsExtractTheSameBytes) {
  const std::string data(1000, 'z');
  const char fields[][13] = {"     1750 \0\0", "1750\0\0\0\0\0\0\0\0", "00001750    "};
  for (const auto& field : fields) {
    std::string archive = makeTar({tarFile("f.bin", data), tarFile("g.txt", "after")});
    setSizeField(archive, 0, field);
    MemoryTree tree;
    EXPECT_EQ(untar(archive, tree).result, UntarResult::kSuccess) << field;
    EXPECT_EQ(tree.files["f.bin"], data);
    EXPECT_EQ(tree.files["g.txt"], "after");
  }
  std::string bad = makeTar({tarFile("f.bin", data)});
  setSizeField(bad, 0, "0000000x750\0");
  MemoryTree tree;
  EXPECT_EQ(untar(bad, tree).result, UntarResult::kFailed);
  EXPECT_TRUE(tree.logged("ERROR: invalid size field"));
  EXPECT_TRUE(tree.files.empty());
}

TEST(TarReader, OtherEntryKindsAreSkippedWithTheirDataAndPadding) {
  // Data that would read as a header (with magic) if the skip were wrong.
  const std::string decoy = makeTar({tarFile("decoy.txt", "no")}).substr(0, 512) + std::string(100, 'q');
  std::vector<TarEntry> entries = {
      TarEntry{"link", decoy, '2'},
      TarEntry{"././@LongLink", std::string(130, 'L'), 'L'},
      TarEntry{"fifo", "", '6'},
      tarFile("kept.txt", "kept"),
  };
  MemoryTree tree;
  EXPECT_EQ(untar(makeTar(entries), tree).result, UntarResult::kSuccess);
  EXPECT_EQ(tree.files.size(), 1u);
  EXPECT_EQ(tree.files["kept.txt"], "kept");
}

TEST(TarReader, AFileWhoseDirectoryDidNotComeFirstCannotBeCreated) {
  MemoryTree tree;
  const UntarOutcome outcome = untar(makeTar({tarFile("bin/java.exe", "exe")}), tree);
  EXPECT_EQ(outcome.result, UntarResult::kFileNotCreated);
  EXPECT_EQ(outcome.fileName, "bin\\java.exe");
  EXPECT_TRUE(tree.logged("ERROR: Could not open file bin\\java.exe"));
}

TEST(TarReader, NamesThatLeaveTheTargetAreRefused) {
  const char* refused[] = {"../evil.txt", "a/../../evil.txt", "/etc/evil",      "\\\\server\\share\\x",
                           "C:/evil.txt", "c:evil.txt",       "a/.../b.txt",    "a/.. /b.txt",
                           "..",          "a\\..\\..\\x",     "file.txt:stream"};
  for (const char* name : refused) {
    std::string path;
    EXPECT_FALSE(tarEntryPath(name, path)) << name;
    MemoryTree tree;
    tree.directories.insert("a");
    EXPECT_EQ(untar(makeTar({tarFile("ok.txt", "1"), tarFile(name, "x")}), tree).result, UntarResult::kFailed)
        << name;
    EXPECT_EQ(tree.files.size(), 1u) << name;
    EXPECT_TRUE(tree.logged("ERROR: untaring JRE was unsuccessful")) << name;
  }
  // A refused directory entry fails the same way.
  MemoryTree tree;
  EXPECT_EQ(untar(makeTar({tarFile("ok.txt", "1"), tarDirectory("../up/")}), tree).result,
            UntarResult::kFailed);
  EXPECT_FALSE(tree.directories.count("..\\up"));

  const char* accepted[] = {"./bin/java.exe", "a..b/c..d.txt", "lib/.hidden", "jre/./lib/x"};
  for (const char* name : accepted) {
    std::string path;
    EXPECT_TRUE(tarEntryPath(name, path)) << name;
    EXPECT_EQ(path.find('/'), std::string::npos) << name;
  }
}

TEST(TarReader, ProgressMovesWithinTheSecondQuarterAndIsThrottled) {
  const std::string archive =
      makeTar({tarFile("a.bin", std::string(200000, 'a')), tarFile("b.bin", std::string(100, 'b'))});
  {
    MemoryTree tree;  // the clock stands still: one update per entry plus the first chunk's
    ASSERT_EQ(untar(archive, tree, true, static_cast<int64_t>(archive.size())).result, UntarResult::kSuccess);
    ASSERT_EQ(tree.positions.size(), 4u);
    EXPECT_EQ(tree.positions.front(), 100);
    for (int position : tree.positions) {
      EXPECT_GE(position, 100);
      EXPECT_LE(position, 200);
    }
  }
  {
    MemoryTree tree;  // 201 ms per chunk: every chunk updates
    tree.tickStep = 201;
    ASSERT_EQ(untar(archive, tree, true, static_cast<int64_t>(archive.size())).result, UntarResult::kSuccess);
    EXPECT_EQ(tree.positions.size(), 1u + 7u + 1u + 1u);
  }
  {
    MemoryTree tree;  // no total: the bar stays at the start of its quarter
    ASSERT_EQ(untar(archive, tree, true, 0).result, UntarResult::kSuccess);
    for (int position : tree.positions) EXPECT_EQ(position, 100);
  }
  EXPECT_EQ(tarProgressPosition(512, 1024), 150);
  EXPECT_EQ(tarProgressPosition(5000, 1024), 200);
}

}  // namespace
}  // namespace drx::launcher::test

// The folders searched for java.exe by name, and the quoting of the "-version" command line.
#include "launcher/jvm/portable/program_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace drx::launcher {
namespace {

using Folders = std::vector<std::string>;

TEST(ProgramSearchFolders, SystemFoldersThenAbsolutePathEntriesNeverTheSetupFolder) {
  const Folders system = {"C:\\Windows\\system32", "C:\\Windows\\System", "C:\\Windows"};
  auto with = [&](Folders tail) {
    Folders all = system;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  struct Row {
    const char* path;
    const char* launcherDirectory;
    Folders expected;
  };
  const Row rows[] = {
      {"", "D:\\Downloads\\", with({})},
      {"C:\\jdk\\bin;D:\\tools", "D:\\Downloads\\", with({"C:\\jdk\\bin", "D:\\tools"})},
      // Relative entries resolve against the current directory: left out.
      {".;bin;;C:\\jdk\\bin;\\rooted;C:relative", "D:\\Downloads\\", with({"C:\\jdk\\bin"})},
      // The setup program's folder, however PATH spells it.
      {"d:\\downloads;D:\\DOWNLOADS\\;D:/Downloads;C:\\jdk\\bin", "D:\\Downloads\\", with({"C:\\jdk\\bin"})},
      {"D:\\Downloads\\sub;D:\\Download", "D:\\Downloads\\", with({"D:\\Downloads\\sub", "D:\\Download"})},
      {"\"C:\\Program Files\\Java\\bin\";\\\\server\\share\\bin", "D:\\Downloads\\",
       with({"C:\\Program Files\\Java\\bin", "\\\\server\\share\\bin"})},
      {"C:\\jdk\\bin;", "", with({"C:\\jdk\\bin"})},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(programSearchFolders("C:\\Windows\\system32", "C:\\Windows", row.path, row.launcherDirectory),
              row.expected)
        << row.path;
  }
  EXPECT_EQ(programSearchFolders("", "", "C:\\jdk\\bin", "D:\\x\\"), Folders{"C:\\jdk\\bin"});
}

TEST(VersionCommandLine, ProgramPathIsAlwaysQuoted) {
  struct Row {
    const char* shortForm;
    const char* program;
    const char* expected;
  };
  const Row rows[] = {
      // What GetShortPathNameA gives on a volume without 8.3 names: the long form, spaces included.
      {"D:\\Java Tools\\jdk\\bin\\java.exe", "D:\\Java Tools\\jdk\\bin\\java.exe",
       "\"D:\\Java Tools\\jdk\\bin\\java.exe\" -version"},
      {"C:\\PROGRA~1\\Java\\bin\\java.exe", "C:\\Program Files\\Java\\bin\\java.exe",
       "\"C:\\PROGRA~1\\Java\\bin\\java.exe\" -version"},
      // No short form at all.
      {"", "C:\\a b\\java.exe", "\"C:\\a b\\java.exe\" -version"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(versionCommandLine(row.shortForm, row.program), row.expected) << row.program;
}

}  // namespace
}  // namespace drx::launcher

// Runs the stand-in java.exe, javaw.exe and unpack200.exe as the launcher does and checks the runtime layouts
// and archives.
#include "pack_format.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

namespace standin {
namespace {

struct RunResult {
  DWORD exitCode = 0;
  bool timedOut = false;
  std::string standardError;
};

// Starts the command hidden with standard error in a file, as the launcher's version check does.
RunResult run(const std::wstring& commandLine, const std::wstring& errorFile, DWORD waitMs = 60000) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE error =
      CreateFileW(errorFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(error, INVALID_HANDLE_VALUE);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                                nullptr, &startup, &process);
  EXPECT_TRUE(started) << narrow(commandLine);
  if (started) {
    if (WaitForSingleObject(process.hProcess, waitMs) == WAIT_TIMEOUT) {
      result.timedOut = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(error);
  readFile(errorFile, result.standardError);
  return result;
}

size_t lineCount(const std::wstring& file) {
  std::string text;
  if (!readFile(file, text)) return 0;
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(JavaStandin, AnswersVersionAsScripted) {
  struct Row {
    const char* script;
    std::string expectedError;
    DWORD expectedExit;
  } rows[] = {
      {"", "java version \"1.8.0_202\"\r\nStand-in Runtime line 2\r\nStand-in Runtime line 3\r\n", 0},
      {"java.firstLine=openjdk version \"17.0.9\" 2023-10-17\njava.lineEnd=lf\njava.moreLines=0\n",
       "openjdk version \"17.0.9\" 2023-10-17\n", 0},
      {"java.firstLine=java version \"1.6.0_21\"\njava.lineEnd=none\njava.moreLines=0\njava.exitCode=0\n",
       "java version \"1.6.0_21\"", 0},
      {"java.firstLine=Error occurred during initialization of VM\njava.moreLines=0\njava.exitCode=1\n",
       "Error occurred during initialization of VM\r\n", 1},
  };
  for (const Row& row : rows) {
    for (const wchar_t* program : {L"java.exe", L"javaw.exe"}) {
      Scratch scratch;
      RuntimeSpec plan;
      plan.config = std::string(row.script) + "#\n";
      ASSERT_TRUE(layOutRuntime(scratch.root() + L"\\rt", plan));
      std::wstring exe = scratch.root() + L"\\rt\\bin\\" + program;
      RunResult result = run(L"\"" + exe + L"\" -version", scratch.root() + L"\\err.txt");
      EXPECT_EQ(result.standardError, row.expectedError) << row.script << narrow(program);
      EXPECT_EQ(result.exitCode, row.expectedExit) << row.script << narrow(program);
      EXPECT_EQ(scratch.report().utf8Values("java.run"),
                std::vector<std::string>{"\"" + narrow(exe) + "\" -version"});
    }
  }
}

TEST(JavaStandin, CountsRunsPerRuntimeAndCanHang) {
  Scratch scratch;
  RuntimeSpec plan;
  ASSERT_TRUE(layOutRuntime(scratch.root() + L"\\a", plan));
  plan.config = "java.hangMs=forever\n";
  ASSERT_TRUE(layOutRuntime(scratch.root() + L"\\b", plan));
  for (int i = 0; i < 2; ++i)
    EXPECT_FALSE(run(scratch.root() + L"\\a\\bin\\java.exe -version", scratch.root() + L"\\e").timedOut);
  RunResult hung = run(scratch.root() + L"\\b\\bin\\java.exe -version", scratch.root() + L"\\e", 500);
  EXPECT_TRUE(hung.timedOut);
  EXPECT_EQ(hung.standardError, "");
  EXPECT_EQ(lineCount(scratch.root() + L"\\a\\bin\\java-runs.txt"), 2u);
  EXPECT_EQ(lineCount(scratch.root() + L"\\b\\bin\\java-runs.txt"), 1u) << "a hung start still counts";
}

TEST(Unpack200Standin, UnpacksAndRemovesOrLeavesAlone) {
  struct Row {
    const char* name;
    const char* script;
    const char* option;
    bool packedIsReal;  // written by packJar, else plain jar bytes
    bool packedExists;
    DWORD expectedExit;
    const char* expectedResult;
  } rows[] = {
      {"ok", "", "-r", true, true, 0, "ok"},
      {"scripted exit code", "unpack200.exitCode=3\n", "-r", true, true, 3, "ok"},
      {"no -r", "", "-x", true, true, 2, "usage"},
      {"not packed", "", "-r", false, true, 1, "not-packed"},
      {"missing", "", "-r", true, false, 1, "missing"},
      {"scripted failure", "unpack200.fail=1\n", "-r", true, true, 1, "scripted-failure"},
  };
  for (const Row& row : rows) {
    Scratch scratch;
    RuntimeSpec plan;
    plan.config = std::string(row.script) + "#\n";
    ASSERT_TRUE(layOutRuntime(scratch.root() + L"\\rt", plan));
    std::wstring packed = scratch.root() + L"\\rt\\lib\\rt.jar.pack";
    std::wstring target = scratch.root() + L"\\rt\\lib\\rt.jar";
    CreateDirectoryW((scratch.root() + L"\\rt\\lib").c_str(), nullptr);
    if (row.packedExists) {
      ASSERT_TRUE(writeFile(
          packed, row.packedIsReal ? packJar(jarContent("lib\\rt.jar")) : jarContent("lib\\rt.jar")));
    }
    std::wstring line = scratch.root() + L"\\rt\\bin\\unpack200.exe " + widen(row.option) + L" \"" + packed +
                        L"\" \"" + target + L"\"";
    RunResult result = run(line, scratch.root() + L"\\err.txt");
    EXPECT_EQ(result.exitCode, row.expectedExit) << row.name;
    Report report = scratch.report();
    EXPECT_EQ(report.utf8Values("unpack200.run"), std::vector<std::string>{narrow(line)}) << row.name;
    EXPECT_EQ(report.utf8Values("unpack200.result"), std::vector<std::string>{row.expectedResult})
        << row.name;
    bool unpacked = std::string(row.expectedResult) == "ok";
    std::string jar;
    EXPECT_EQ(readFile(target, jar), unpacked) << row.name;
    if (unpacked) {
      EXPECT_EQ(jar, jarContent("lib\\rt.jar"));
    }
    EXPECT_EQ(GetFileAttributesW(packed.c_str()) != INVALID_FILE_ATTRIBUTES, row.packedExists && !unpacked)
        << row.name;
  }
}

TEST(JvmStandin, ProcessEndingBehaviourUnderADriver) {
  const std::string probe = narrow(windowsPath(DRX_PROBE_DLL));
  struct Row {
    std::string script;
    DWORD expectedExit;
    std::string expectedError;  // a part of standard error
    std::vector<std::string> expectedMainEnd;
  } rows[] = {
      {"jvm.main.action=stderr hello\njvm.main.action=exit 42\njvm.main.action=stderr never\n",
       42,
       "hello\r\n",
       {}},
      {"jvm.main.exception=java/lang/IllegalStateException:bad\n",
       1,
       "Exception in thread \"main\" java.lang.IllegalStateException: bad\r\n",
       {"threw java/lang/IllegalStateException"}},
      {"jvm.main.action=call " + probe + "|Java_probe_Probe_lock|void\n",
       86,
       "mini JNI: JNI function MonitorEnter is not implemented",
       {}},
  };
  for (const Row& row : rows) {
    Scratch scratch;
    RuntimeSpec plan;
    plan.config = row.script;
    ASSERT_TRUE(layOutRuntime(scratch.root() + L"\\rt", plan));
    std::wstring line = L"\"" + windowsPath(DRX_VM_DRIVER) + L"\" \"" + scratch.root() +
                        L"\\rt\\bin\\client\\jvm.dll\" " +
                        L"com/lanqo/runtime/WinLauncher first \"second arg\"";
    RunResult result = run(line, scratch.root() + L"\\err.txt");
    EXPECT_EQ(result.exitCode, row.expectedExit) << row.script;
    EXPECT_NE(result.standardError.find(row.expectedError), std::string::npos)
        << row.script << result.standardError;
    EXPECT_EQ(result.standardError.find("never"), std::string::npos);
    Report report = scratch.report();
    EXPECT_EQ(report.utf8Values("jvm.arg"), (std::vector<std::string>{"first", "second arg"})) << row.script;
    EXPECT_EQ(report.utf8Values("jvm.mainEnd"), row.expectedMainEnd) << row.script;
    if (row.expectedExit == 86) {
      EXPECT_EQ(report.utf8Values("jvm.onLoad"), std::vector<std::string>{probe + " 65540"});
      ASSERT_EQ(report.count("jvm.fatal"), 1u);
      EXPECT_NE(report.utf8Values("jvm.fatal")[0].find("MonitorEnter"), std::string::npos);
    }
  }
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(RuntimeLayout, ShapesTheLauncherLooksFor) {
  Scratch scratch;
  RuntimeSpec kit;
  kit.developmentKit = true;
  kit.vmTypes = {"server", "jrockit"};
  kit.packedJars = {"lib\\rt.jar", "lib\\ext\\localedata.jar"};
  kit.plainJars = {"lib\\charsets.jar"};
  const std::wstring root = scratch.root() + L"\\jdk";
  ASSERT_TRUE(layOutRuntime(root, kit));
  for (const wchar_t* present :
       {L"\\bin\\java.exe", L"\\bin\\javaw.exe", L"\\lib\\tools.jar", L"\\jre\\bin\\java.exe",
        L"\\jre\\bin\\javaw.exe", L"\\jre\\bin\\unpack200.exe", L"\\jre\\bin\\server\\jvm.dll",
        L"\\jre\\bin\\jrockit\\jvm.dll", L"\\jre\\lib\\rt.jar.pack", L"\\jre\\lib\\ext\\localedata.jar.pack",
        L"\\jre\\lib\\charsets.jar"}) {
    EXPECT_TRUE(exists(root + present)) << narrow(present);
  }
  for (const wchar_t* absent :
       {L"\\bin\\server", L"\\bin\\client", L"\\jre\\lib\\rt.jar", L"\\standin.cfg"}) {
    EXPECT_FALSE(exists(root + absent)) << narrow(absent);
  }
  std::string packed;
  ASSERT_TRUE(readFile(root + L"\\jre\\lib\\rt.jar.pack", packed));
  std::string jar;
  ASSERT_TRUE(unpackJar(packed, jar));
  EXPECT_EQ(jar, jarContent("lib\\rt.jar"));
}

TEST(RuntimeLayout, ArchivesWithAndWithoutTopLevelJre) {
  Scratch scratch;
  RuntimeSpec plan;
  const std::wstring root = scratch.root() + L"\\tree";
  ASSERT_TRUE(layOutRuntime(root, plan));
  for (const std::string prefix : {"", "jre/"}) {
    std::vector<TarEntry> entries = treeEntries(root, prefix);
    std::vector<std::string> names;
    for (const TarEntry& entry : entries) names.push_back(std::string(1, entry.type) + " " + entry.path);
    std::vector<std::string> expected = {"5 " + prefix + "bin/",
                                         "0 " + prefix + "bin/java.exe",
                                         "0 " + prefix + "bin/javaw.exe",
                                         "5 " + prefix + "bin/client/",
                                         "0 " + prefix + "bin/client/jvm.dll",
                                         "0 " + prefix + "bin/unpack200.exe"};
    if (!prefix.empty()) expected.insert(expected.begin(), "5 jre/");
    std::vector<std::string> sortedNames = names;
    std::sort(sortedNames.begin() + (prefix.empty() ? 0 : 1), sortedNames.end());
    std::sort(expected.begin() + (prefix.empty() ? 0 : 1), expected.end());
    EXPECT_EQ(sortedNames, expected);
    // Folders precede their contents.
    for (size_t i = 0; i < names.size(); ++i) {
      std::string path = names[i].substr(2);
      size_t slash = path.find_last_of('/', path.size() - 2);
      if (slash == std::string::npos) continue;
      std::string parent = "5 " + path.substr(0, slash + 1);
      EXPECT_LT(std::find(names.begin(), names.end(), parent) - names.begin(), static_cast<long>(i)) << path;
    }
    std::wstring archive = scratch.root() + L"\\jre.tar.gz";
    ASSERT_TRUE(writeTarGz(archive, entries));
    gzFile file = gzopen(narrow(archive).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string tar;
    char buffer[65536];
    for (int got; (got = gzread(file, buffer, sizeof buffer)) > 0;)
      tar.append(buffer, static_cast<size_t>(got));
    gzclose(file);
    EXPECT_EQ(tar, makeTar(entries));
    EXPECT_EQ(writeRuntimeArchive(root, archive, !prefix.empty()), tar.size());
  }
}

}  // namespace
}  // namespace standin

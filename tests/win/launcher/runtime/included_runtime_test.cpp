// End-to-end tests of an included runtime: media files carrying a stand-in runtime as jre.tar.gz,
// run quietly, checked by exit code, output, log, working directory and the stand-in's report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "pack_format.h"
#include "standin_host.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"

namespace drx::test {
namespace {

constexpr int32_t kIncludedJreSizeId = 151;
constexpr int32_t kJrePackedId = 153;
constexpr int32_t kPreferInstalledJreId = 161;
constexpr int32_t kJreSearchSequenceId = 128;
constexpr const char* kCorrupted =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

class IncludedRuntime : public testing::Test {
 protected:
  void SetUp() override { clearStartupMarkers(); }
  void TearDown() override { clearStartupMarkers(); }

  // A quiet start of a media file that carries archive as jre.tar.gz.
  LaunchResult run(RuntimeLaunch& launch, const std::string& archive) {
    launch.setup.arguments = L"-q";
    launch.setup.media.files.emplace_back("jre.tar.gz", archive);
    return runToEnd(launch.setup, kRunTimeoutMs);
  }

  std::string attachedVm(const RuntimeLaunch& launch) {
    const std::vector<std::string> attached = launch.report().utf8Values("jvm.attach");
    return attached.empty() ? std::string() : lower(attached.front());
  }

  ScratchDirectory scratch_{L"incl"};
};

TEST_F(IncludedRuntime, ArchiveIsUnpackedIntoJreDeletedAndItsRuntimeRuns) {
  struct Case {
    const char* prefix;
    const char* vmFolder;  // where the loaded jvm.dll lies below the working directory
  };
  const Case cases[] = {{"", "\\jre\\bin\\client\\jvm.dll"}, {"jre/", "\\jre\\jre\\bin\\client\\jvm.dll"}};
  for (const Case& c : cases) {
    RuntimeLaunch launch(scratch_);
    const std::string archive = runtimeArchive(scratch_, standin::RuntimeSpec{}, c.prefix);
    launch.setup.media.narrow[kIncludedJreSizeId] = std::to_string(archive.size());
    const LaunchResult result = run(launch, archive);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_EQ(launch.report().count("jvm.main"), 1u) << c.prefix;
    const std::string vm = attachedVm(launch);
    EXPECT_TRUE(contains(vm, lower(standin::narrow(launch.workingDirectory())) + c.vmFolder)) << vm;
    EXPECT_FALSE(launch.workingFileExists(L"jre.tar.gz"));
    const std::string log = launch.log();
    EXPECT_TRUE(contains(log, "JRE included")) << log;
    EXPECT_TRUE(contains(log, "extracting JRE"));
    EXPECT_TRUE(contains(log, "untaring JRE was successful"));
    EXPECT_TRUE(contains(log, "JRE dir: ")) << log;
  }
}

TEST_F(IncludedRuntime, DamagedArchivesShowTheCorruptedMessageAndExitWithOne) {
  using standin::tarDirectory;
  using standin::tarFile;
  const std::string good = runtimeArchive(scratch_, standin::RuntimeSpec{}, "");
  const std::string tar = standin::makeTar({tarFile("a.txt", std::string(3000, 'a'))});
  struct Case {
    const char* name;
    std::string archive;
    const char* logged;
  };
  const Case cases[] = {
      // gzopen reads data without a gzip header as it is.
      {"not gzip at all", "plain text, not a tar", "ERROR: truncated tar header"},
      {"only directories", standin::gzip(standin::makeTar({tarDirectory("bin/"), tarDirectory("lib/")})),
       "no magic number"},
      {"cut inside an entry", standin::gzip(tar.substr(0, 512 + 1000)), "sizes don't match: 1000, 3000"},
      {"cut gzip stream", good.substr(0, good.size() / 2), "untaring JRE was unsuccessful"},
      {"entry leaving the directory",
       standin::gzip(standin::makeTar({tarFile("ok.txt", "1"), tarFile("../evil.txt", "x")})),
       "refusing entry outside the target directory: ..\\evil.txt"},
  };
  for (const Case& c : cases) {
    RuntimeLaunch launch(scratch_);
    const LaunchResult result = run(launch, c.archive);
    EXPECT_EQ(result.exitCode, 1u) << c.name;
    EXPECT_TRUE(contains(result.standardError, kCorrupted)) << c.name << ": " << result.standardError;
    const std::string log = launch.log();
    EXPECT_TRUE(contains(log, c.logged)) << c.name << "\n" << log;
    EXPECT_TRUE(contains(log, "ERROR: Could not untar JRE")) << c.name;
    EXPECT_FALSE(launch.workingFileExists(L"evil.txt")) << c.name;
    EXPECT_EQ(launch.report().count("jvm.attach"), 0u) << c.name;
  }
}

TEST_F(IncludedRuntime, AFileWhoseFolderDidNotComeFirstStopsWithItsName) {
  RuntimeLaunch launch(scratch_);
  const LaunchResult result =
      run(launch, standin::gzip(standin::makeTar({standin::tarFile("bin/java.exe", "x")})));
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_TRUE(contains(result.standardError, "Could not open file bin\\java.exe")) << result.standardError;
  EXPECT_TRUE(contains(launch.log(), "ERROR: Could not open file bin\\java.exe"));
}

TEST_F(IncludedRuntime, UnloadableBundledRuntimeFallsBackToTheSearchThenStops) {
  standin::RuntimeSpec noVm;
  noVm.vmTypes.clear();
  RuntimeLaunch launch(scratch_);
  const LaunchResult result = run(launch, runtimeArchive(scratch_, noVm, ""));
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_TRUE(contains(result.standardError,
                       "Could not use bundled JRE. Please send this log file to your software vendor:"))
      << result.standardError;
  const std::string log = launch.log();
  EXPECT_TRUE(contains(log, "ERROR: Could not load bundled JRE. Trying to find another JRE.")) << log;
  EXPECT_TRUE(contains(log, "ERROR: Could not find another JRE."));
}

TEST_F(IncludedRuntime, PreferredInstalledRuntimeLeavesTheArchiveInPlace) {
  const std::wstring installed = scratch_.file(L"installed");
  ASSERT_TRUE(standin::layOutRuntime(installed, standin::RuntimeSpec{}));
  RuntimeLaunch launch(scratch_);
  launch.setup.media.narrow[kPreferInstalledJreId] = "1";
  launch.setup.environment.emplace_back(L"LANQO_JAVA_HOME", installed);
  const std::string archive = runtimeArchive(scratch_, standin::RuntimeSpec{}, "");
  const LaunchResult result = run(launch, archive);
  EXPECT_EQ(result.exitCode, 0u) << result.standardError;
  EXPECT_TRUE(contains(attachedVm(launch), lower(standin::narrow(installed)) + "\\bin\\client\\jvm.dll"))
      << attachedVm(launch);
  EXPECT_EQ(launch.workingFile(L"jre.tar.gz"), archive);
  EXPECT_FALSE(launch.workingFileExists(L"jre"));
}

TEST_F(IncludedRuntime, PackedRuntimeIsUnpackedInListOrderWithTheRuntimesOwnUnpacker) {
  const std::vector<std::string> list = {"lib\\rt.jar",     "lib\\charsets.jar",        "lib\\plugin.jar",
                                         "lib\\deploy.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar"};
  for (const char* prefix : {"", "jre/"}) {
    standin::RuntimeSpec plan;
    // deploy.jar comes unpacked: its step is skipped, the others still run.
    plan.packedJars = {"lib\\jsse.jar", "lib\\rt.jar", "lib\\ext\\localedata.jar", "lib\\charsets.jar",
                       "lib\\plugin.jar"};
    plan.plainJars = {"lib\\deploy.jar"};
    RuntimeLaunch launch(scratch_);
    launch.setup.media.narrow[kJrePackedId] = "1";
    const LaunchResult result = run(launch, runtimeArchive(scratch_, plan, prefix));
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    EXPECT_TRUE(contains(result.standardOutput, "Preparing JRE ...")) << result.standardOutput;

    const std::wstring runtime = std::wstring(L"jre") + (*prefix ? L"\\jre" : L"");
    const std::vector<std::string> runs = launch.report().utf8Values("unpack200.run");
    std::vector<std::string> unpacked;
    for (const std::string& run : runs) {
      for (const std::string& jar : list) {
        if (contains(run, "\\" + jar + ".pack\" ")) unpacked.push_back(jar);
      }
    }
    EXPECT_EQ(unpacked, (std::vector<std::string>{"lib\\rt.jar", "lib\\charsets.jar", "lib\\plugin.jar",
                                                  "lib\\ext\\localedata.jar", "lib\\jsse.jar"}))
        << prefix;
    for (const std::string& run : runs) {
      EXPECT_TRUE(contains(lower(run), "\\bin\\unpack200.exe\" -r \"")) << run;
    }
    for (const std::string& jar : list) {
      const std::wstring path = runtime + L"\\" + standin::widen(jar);
      EXPECT_EQ(launch.workingFile(path), standin::jarContent(jar)) << jar;
      EXPECT_FALSE(launch.workingFileExists(path + L".pack")) << jar;
    }
    const std::string log = launch.log();
    EXPECT_TRUE(contains(log, "JRE is packed"));
    EXPECT_TRUE(contains(log, "pack path doesn't exists"));
    EXPECT_TRUE(contains(log, "Unpacking JRE done"));
  }
}

// The search below the runtime stages reaches their unpacker too: a runtime folder of the search
// sequence that lies packed is expanded before its java.exe is asked for a version, and then it runs.
TEST_F(IncludedRuntime, PackedInstalledRuntimeIsUnpackedBeforeTheSearchChecksIt) {
  standin::RuntimeSpec plan;
  plan.packedJars = {"lib\\rt.jar", "lib\\jsse.jar"};
  const std::wstring installed = scratch_.file(L"packed");
  ASSERT_TRUE(standin::layOutRuntime(installed, plan));
  RuntimeLaunch launch(scratch_);
  launch.setup.arguments = L"-q";
  launch.setup.media.narrow[kJreSearchSequenceId] = "A" + standin::narrow(installed) + ";";
  const LaunchResult result = runToEnd(launch.setup, kRunTimeoutMs);
  EXPECT_EQ(result.exitCode, 0u) << result.standardError;
  EXPECT_TRUE(contains(result.standardOutput, "Preparing JRE ...")) << result.standardOutput;
  EXPECT_EQ(launch.report().count("unpack200.run"), 2u);
  for (const std::string& jar : plan.packedJars) {
    const std::wstring path = installed + L"\\" + standin::widen(jar);
    EXPECT_EQ(readFileBytes(path), standin::jarContent(jar)) << jar;
    EXPECT_EQ(GetFileAttributesW((path + L".pack").c_str()), INVALID_FILE_ATTRIBUTES) << jar;
  }
  EXPECT_TRUE(contains(attachedVm(launch), lower(standin::narrow(installed)) + "\\bin\\client\\jvm.dll"))
      << attachedVm(launch);
  EXPECT_TRUE(contains(launch.log(), "Unpacking JRE done")) << launch.log();
}

TEST_F(IncludedRuntime, RuntimeWithItsLastJarPresentIsLeftAlone) {
  standin::RuntimeSpec plan;
  plan.packedJars = {"lib\\rt.jar", "lib\\charsets.jar"};
  plan.plainJars = {"lib\\jsse.jar"};
  RuntimeLaunch launch(scratch_);
  launch.setup.media.narrow[kJrePackedId] = "1";
  const LaunchResult result = run(launch, runtimeArchive(scratch_, plan, ""));
  EXPECT_EQ(result.exitCode, 0u) << result.standardError;
  EXPECT_EQ(launch.report().count("unpack200.run"), 0u);
  EXPECT_TRUE(launch.workingFileExists(L"jre\\lib\\rt.jar.pack"));
  EXPECT_FALSE(contains(result.standardOutput, "Preparing JRE"));
}

TEST_F(IncludedRuntime, PackedRuntimeWithoutUnpackerIsAnInternalError) {
  standin::RuntimeSpec plan;
  plan.unpack200 = false;
  plan.packedJars = {"lib\\rt.jar"};
  RuntimeLaunch launch(scratch_);
  launch.setup.media.narrow[kJrePackedId] = "1";
  const LaunchResult result = run(launch, runtimeArchive(scratch_, plan, ""));
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_TRUE(contains(result.standardError, "An internal error occurred (error code: 20)"))
      << result.standardError;
  EXPECT_TRUE(contains(launch.log(), "could not create unpack process"));
}

TEST_F(IncludedRuntime, PackedIncludedFilesBecomeTheirJars) {
  RuntimeLaunch launch(scratch_);
  launch.setup.media.files.emplace_back("app.jar.pack", standin::packJar("application jar"));
  launch.setup.media.files.emplace_back("notes.txt.PACK", "left as it is");
  launch.setup.media.files.emplace_back("plain.jar", "plain");
  const LaunchResult result = run(launch, runtimeArchive(scratch_, standin::RuntimeSpec{}, ""));
  EXPECT_EQ(result.exitCode, 0u) << result.standardError;
  EXPECT_EQ(launch.workingFile(L"app.jar"), "application jar");
  EXPECT_FALSE(launch.workingFileExists(L"app.jar.pack"));
  EXPECT_EQ(launch.workingFile(L"notes.txt.PACK"), "left as it is");
  EXPECT_EQ(launch.workingFile(L"plain.jar"), "plain");
  EXPECT_TRUE(contains(launch.log(), "unpacking app.jar.pack"));
  EXPECT_EQ(launch.report().count("unpack200.run"), 1u);
}

}  // namespace
}  // namespace drx::test

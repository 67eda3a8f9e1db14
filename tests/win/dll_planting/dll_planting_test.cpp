// DLLs planted beside the launcher and beside drxinst: the real launcher never loads them through
// its dialog, a runtime download and a drxinst call that needs version.dll; a build that imports
// comctl32.dll statically does.
#include <gtest/gtest.h>

#include <cctype>
#include <iostream>

#include "standin_host.h"
#include "tests/win/dll_planting/planted_record.h"
#include "tests/win/launcher/runtime/loopback_http_server.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"

namespace drx::test {
namespace {

constexpr const char* kCompare = "Java_com_deployrix_runtime_installer_platform_win32_FileVersion_compare0";
// Needs netapi32.dll, which imports dnsapi.dll.
constexpr const char* kDeleteUser =
    "Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_deleteUser0";

std::string windowsNarrowPath(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return standin::narrow(path);
}

// Under wine the planted DLLs are only reachable with the overrides that make wine prefer a DLL
// found by the search (set for this test in CMakeLists.txt); without them this test proves nothing.
bool searchFindsPlantedDlls() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;  // Windows
  wchar_t overrides[4096] = L"";
  const DWORD length = GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 4096);
  return length < 4096 && std::wstring(overrides).find(DRX_PLANTED_OVERRIDES) != std::wstring::npos;
}

struct PlantedRun {
  LaunchResult result;
  std::string log;
  standin::Report report;
  std::vector<PlantedEvent> events;
};

class DllPlanting : public testing::Test {
 protected:
  void SetUp() override { clearStartupMarkers(); }
  void TearDown() override { clearStartupMarkers(); }

  // Runs the launcher stub on a media file with the planted DLLs beside it and among its included
  // files (extracted beside drxinst), downloading a stand-in runtime whose main compares the
  // versions of two probe programs through drxinst.
  PlantedRun runPlanted(const std::wstring& stub) {
    standin::RuntimeSpec runtime;
    runtime.config = std::string("jvm.main.action=call .\\") + DRX_PLATFORM_DLL_NAME + "|" + kCompare +
                     "|int|str:" + windowsNarrowPath(DRX_VERSION_PROBE_NEW) +
                     "|str:" + windowsNarrowPath(DRX_VERSION_PROBE_OLD) + "\njvm.main.action=call .\\" +
                     DRX_PLATFORM_DLL_NAME + "|" + kDeleteUser +
                     "|int|null|str:drx_nobody\njvm.main.action=exit 0\n";
    LoopbackHttpServer server(HttpAnswer::kWithLength, runtimeArchive(scratch_, runtime, ""));
    EXPECT_TRUE(server.listening());

    RuntimeLaunch launch(scratch_);
    MediaSpec& media = launch.setup.media;
    media.stub = stub;
    media.wide[20001] = L"Downloading a Java runtime\u2026";
    media.wide[20008] = L"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s";
    media.wide[20009] = L"Connecting\u2026";
    media.narrow[150] = server.url();  // jreDownloadUrl
    media.narrow[157] = "1";           // download without asking
    media.narrow[107] = "1";           // a GUI launcher: errors in message boxes
    for (const char* name : kPlantedNames) {
      const std::wstring wideName = standin::widen(name);
      const std::string bytes = readFileBytes(std::wstring(DRX_PLANTED_DIR) + L"\\" + wideName);
      EXPECT_FALSE(bytes.empty()) << name;
      media.files.emplace_back(name, bytes);
      EXPECT_TRUE(CopyFileW((std::wstring(DRX_PLANTED_DIR) + L"\\" + wideName).c_str(),
                            (launch.setup.directory + L"\\" + wideName).c_str(), FALSE))
          << name;
    }
    media.files.emplace_back(DRX_PLATFORM_DLL_NAME, readFileBytes(DRX_PLATFORM_DLL));

    const std::wstring recordPath = launch.setup.directory + L"\\planted.txt";
    launch.setup.environment.emplace_back(L"DRX_PLANTED_RECORD", recordPath);
    PlantedRun run;
    run.result = runToEnd(launch.setup, kRunTimeoutMs);
    run.log = launch.log();
    run.report = launch.report();
    run.events = readPlantedEvents(recordPath);
    for (const PlantedEvent& event : run.events) std::cout << "planted: " << event.line << "\n";
    return run;
  }

  ScratchDirectory scratch_{L"plant"};
};

TEST_F(DllPlanting, LauncherAndDrxinstNeverLoadOrCallAPlantedDll) {
  ASSERT_TRUE(searchFindsPlantedDlls());
  const PlantedRun run = runPlanted(L"");
  EXPECT_TRUE(run.result.finished);
  EXPECT_EQ(run.result.exitCode, 0u) << run.result.standardError << run.log;
  EXPECT_TRUE(run.result.sawWindow);  // the progress dialog, with comctl32's progress bar
  EXPECT_TRUE(contains(run.log, "download successful")) << run.log;
  // The first probe's file version 2.0.0.0 is newer than the second's 1.9.9.9.
  // ... and deleting a user that does not exist gives NERR_UserNotFound (2221).
  EXPECT_EQ(run.report.utf8Values("jvm.call.result"),
            (std::vector<std::string>{std::string(kCompare) + " 1", std::string(kDeleteUser) + " 2221"}));
  for (const PlantedEvent& event : run.events) {
    EXPECT_FALSE(event.byProgram) << event.line;
    // netapi32.dll is loaded by full path; its own imports come from the system directory too.
    std::string causes = event.causes;
    for (char& c : causes) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(event.dll == "dnsapi.dll" && contains(causes, "netapi32.dll")) << event.line;
  }
}

TEST_F(DllPlanting, LauncherImportingComctl32StaticallyLoadsThePlantedCopy) {
  const PlantedRun run = runPlanted(DRX_STATIC_COMCTL32_STUB);
  bool loadedForLauncher = false;
  for (const PlantedEvent& event : run.events) {
    if (event.kind == "load" && event.dll == "comctl32.dll" && event.byProgram &&
        contains(event.causes, "\\setup.exe"))
      loadedForLauncher = true;
  }
  EXPECT_TRUE(loadedForLauncher);
}

// A runtime whose jvm.dll imports jvmaux.dll, which lies in the runtime's bin folder; a look-alike
// lies beside the launcher. The launcher loads jvm.dll by full path; jvm.dll's own imports must
// come from its runtime, never from the launcher's folder.
TEST_F(DllPlanting, JvmDllImportsNeverComeFromBesideTheLauncher) {
  const std::wstring runtime = scratch_.file(L"auxruntime");
  standin::RuntimeSpec plan;
  ASSERT_TRUE(standin::layOutRuntime(runtime, plan));
  const std::wstring auxiliary = DRX_AUXILIARY_DIR;
  ASSERT_TRUE(
      CopyFileW((auxiliary + L"\\jvm.dll").c_str(), (runtime + L"\\bin\\client\\jvm.dll").c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileW((auxiliary + L"\\jvmaux.dll").c_str(), (runtime + L"\\bin\\jvmaux.dll").c_str(), FALSE));
  const std::string archive = standin::gzip(standin::makeTar(standin::treeEntries(runtime, "")));

  RuntimeLaunch launch(scratch_);
  launch.setup.arguments = L"-q";
  launch.setup.media.files.emplace_back("jre.tar.gz", archive);
  launch.setup.media.narrow[151] = std::to_string(archive.size());  // includedJreSize
  ASSERT_TRUE(CopyFileW((std::wstring(DRX_PLANTED_DIR) + L"\\jvmaux.dll").c_str(),
                        (launch.setup.directory + L"\\jvmaux.dll").c_str(), FALSE));
  const std::wstring recordPath = launch.setup.directory + L"\\planted.txt";
  launch.setup.environment.emplace_back(L"DRX_PLANTED_RECORD", recordPath);

  const LaunchResult result = runToEnd(launch.setup, kRunTimeoutMs);
  const std::vector<PlantedEvent> events = readPlantedEvents(recordPath);
  for (const PlantedEvent& event : events) ADD_FAILURE() << "planted: " << event.line;
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 0u) << result.standardError << launch.log();
  // The runtime's own copy answered, and main ran.
  EXPECT_EQ(launch.report().utf8Values("jvm.auxiliary"), std::vector<std::string>{"1"});
  EXPECT_EQ(launch.report().count("jvm.main"), 1u);
}

}  // namespace
}  // namespace drx::test

// Misc natives of the real DLL: ending window_probe.exe children, the process list, the
// environment, memory and disk figures, moves at the next restart and window titles.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "drxinst_library.h"
#include "test_paths.h"
#include "tests/support/process_driver/process_driver.h"

namespace drxtest {
namespace {

using Terminate = jint(JNICALL*)(JNIEnv*, jclass, jintArray, jboolean, jint);
using Modules = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean);
using Strings = jobjectArray(JNICALL*)(JNIEnv*, jclass);
using Action = void(JNICALL*)(JNIEnv*, jclass);
using Number = jlong(JNICALL*)(JNIEnv*, jclass);
using DiskSpace = jlong(JNICALL*)(JNIEnv*, jclass, jstring);
using Move = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
using Title = jstring(JNICALL*)(JNIEnv*, jclass, jint);

struct Natives {
  Terminate terminate = exportOf<Terminate>("Misc", "terminateProcesses0", 20);
  Modules runningModules = exportOf<Modules>("Misc", "getRunningModules0", 12);
  Strings environment = exportOf<Strings>("Misc", "getEnvVarPairs0", 8);
  Action broadcast = exportOf<Action>("Misc", "broadcastSettingChange0", 8);
  Number physicalMemory = exportOf<Number>("Misc", "getPhysicalMemory0", 8);
  DiskSpace freeDiskSpace = exportOf<DiskSpace>("Misc", "getFreeDiskSpace0", 12);
  Move move = exportOf<Move>("Misc", "moveWithDelayUntilReboot0", 16);
  Action toFront = exportOf<Action>("Misc", "toFront0", 8);
  Title windowTitle = exportOf<Title>("Misc", "getWindowTitle0", 12);
};

constexpr DWORD kWindowWaitMillis = 15000;

// A window_probe.exe child; terminated when the test leaves if it still runs.
std::unique_ptr<drx::test::ChildProcess> startProbe(const std::wstring& mode,
                                                    const std::wstring& title = L"") {
  drx::test::ChildOptions options;
  options.commandLine =
      L"\"" + besideTestProgram(L"window_probe.exe") + L"\" " + mode + L" \"" + title + L"\"";
  auto child = std::make_unique<drx::test::ChildProcess>(options);
  if (child->running() && mode != L"none") {
    const bool visible = mode != L"hidden";
    // Wait until the window exists (a hidden one has no visible window to wait for).
    drx::test::waitUntil(kWindowWaitMillis, [&] {
      bool found = false;
      for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == child->id() && drx::test::windowClassName(window) == L"DrxWindowProbe" &&
            (!visible || IsWindowVisible(window))) {
          found = true;
        }
      }
      return found;
    });
  }
  return child;
}

bool stillRunning(drx::test::ChildProcess& child) {
  return WaitForSingleObject(child.handle(), 0) == WAIT_TIMEOUT;
}

class MiscTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(vm.outstandingBuffers(), 0u); }
  jintArray ids(std::initializer_list<DWORD> list) {
    std::vector<jint> values;
    for (DWORD id : list) values.push_back(static_cast<jint>(id));
    return vm.newIntArray(values);
  }
  std::wstring text(jobject value) { return vm.isNull(value) ? L"<null>" : wide(vm.string(value)); }
  jstring str(const std::wstring& value) { return vm.newString(utf16(value)); }

  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  Natives natives;
};

TEST_F(MiscTest, PoliteTerminationClosesVisibleWindowsAndWaits) {
  auto probe = startProbe(L"visible", L"drx polite");
  ASSERT_TRUE(probe->running());
  EXPECT_EQ(natives.terminate(env, nullptr, ids({probe->id()}), JNI_FALSE, 20000), 1);
  DWORD exitCode = 0;
  ASSERT_TRUE(probe->waitForExit(0, exitCode));
  EXPECT_EQ(exitCode, 42u) << "ended by its own window closing, not killed";
}

TEST_F(MiscTest, PoliteTerminationWithoutAVisibleWindowFailsAtOnce) {
  auto windowless = startProbe(L"none");
  auto hidden = startProbe(L"hidden", L"drx hidden");
  auto visible = startProbe(L"visible", L"drx mixed");
  ASSERT_TRUE(windowless->running() && hidden->running() && visible->running());
  EXPECT_EQ(natives.terminate(env, nullptr, ids({windowless->id()}), JNI_FALSE, 60000), 0);
  EXPECT_EQ(natives.terminate(env, nullptr, ids({hidden->id()}), JNI_FALSE, 60000), 0);
  EXPECT_TRUE(stillRunning(*windowless));
  EXPECT_TRUE(stillRunning(*hidden));
  // The process with a window is still asked to close, but the result says not all could be.
  EXPECT_EQ(natives.terminate(env, nullptr, ids({visible->id(), windowless->id()}), JNI_FALSE, 60000), 0);
  DWORD exitCode = 0;
  EXPECT_TRUE(visible->waitForExit(kWindowWaitMillis, exitCode));
  EXPECT_EQ(exitCode, 42u);
}

TEST_F(MiscTest, ForcedTerminationKillsProcessesWithoutWindows) {
  auto first = startProbe(L"none");
  auto second = startProbe(L"hidden", L"drx forced");
  ASSERT_TRUE(first->running() && second->running());
  EXPECT_EQ(natives.terminate(env, nullptr, ids({first->id(), second->id()}), JNI_TRUE, 0), 1);
  DWORD exitCode = 1;
  ASSERT_TRUE(first->waitForExit(kWindowWaitMillis, exitCode));
  EXPECT_EQ(exitCode, 0u);
  ASSERT_TRUE(second->waitForExit(kWindowWaitMillis, exitCode));
  EXPECT_EQ(exitCode, 0u);
  // A process id that belongs to nothing cannot be opened (wine hands out small ids).
  EXPECT_EQ(natives.terminate(env, nullptr, ids({0x7FFFFFF0u}), JNI_TRUE, 0), 0);
}

TEST_F(MiscTest, WaitThatTimesOutGives3) {
  auto stubborn = startProbe(L"stubborn", L"drx stubborn");
  ASSERT_TRUE(stubborn->running());
  EXPECT_EQ(natives.terminate(env, nullptr, ids({stubborn->id()}), JNI_FALSE, 0), 3);
  EXPECT_EQ(natives.terminate(env, nullptr, ids({stubborn->id()}), JNI_FALSE, 300), 3);
  EXPECT_TRUE(stillRunning(*stubborn));
}

TEST_F(MiscTest, WindowTitlePrefersVisibleWindowsAndIsNeverNull) {
  auto windowless = startProbe(L"none");
  auto hidden = startProbe(L"hidden", L"drx invisible title");
  auto visible = startProbe(L"visible", L"drx visible title");
  EXPECT_EQ(text(natives.windowTitle(env, nullptr, static_cast<jint>(windowless->id()))), L"");
  // Without a visible titled window the last invisible titled one answers; besides the probe's
  // own window that can be the thread's input-method window, which is titled too.
  const std::wstring hiddenTitle = text(natives.windowTitle(env, nullptr, static_cast<jint>(hidden->id())));
  EXPECT_TRUE(hiddenTitle == L"drx invisible title" || hiddenTitle == L"Default IME")
      << std::string(hiddenTitle.begin(), hiddenTitle.end());
  EXPECT_EQ(text(natives.windowTitle(env, nullptr, static_cast<jint>(visible->id()))), L"drx visible title");
  EXPECT_EQ(text(natives.windowTitle(env, nullptr, -1)), L"");
}

TEST_F(MiscTest, SettingChangeReachesOtherProcessesWindows) {
  auto visible = startProbe(L"visible", L"drx broadcast");
  natives.broadcast(env, nullptr);
  EXPECT_TRUE(drx::test::waitUntil(kWindowWaitMillis, [&] {
    return text(natives.windowTitle(env, nullptr, static_cast<jint>(visible->id()))) == L"drx broadcast env";
  }));
}

TEST_F(MiscTest, OwnWindowsComeToTheFront) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"DrxFrontTest";
  RegisterClassW(&windowClass);
  HWND own = CreateWindowW(L"DrxFrontTest", L"drx own", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(own, nullptr);
  auto other = startProbe(L"visible", L"drx other");
  const std::vector<HWND> otherWindows = drx::test::visibleWindowsOf(other->id());
  ASSERT_FALSE(otherWindows.empty());
  SetForegroundWindow(otherWindows.front());
  ASSERT_TRUE(
      drx::test::waitUntil(kWindowWaitMillis, [&] { return GetForegroundWindow() == otherWindows.front(); }));
  natives.toFront(env, nullptr);
  EXPECT_TRUE(drx::test::waitUntil(kWindowWaitMillis, [&] { return GetForegroundWindow() == own; }));
  DestroyWindow(own);
}

TEST_F(MiscTest, RunningModulesListIdAndPathIncludingThisProcess) {
  wchar_t ownPath[MAX_PATH];
  GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
  const std::wstring own = std::to_wstring(GetCurrentProcessId()) + L" " + ownPath;
  for (jboolean keepDebugOff : {JNI_FALSE, JNI_TRUE}) {
    jobjectArray list = natives.runningModules(env, nullptr, keepDebugOff);
    ASSERT_FALSE(vm.isNull(list));
    bool foundSelf = false;
    for (const std::u16string& entry16 : vm.strings(list)) {
      const std::wstring entry = wide(entry16);
      const size_t space = entry.find(L' ');
      ASSERT_NE(space, std::wstring::npos) << entry;
      ASSERT_GT(space, 0u) << entry;
      EXPECT_TRUE(std::all_of(entry.begin(), entry.begin() + space, iswdigit)) << entry;
      EXPECT_NE(entry.substr(0, space), L"0");
      EXPECT_GT(entry.size(), space + 3) << entry;
      EXPECT_EQ(entry[space + 2], L':') << "a full path follows: " << std::string(entry.begin(), entry.end());
      if (_wcsicmp(entry.c_str(), own.c_str()) == 0) foundSelf = true;
    }
    EXPECT_TRUE(foundSelf);
  }
}

TEST_F(MiscTest, EnvironmentEntriesKeepTheBlocksOrderAndDriveEntries) {
  // Per-drive current directories are entries whose names begin with '='.
  ASSERT_TRUE(SetEnvironmentVariableW(L"=Q:", L"Q:\\drx"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"DRX_TEST_ENV", L"a=b"));
  std::vector<std::wstring> block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) block.emplace_back(entry);
  FreeEnvironmentStringsW(strings);

  std::vector<std::wstring> listed;
  for (const std::u16string& entry : vm.strings(natives.environment(env, nullptr)))
    listed.push_back(wide(entry));
  EXPECT_EQ(listed, block);
  EXPECT_NE(std::find(listed.begin(), listed.end(), L"=Q:=Q:\\drx"), listed.end());
  EXPECT_NE(std::find(listed.begin(), listed.end(), L"DRX_TEST_ENV=a=b"), listed.end());
  SetEnvironmentVariableW(L"=Q:", nullptr);
  SetEnvironmentVariableW(L"DRX_TEST_ENV", nullptr);
}

TEST_F(MiscTest, MemoryAndDiskFigures) {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  EXPECT_EQ(natives.physicalMemory(env, nullptr), static_cast<jlong>(memory.ullTotalPhys));

  EXPECT_GT(natives.freeDiskSpace(env, nullptr, str(L"C:\\")), 0);
  wchar_t unmapped[] = L"Q:\\";
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    unmapped[0] = letter;
    if (GetDriveTypeW(unmapped) == DRIVE_NO_ROOT_DIR) break;
  }
  EXPECT_EQ(natives.freeDiskSpace(env, nullptr, str(unmapped)), -1);
}

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";

std::vector<std::wstring> pendingRenames() {
  std::vector<std::wstring> entries;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return entries;
  DWORD size = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
      ERROR_SUCCESS) {
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, 0);
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(data.data()), &size);
    // Pairs of source and destination; an empty destination means deletion. The list's own
    // final NUL is not an entry.
    const wchar_t* end = data.data() + (size >= sizeof(wchar_t) ? size / sizeof(wchar_t) - 1 : 0);
    for (const wchar_t* entry = data.data(); entry < end; entry += wcslen(entry) + 1)
      entries.emplace_back(entry);
  }
  RegCloseKey(key);
  return entries;
}

void restorePendingRenames(const std::vector<std::wstring>& entries) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (entries.empty()) {
    RegDeleteValueW(key, L"PendingFileRenameOperations");
  } else {
    std::wstring data;
    for (const std::wstring& entry : entries) data.append(entry).push_back(L'\0');
    data.push_back(L'\0');
    RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

TEST_F(MiscTest, MovesAndDeletionsAreRecordedForTheNextRestart) {
  const std::vector<std::wstring> before = pendingRenames();
  drx::test::ScratchDirectory scratch(L"drxmove");
  const std::wstring source = scratch.file(L"from.txt");
  const std::wstring destination = scratch.file(L"to.txt");
  const std::wstring doomed = scratch.file(L"doomed.txt");
  for (const std::wstring& file : {source, doomed}) {
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  EXPECT_TRUE(natives.move(env, nullptr, str(source), str(destination)));
  EXPECT_TRUE(natives.move(env, nullptr, str(doomed), nullptr));
  const std::vector<std::wstring> after = pendingRenames();
  restorePendingRenames(before);

  ASSERT_EQ(after.size(), before.size() + 4);
  const std::vector<std::wstring> added(after.end() - 4, after.end());
  EXPECT_EQ(_wcsicmp(added[0].c_str(), (L"\\??\\" + source).c_str()), 0);
  // No "!" in front: that marks a move allowed to replace the destination, which is not asked for.
  EXPECT_EQ(_wcsicmp(added[1].c_str(), (L"\\??\\" + destination).c_str()), 0);
  EXPECT_EQ(_wcsicmp(added[2].c_str(), (L"\\??\\" + doomed).c_str()), 0);
  EXPECT_EQ(added[3], L"") << "an empty destination deletes the file";
  // Nothing moves before the restart.
  EXPECT_NE(GetFileAttributesW(source.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace drxtest

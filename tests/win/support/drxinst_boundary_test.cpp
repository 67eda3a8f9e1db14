// The platform library called as a Java runtime calls it: the stand-in jvm.dll resolves every
// native by the name a VM of this width looks up (on 32-bit the stdcall name "...@N") and calls it
// with exactly N bytes of arguments. On 32-bit the stand-in checks the stack pointer across each
// call, so a native whose convention or argument size disagrees with its name shows at once.
#include "test_support.h"

#include <gtest/gtest.h>

#include <jni.h>

#include <map>
#include <string>
#include <vector>

namespace standin {
namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

constexpr char kPrefix[] = "Java_com_deployrix_runtime_installer_platform_win32_";
constexpr char kKey[] = "Software\\morvenic\\drx-boundary-test";

struct Call {
  const char* className;
  const char* method;
  int argumentBytes;
  const char* result;     // how the stand-in reads the result: void, bool, int, long, string, object
  std::string arguments;  // "|"-separated stand-in arguments
};

std::string exportName(const Call& call) {
  std::string name = std::string(kPrefix) + call.className + "_" + call.method;
#ifndef _WIN64
  name += "@" + std::to_string(call.argumentBytes);
#endif
  return name;
}

// Every export but Misc.reboot0, with arguments that keep each call harmless: missing services,
// users and files, a test key of our own, a listener that is closed again. reboot0 would end
// every process of the wine prefix; the export table test checks its names.
std::vector<Call> calls() {
  const std::string key = std::string("str:") + kKey;
  const std::string pid = "int:" + std::to_string(GetCurrentProcessId());
  return {
      {"Common", "setWindows95", 12, "void", "bool:0"},
      {"Common", "setWindowsNT", 12, "void", "bool:1"},
      {"Registry", "createKey0", 20, "bool", "int:2|" + key + "|int:0"},
      {"Registry", "keyExists0", 20, "bool", "int:2|" + key + "|int:0"},
      {"Registry", "setValue0", 32, "bool", "int:2|" + key + "|str:v|str:text|int:1|int:0"},
      {"Registry", "getValue0", 24, "string", "int:2|" + key + "|str:v|int:0"},
      {"Registry", "enumValues0", 20, "object", "int:2|" + key + "|int:0"},
      {"Registry", "enumSubKeys0", 20, "object", "int:2|" + key + "|int:0"},
      {"Registry", "saveKey0", 24, "bool", "int:2|" + key + "\\missing|str:C:\\drx-no-such-dir\\hive|int:0"},
      {"Registry", "restoreKey0", 24, "bool",
       "int:2|" + key + "\\missing|str:C:\\drx-no-such-dir\\hive|int:0"},
      {"Registry", "deleteValue0", 24, "void", "int:2|" + key + "|str:v|int:0"},
      {"Registry", "deleteKey0", 24, "void", "int:2|" + key + "|bool:0|int:0"},
      {"Registry", "changeNotifyAssociations0", 8, "void", ""},
      {"Win32CommunicationBackend", "createListener0", 8, "string", ""},
      {"Win32CommunicationBackend", "closeListener0", 8, "void", ""},
      {"Win32CommunicationBackend", "connect0", 12, "bool", "null"},
      {"Win32CommunicationBackend", "readDataBlock0", 8, "object", ""},
      {"Win32CommunicationBackend", "writeDataBlock0", 12, "bool", "bytes:abc"},
      {"Win32CommunicationBackend", "disconnect0", 8, "void", ""},
      {"Win32CommunicationBackend", "getCurrentProcessId0", 8, "int", ""},
      {"Win32CommunicationBackend", "isProcessAlive0", 12, "bool", pid},
      {"ShellLink", "initialize", 8, "bool", ""},
      {"ShellLink", "create0", 32, "bool", "null|null|null|null|null|null"},
      {"ShellLink", "createWide0", 32, "bool", "null|null|null|null|null|null"},
      {"ShellLink", "changeNotfiy0", 16, "bool", "null|null"},
      {"ShellLink", "uninitialize", 8, "bool", ""},
      {"Win32Services", "queryStatus0", 12, "int", "str:drx-no-such-service"},
      {"Win32Services", "getServiceBinary0", 12, "string", "str:drx-no-such-service"},
      {"Win32Services", "getStartType0", 12, "int", "str:drx-no-such-service"},
      {"Win32Services", "stopService0", 12, "int", "str:drx-no-such-service"},
      {"Win32Services", "startService0", 12, "int", "str:drx-no-such-service"},
      {"Win32Services", "uninstallService0", 12, "int", "str:drx-no-such-service"},
      {"Win32Services", "installService0", 16, "int", "null|null"},
      {"Win32Services", "setRestartServiceConfig0", 20, "int", "str:drx-no-such-service|bool:1|int:1000"},
      {"Win32Services", "changeServiceConfig0", 40, "int",
       "str:drx-no-such-service|null|int:16|int:3|null|null|null|null"},
      {"Win32UserInfo", "getUserSid0", 8, "string", ""},
      {"Win32UserInfo", "isMemberOfGroup0", 12, "bool", "int:544"},
      {"Win32UserInfo", "executeElevated0", 20, "bool", "null|null|null"},
      {"Win32UserInfo", "getElevationType0", 8, "int", ""},
      {"Win32UserInfo", "deleteUser0", 16, "int", "null|str:drx-no-such-user"},
      {"Win32UserInfo", "deleteLocalGroup0", 16, "int", "null|str:drx-no-such-group"},
      {"Win32UserInfo", "addUser0", 36, "string", "null|null|null|null|null|bool:0|bool:0"},
      {"Win32UserInfo", "getAccountName0", 12, "string", "str:S-1-5-18"},
      {"Win32UserInfo", "setLsaAccountRight0", 20, "bool", "null|null|bool:0"},
      {"FileVersion", "compare0", 16, "int", "str:C:\\drx-no-such-a.dll|str:C:\\drx-no-such-b.dll"},
      {"FolderInfo", "getSpecialFolder0", 16, "string", "int:36|bool:0"},
      {"FolderInfo", "getPathFromRegistry0", 12, "string", "str:Desktop"},
      {"FolderInfo", "getWindowsDirectory0", 8, "string", ""},
      {"FolderInfo", "getSystemDirectory0", 8, "string", ""},
      {"FolderInfo", "getDriveType0", 12, "int", "str:C:\\"},
      {"FolderInfo", "getShortPathName0", 12, "string", "str:C:\\windows"},
      {"Misc", "terminateProcesses0", 20, "int", "ints:|bool:0|int:0"},
      {"Misc", "getRunningModules0", 12, "object", "bool:1"},
      {"Misc", "getEnvVarPairs0", 8, "object", ""},
      {"Misc", "broadcastSettingChange0", 8, "void", ""},
      {"Misc", "getPhysicalMemory0", 8, "long", ""},
      {"Misc", "getFreeDiskSpace0", 12, "long", "str:C:\\"},
      {"Misc", "moveWithDelayUntilReboot0", 16, "bool", "null|null"},
      {"Misc", "toFront0", 8, "void", ""},
      {"Misc", "getWindowTitle0", 12, "string", pid},
      {"ObjectPicker", "show0", 28, "object", "bool:0|bool:1|bool:1|bool:0|bool:1"},
      {"ACLHandling", "addACE", 40, "bool", "null|bool:0|bool:1|bool:0|bool:0|bool:0|int:0|null"},
  };
}

std::string directoryOf(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT length = query(directory, MAX_PATH + 1);
  return narrow(std::wstring(directory, length));
}

TEST(DrxinstThroughTheStandin, EveryExportIsCalledByTheNameAVmOfThisWidthLooksUp) {
  Scratch scratch;
  const std::string library = narrow(windowsPath(DRX_PLATFORM_DLL));
  const std::vector<Call> table = calls();
  ASSERT_EQ(table.size(), 62u) << "every export but reboot0";
  std::string script;
  for (const Call& call : table) {
    script += "jvm.main.action=call " + library + "|" + exportName(call) + "|" + call.result;
    if (!call.arguments.empty()) script += "|" + call.arguments;
    script += "\n";
  }
  RuntimeSpec plan;
  plan.config = script;
  const std::wstring runtime = scratch.root() + L"\\rt";
  ASSERT_TRUE(layOutRuntime(runtime, plan));
  HMODULE jvm = LoadLibraryW((runtime + L"\\bin\\client\\jvm.dll").c_str());
  ASSERT_NE(jvm, nullptr);
  auto create =
      reinterpret_cast<CreateJavaVm>(reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
  ASSERT_NE(create, nullptr);
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_1_2;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  ASSERT_EQ(create(&vm, reinterpret_cast<void**>(&env), &args), JNI_OK);
  jclass launcher = env->FindClass("com/deployrix/runtime/launcher/WinLauncher");
  ASSERT_NE(launcher, nullptr);
  jmethodID main = env->GetStaticMethodID(launcher, "main", "([Ljava/lang/String;)V");
  ASSERT_NE(main, nullptr);
  env->CallStaticVoidMethod(launcher, main,
                            env->NewObjectArray(0, env->FindClass("java/lang/String"), nullptr));
  EXPECT_EQ(vm->DestroyJavaVM(), JNI_OK);

  const Report report = scratch.report();
  std::map<std::string, std::string> results;
  for (const std::string& line : report.utf8Values("jvm.call.result")) {
    const size_t space = line.find(' ');
    results[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
  }
  ASSERT_EQ(results.size(), table.size()) << "one result per call";
  for (const Call& call : table) {
    const std::string& value = results[exportName(call)];
    EXPECT_EQ(value.rfind("unavailable", 0), std::string::npos) << exportName(call) << ": " << value;
  }
#ifndef _WIN64
  std::vector<std::string> stack = report.utf8Values("jvm.call.stack");
  ASSERT_EQ(stack.size(), table.size());
  for (const std::string& line : stack) EXPECT_NE(line.find(" balanced"), std::string::npos) << line;
#endif

  // The calls did what those arguments ask, through the same names.
  auto result = [&](const char* className, const char* method) {
    for (const Call& call : table) {
      if (std::string(call.className) == className && std::string(call.method) == method)
        return results[exportName(call)];
    }
    return std::string("(not in the table)");
  };
  EXPECT_EQ(result("Registry", "createKey0"), "true");
  EXPECT_EQ(result("Registry", "keyExists0"), "true");
  EXPECT_EQ(result("Registry", "setValue0"), "true");
  EXPECT_EQ(result("Registry", "getValue0"), "\"text\"");
  EXPECT_NE(result("Registry", "enumValues0"), "null");
  EXPECT_EQ(result("Registry", "saveKey0"), "false");
  HKEY left = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &left), ERROR_SUCCESS)
      << "deleteKey0 removed it";
  if (left) RegCloseKey(left);
  EXPECT_EQ(result("Win32CommunicationBackend", "createListener0").rfind("\"\\\\.\\pipe\\drxcomm", 0), 0u);
  EXPECT_EQ(result("Win32CommunicationBackend", "connect0"), "false");
  EXPECT_EQ(result("Win32CommunicationBackend", "readDataBlock0"), "null");
  EXPECT_EQ(result("Win32CommunicationBackend", "writeDataBlock0"), "false");
  EXPECT_EQ(result("Win32CommunicationBackend", "getCurrentProcessId0"),
            std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(result("Win32CommunicationBackend", "isProcessAlive0"), "true");
  EXPECT_EQ(result("ShellLink", "createWide0"), "false");
  EXPECT_NE(result("Win32Services", "queryStatus0"), "0");
  EXPECT_EQ(result("Win32UserInfo", "getUserSid0").rfind("\"S-1-5-", 0), 0u);
  EXPECT_EQ(result("Win32UserInfo", "executeElevated0"), "false");
  EXPECT_EQ(result("FolderInfo", "getWindowsDirectory0"), "\"" + directoryOf(GetWindowsDirectoryW) + "\"");
  EXPECT_EQ(result("FolderInfo", "getSystemDirectory0"), "\"" + directoryOf(GetSystemDirectoryW) + "\"");
  EXPECT_EQ(result("FolderInfo", "getDriveType0"), std::to_string(DRIVE_FIXED));
  EXPECT_NE(result("Misc", "getEnvVarPairs0"), "null");
  EXPECT_GT(std::stoll(result("Misc", "getPhysicalMemory0")), 0);
  EXPECT_GT(std::stoll(result("Misc", "getFreeDiskSpace0")), 0);
  EXPECT_EQ(result("Misc", "moveWithDelayUntilReboot0"), "false");
  EXPECT_EQ(result("ACLHandling", "addACE"), "false");
  FreeLibrary(jvm);
}

}  // namespace
}  // namespace standin

// Loads the stand-in jvm.dll like the launcher does and checks what its report records and how scripts change
// it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <jni.h>

#include <vector>

namespace standin {
namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

struct LoadedVm {
  HMODULE module = nullptr;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  jint created = JNI_ERR;
};

// Lays out a runtime with the script, loads bin\client\jvm.dll and creates the VM with `options`.
LoadedVm load(const Scratch& scratch, const std::string& script, std::vector<std::string> options,
              jint version = JNI_VERSION_1_2) {
  LoadedVm loaded;
  std::wstring runtime = scratch.root() + L"\\rt";
  RuntimeSpec plan;
  plan.config = script.empty() ? "# defaults\n" : script;
  EXPECT_TRUE(layOutRuntime(runtime, plan));
  loaded.module = LoadLibraryW((runtime + L"\\bin\\client\\jvm.dll").c_str());
  EXPECT_NE(loaded.module, nullptr);
  auto create = reinterpret_cast<CreateJavaVm>(
      reinterpret_cast<void*>(GetProcAddress(loaded.module, "JNI_CreateJavaVM")));
  EXPECT_NE(create, nullptr);
  if (!create) return loaded;
  std::vector<JavaVMOption> vmOptions;
  for (std::string& option : options) vmOptions.push_back(JavaVMOption{option.data(), nullptr});
  JavaVMInitArgs args{};
  args.version = version;
  args.nOptions = static_cast<jint>(vmOptions.size());
  args.options = vmOptions.data();
  args.ignoreUnrecognized = JNI_TRUE;
  loaded.created = create(&loaded.vm, reinterpret_cast<void**>(&loaded.env), &args);
  return loaded;
}

// Calls main of the class with the arguments as the launcher does; true when no exception came out.
bool callMain(JNIEnv* env, const char* className, const std::vector<std::u16string>& arguments) {
  jclass cls = env->FindClass(className);
  if (!cls) return false;
  jmethodID main = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
  if (!main) return false;
  jobjectArray array =
      env->NewObjectArray(static_cast<jsize>(arguments.size()), env->FindClass("java/lang/String"), nullptr);
  for (size_t i = 0; i < arguments.size(); ++i) {
    jstring text = env->NewString(reinterpret_cast<const jchar*>(arguments[i].data()),
                                  static_cast<jsize>(arguments[i].size()));
    env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
  }
  env->CallStaticVoidMethod(cls, main, array);
  return env->ExceptionOccurred() == nullptr;
}

TEST(JvmStandin, RecordsOptionsArgumentsAndCallOrder) {
  Scratch scratch;
  // An option in the ANSI code page with a non-ASCII letter, as the launcher passes paths.
  std::string ansiOption(256, '\0');
  int ansiLength = WideCharToMultiByte(CP_ACP, 0, L"-Dlanqo.tempDir=C:\\Temp\\\u00e9t\u00e9", -1,
                                       ansiOption.data(), 256, nullptr, nullptr);
  ansiOption.resize(static_cast<size_t>(ansiLength - 1));
  LoadedVm loaded = load(scratch, "", {"-Djava.class.path=a.jar;b.jar", ansiOption, "-Xmx64m"});
  ASSERT_EQ(loaded.created, JNI_OK);
  const std::vector<std::u16string> arguments = {
      u"true",          u"com.example.Main",  u"",
      u"line\r\nbreak", u"\U0001F600 \u0416", std::u16string(1, u'\xdc01'),
      u"back\\slash"};
  EXPECT_TRUE(callMain(loaded.env, "com/deployrix/runtime/launcher/WinLauncher", arguments));
  EXPECT_EQ(loaded.vm->DestroyJavaVM(), JNI_OK);

  Report report = scratch.report();
  EXPECT_EQ(report.utf8Values("jvm.version"), std::vector<std::string>{"0x10002"});
  EXPECT_EQ(report.utf8Values("jvm.ignoreUnrecognized"), std::vector<std::string>{"1"});
  EXPECT_EQ(report.values("jvm.option"),
            (std::vector<std::u16string>{u"-Djava.class.path=a.jar;b.jar",
                                         u16(L"-Dlanqo.tempDir=C:\\Temp\\\u00e9t\u00e9"), u"-Xmx64m"}));
  EXPECT_EQ(report.values("jvm.arg"), arguments);
  EXPECT_EQ(report.utf8Values("jvm.main"),
            std::vector<std::string>{"com/deployrix/runtime/launcher/WinLauncher"});
  EXPECT_EQ(report.utf8Values("jvm.jni"),
            (std::vector<std::string>{"FindClass com/deployrix/runtime/launcher/WinLauncher",
                                      "GetStaticMethodID main ([Ljava/lang/String;)V",
                                      "FindClass java/lang/String",
                                      "NewObjectArray 7",
                                      "NewString 4",
                                      "SetObjectArrayElement 0",
                                      "NewString 16",
                                      "SetObjectArrayElement 1",
                                      "NewString 0",
                                      "SetObjectArrayElement 2",
                                      "NewString 11",
                                      "SetObjectArrayElement 3",
                                      "NewString 4",
                                      "SetObjectArrayElement 4",
                                      "NewString 1",
                                      "SetObjectArrayElement 5",
                                      "NewString 10",
                                      "SetObjectArrayElement 6",
                                      "CallStaticVoidMethodV main",
                                      "ExceptionOccurred",
                                      "DestroyJavaVM"}));
  EXPECT_EQ(report.utf8Values("jvm.mainEnd"), std::vector<std::string>{"returned"});
  EXPECT_EQ(report.utf8Values("jvm.destroy"), std::vector<std::string>{"0"});
  EXPECT_EQ(report.count("jvm.attach"), 1u);
  FreeLibrary(loaded.module);
}

TEST(JvmStandin, ScriptedFailuresOfCreationAndLookup) {
  struct Row {
    const char* script;
    jint version;
    jint expectedCreate;
    const char* missingClass;  // class whose FindClass fails, or null
    bool mainMissing;
  } rows[] = {
      {"jvm.create.result=-1\n", JNI_VERSION_1_2, -1, nullptr, false},
      {"", JNI_VERSION_1_1, JNI_EVERSION, nullptr, false},
      {"jvm.missing.class=com/lanqo/runtime/WinLauncher\n", JNI_VERSION_1_2, JNI_OK,
       "com/lanqo/runtime/WinLauncher", false},
      {"jvm.missing.main=1\n", JNI_VERSION_1_2, JNI_OK, nullptr, true},
  };
  for (const Row& row : rows) {
    Scratch scratch;
    LoadedVm loaded = load(scratch, row.script, {"-Dx=1"}, row.version);
    EXPECT_EQ(loaded.created, row.expectedCreate) << row.script;
    EXPECT_EQ(scratch.report().utf8Values("jvm.create"),
              std::vector<std::string>{std::to_string(row.expectedCreate)});
    if (loaded.created == JNI_OK) {
      JNIEnv* env = loaded.env;
      // The other flavour's class is there unless scripted away.
      EXPECT_NE(env->FindClass("com/deployrix/runtime/launcher/WinLauncher"), nullptr) << row.script;
      jclass cls = env->FindClass("com/lanqo/runtime/WinLauncher");
      EXPECT_EQ(cls == nullptr, row.missingClass != nullptr) << row.script;
      if (cls) {
        EXPECT_EQ(env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V") == nullptr, row.mainMissing);
      }
      EXPECT_EQ(env->ExceptionCheck(), row.missingClass != nullptr || row.mainMissing) << row.script;
      env->ExceptionClear();
      loaded.vm->DestroyJavaVM();
    }
    FreeLibrary(loaded.module);
  }
}

TEST(JvmStandin, ScriptedExceptionsAndFirstRun) {
  struct Row {
    const char* script;
    bool mainThrows;
    const char* firstRun;  // report value
    jboolean firstRunResult;
  } rows[] = {
      {"jvm.main.exception=java/lang/IllegalStateException:broken\n", true, "true", JNI_TRUE},
      {"jvm.firstRun.result=false\n", false, "false", JNI_FALSE},
      {"jvm.firstRun.exception=com/example/SetupException:no\n", false, "threw com/example/SetupException",
       JNI_FALSE},
  };
  for (const Row& row : rows) {
    Scratch scratch;
    LoadedVm loaded = load(scratch, row.script, {});
    ASSERT_EQ(loaded.created, JNI_OK);
    JNIEnv* env = loaded.env;
    jclass firstRunClass = env->FindClass("com/deployrix/runtime/launcher/FirstRun");
    jmethodID firstRun = env->GetStaticMethodID(firstRunClass, "firstRun", "()Z");
    ASSERT_NE(firstRun, nullptr);
    EXPECT_EQ(env->CallStaticBooleanMethod(firstRunClass, firstRun), row.firstRunResult) << row.script;
    bool firstRunThrew = env->ExceptionCheck();
    env->ExceptionClear();
    EXPECT_EQ(callMain(env, "com/lanqo/runtime/WinLauncher", {u"a"}), !row.mainThrows) << row.script;
    if (row.mainThrows) {
      jthrowable thrown = env->ExceptionOccurred();
      EXPECT_TRUE(env->IsInstanceOf(thrown, env->FindClass("java/lang/IllegalStateException")));
      env->ExceptionClear();
    }
    loaded.vm->DestroyJavaVM();
    Report report = scratch.report();
    EXPECT_EQ(report.utf8Values("jvm.firstRun"), std::vector<std::string>{row.firstRun});
    EXPECT_EQ(firstRunThrew, std::string(row.firstRun).rfind("threw", 0) == 0);
    EXPECT_EQ(
        report.utf8Values("jvm.mainEnd"),
        std::vector<std::string>{row.mainThrows ? "threw java/lang/IllegalStateException" : "returned"});
    FreeLibrary(loaded.module);
  }
}

TEST(JvmStandin, MainActions) {
  Scratch scratch;
  std::string probe = narrow(windowsPath(DRX_PROBE_DLL));
  std::string script =
      "jvm.main.action=marker\n"
      "jvm.main.action=thread 300\n"
      "jvm.main.action=call " +
      probe +
      "|Java_probe_Probe_echo|string|str:ab\xc3\xa9|int:2\n"
      "jvm.main.action=call " +
      probe + "|Java_probe_Probe_missing|int\n";
  LoadedVm loaded = load(scratch, script, {});
  ASSERT_EQ(loaded.created, JNI_OK);
  ASSERT_TRUE(callMain(loaded.env, "com/deployrix/runtime/launcher/WinLauncher", {}));

  char name[64];
  snprintf(name, sizeof name, "InstallStarted_%lu", GetCurrentProcessId());
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\morvenic\\lanqo", name, RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\morvenic\\lanqo", 0, KEY_ALL_ACCESS, &key) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }

  // DestroyJavaVM returns only after the started thread has ended.
  EXPECT_EQ(loaded.vm->DestroyJavaVM(), JNI_OK);
  Report report = scratch.report();
  EXPECT_EQ(report.utf8Values("jvm.call.result"),
            (std::vector<std::string>{"Java_probe_Probe_echo \"ab\xc3\xa9"
                                      "ab\xc3\xa9\"",
                                      "Java_probe_Probe_missing unavailable 127"}));
  EXPECT_EQ(report.utf8Values("jvm.destroy"), std::vector<std::string>{"1"});
  std::vector<std::string> order;
  for (const ReportEntry& entry : report.entries()) order.push_back(entry.key);
  auto threadEnd = std::find(order.begin(), order.end(), "jvm.threadEnd");
  auto destroyed = std::find(order.begin(), order.end(), "jvm.destroy");
  EXPECT_LT(threadEnd, destroyed);
  FreeLibrary(loaded.module);
}

TEST(JvmStandin, WindowActionShowsAVisibleWindowUntilDestroyWaitsForIt) {
  if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0))
    GTEST_SKIP() << "needs an X display (scripts/test.sh starts Xvfb)";
  Scratch scratch;
  LoadedVm loaded = load(scratch, "jvm.main.action=window 1500 Stand-in probe window\n", {});
  ASSERT_EQ(loaded.created, JNI_OK);
  ASSERT_TRUE(callMain(loaded.env, "com/deployrix/runtime/launcher/WinLauncher", {}));
  // The window belongs to this process and becomes visible while main's threads run.
  HWND window = nullptr;
  for (int wait = 0; wait < 100 && !(window && IsWindowVisible(window)); ++wait) {
    window = FindWindowW(L"DrxStandinInstallerWindow", L"Stand-in probe window");
    Sleep(20);
  }
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, GetCurrentProcessId());

  EXPECT_EQ(loaded.vm->DestroyJavaVM(), JNI_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(scratch.report().utf8Values("jvm.windowShown"),
            std::vector<std::string>{"Stand-in probe window"});
  FreeLibrary(loaded.module);
}

}  // namespace
}  // namespace standin

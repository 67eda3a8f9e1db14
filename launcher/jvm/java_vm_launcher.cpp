// JavaVMLauncher: jvm.dll loading, system properties, virtual machine creation and main.
#include "launcher/jvm/java_vm_launcher.h"

#include <windows.h>

#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "common/code_page_text.h"
#include "common/format_text.h"
#include "common/payload/property_ids.h"
#include "launcher/command_line.h"
#include "launcher/error_report.h"
#include "launcher/file_paths.h"
#include "launcher/jvm/java_runtime.h"
#include "launcher/jvm/launcher_variables.h"
#include "launcher/jvm/single_instance.h"
#include "launcher/jvm/vm_option_list.h"
#include "launcher/launcher_log.h"
#include "launcher/launcher_properties.h"
#include "launcher/media_reader.h"
#include "launcher/startup_state.h"
#include "launcher/temp_directory.h"
#include "launcher/ui/portable/native_library_path.h"

namespace drx::launcher {
namespace {

using namespace payload;  // property ids

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

constexpr size_t kSystemPropertyLimit = 8192;
constexpr const char* kLibraryPathPrefix = "-Djava.library.path=";
#ifdef _WIN64
constexpr const char* kWidthText = "64";
constexpr int kMsgDamagedRuntime = kMsgDamagedRuntime64;
#else
constexpr const char* kWidthText = "32";
constexpr int kMsgDamagedRuntime = kMsgDamagedRuntime32;
#endif
constexpr const char* kInstallerLauncherClass = "com/deployrix/runtime/launcher/WinLauncher";
constexpr const char* kApplicationLauncherClass = "com/lanqo/runtime/WinLauncher";
constexpr const char* kFirstRunClass = "com/deployrix/runtime/launcher/FirstRun";
constexpr const char* kFirstRunMarker = "\\.deployrix\\firstrun";

// Kept for the life of the process: the virtual machine outlives every caller.
struct LoadedRuntime {
  HMODULE jvm = nullptr;
  CreateJavaVmFunction createJavaVm = nullptr;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  std::vector<std::string> optionTexts;
  std::vector<JavaVMOption> options;
  JavaVMInitArgs initArgs{};
};

LoadedRuntime& loadedRuntime() {
  static LoadedRuntime runtime;
  return runtime;
}

bool isInstallerFlavour() { return getProperty(kLauncherFlavour)[0] == 'd'; }

// The process environment and the C runtime's copy both carry PATH: jvm.dll's own dependencies
// are found through the first, the Java side's library path through the second.
void setPathVariable(const std::string& value) {
  if (SetEnvironmentVariableA("PATH", value.c_str())) {
    logLine("Setting PATH %s", value.c_str());
  } else {
    logLine("Setting PATH %s failed with error %d", value.c_str(), static_cast<int>(GetLastError()));
  }
  const std::string assignment = "PATH=" + value;
  _putenv(assignment.c_str());
}

// Sets PATH back to the value it had when the guard was made, unless the change is kept.
class PathRestore {
 public:
  explicit PathRestore(std::string previous) : previous_(std::move(previous)) {}
  ~PathRestore() {
    if (!kept_) setPathVariable(previous_);
  }
  PathRestore(const PathRestore&) = delete;
  PathRestore& operator=(const PathRestore&) = delete;

  const std::string& previous() const { return previous_; }
  void keep() { kept_ = true; }

 private:
  std::string previous_;
  bool kept_ = false;
};

std::string directoryOfExecutable(const std::string& javaExecutable) {
  const size_t slash = javaExecutable.find_last_of('\\');
  return slash == std::string::npos ? std::string() : javaExecutable.substr(0, slash);
}

HMODULE tryJvmDirectory(const std::string& binDirectory, const std::string& type) {
  const std::string candidate = binDirectory + "\\" + type + "\\jvm.dll";
  logLine("Trying %s (exists %d)", candidate.c_str(), pathExists(candidate.c_str()) ? 1 : 0);
  // A plain LoadLibraryA by full path still resolves jvm.dll's own imports (version.dll, the C
  // runtime) by the standard search, which starts in the folder of the setup program; with the
  // altered search path they come from jvm.dll's folder, the system and PATH (the runtime's bin).
  return LoadLibraryExA(candidate.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE loadFromDirectoryOf(const std::string& javaExecutable) {
  const std::string binDirectory = directoryOfExecutable(javaExecutable);
  PathRestore pathRestore(readPathVariable());
  setPathVariable(pathRestore.previous() + ";" + binDirectory);

  HMODULE module = nullptr;
  const std::string preferred = getProperty(kPreferredVmType);
  if (!preferred.empty()) module = tryJvmDirectory(binDirectory, preferred);
  for (const char* type : kJvmTypeDirectories) {
    if (module) break;
    module = tryJvmDirectory(binDirectory, type);
  }
  if (module) pathRestore.keep();
  return module;
}

HMODULE loadJvmFor(const std::string& javaExecutable) {
  if (HMODULE module = loadFromDirectoryOf(javaExecutable)) return module;
  // A development kit keeps its runtime in jre\bin below its own bin directory's parent.
  return loadFromDirectoryOf(directoryOfExecutable(javaExecutable) + "\\..\\jre\\bin\\java.exe");
}

std::string formatProperty(const char* format, const char* name, const std::string& value) {
  char text[kSystemPropertyLimit];
  formatText(text, sizeof text, format, name, value.c_str());
  return text;
}

RunFailure systemProperties(std::vector<std::string>& properties) {
  const StartupState& state = startupState();
  if (!semaphoreName().empty())
    properties.push_back(formatProperty("-D%s=%s", "lanqo.semaphoreName", semaphoreName()));
  if (state.manualRuntimeSelection) properties.push_back(formatProperty("-D%s=true", "lanqo.manualJre", ""));
  if (isInstallerFlavour()) properties.push_back(formatProperty("-D%s=true", "lanqo.isDeployrix", ""));
  properties.push_back(formatProperty("-D%s=%s", "lanqo.moduleName", launcherExecutablePath()));
  if (getIntProperty(kProcessCommFile) != 0) {
    std::string file;
    if (RunFailure failure = processCommunicationFileName(GetCurrentProcessId(), file)) return failure;
    properties.push_back(formatProperty("-D%s=%s", "lanqo.processCommFile", file));
  }
  properties.push_back(formatProperty("-D%s=%s", "lanqo.tempDir", temporaryDirectory()));
  const long long unextracted = state.languageRestart ? -1 : static_cast<long long>(unextractedPosition());
  properties.push_back(formatProperty("-D%s=%s", "lanqo.unextractedPosition", std::to_string(unextracted)));
  // A PATH longer than the property's buffer is cut at an entry, never inside a directory name.
  const std::string libraryPath(
      wholeEntriesWithin(readPathVariable(), kSystemPropertyLimit - 1 - strlen(kLibraryPathPrefix)));
  properties.push_back(formatProperty("%s%s", kLibraryPathPrefix, libraryPath));
  if (GetEnvironmentVariableA("MANPATH", nullptr, 0) == 0) {
    properties.push_back(
        formatProperty("-D%s=%s", "lanqo.consoleCodepage", "cp" + std::to_string(GetConsoleOutputCP())));
  }
  return {};
}

// The redirection argument: the expanded, normalised file name, or empty when switched off.
std::wstring redirectionArgument(int enabledId, int fileId) {
  if (getIntProperty(enabledId) == 0) return std::wstring();
  std::string file = getProperty(fileId);
  expandVariables(file);
  return toWide(normalisePath(file, true), fileApiCodePage());
}

RunFailure programArguments(const std::vector<std::wstring>& commandLine,
                            std::vector<std::wstring>& arguments) {
  arguments.push_back(getIntProperty(kLauncherType) == 1 ? L"true" : L"false");
  arguments.push_back(toWide(getProperty(kMainClass)));
  arguments.push_back(redirectionArgument(kRedirectStderr, kStderrFile));
  arguments.push_back(redirectionArgument(kRedirectStdout, kStdoutFile));
  arguments.push_back(getIntProperty(kMainFlagArgument) != 0 ? L"true" : L"false");
  if (!commandLine.empty()) arguments.push_back(commandLine[0]);

  std::string configured = getProperty(kProgramArguments);
  expandVariables(configured);
  std::vector<std::wstring> configuredArguments;
  if (!tokeniseWide(toWide(configured).c_str(), configuredArguments)) {
    return messageFailure(kMsgWrongParameterUsage);
  }
  arguments.insert(arguments.end(), configuredArguments.begin(), configuredArguments.end());

  const bool passThrough = getIntProperty(kJvmArgumentPassthrough) != 0;
  for (size_t i = 1; i < commandLine.size(); ++i) {
    if (passThrough && commandLine[i].rfind(L"-J", 0) == 0) continue;
    arguments.push_back(commandLine[i]);
  }
  return {};
}

// goOn false when the first-run class says the installer must not start now.
RunFailure checkFirstRun(JNIEnv* env, bool& goOn) {
  goOn = true;
  const std::string marker = normalisePath(getProperty(kApplicationDirectory), true) + kFirstRunMarker;
  if (!pathExists(marker.c_str())) return {};
  jclass firstRun = env->FindClass(kFirstRunClass);
  if (!firstRun) return internalFailure(InternalErrorCode::kFirstRunClassMissing);
  jmethodID method = env->GetStaticMethodID(firstRun, "firstRun", "()Z");
  if (!method) return internalFailure(InternalErrorCode::kFirstRunMethodMissing);
  const jboolean answer = env->CallStaticBooleanMethod(firstRun, method);
  if (env->ExceptionOccurred()) {
    env->ExceptionDescribe();
    goOn = false;
    return {};
  }
  goOn = answer != JNI_FALSE;
  return {};
}

RunFailure assertionFailed(const char* expression) {
  logErrorLine("Assertion failed: %s, file JavaVMLauncher", expression);
  return textFailure("Assertion failed");
}

// kJavaNotStarted when main ended with an exception.
RunFailure runMain(JNIEnv* env, const std::vector<std::wstring>& commandLine) {
  if (isInstallerFlavour()) {
    bool goOn = true;
    if (RunFailure failure = checkFirstRun(env, goOn)) return failure;
    if (!goOn) {
      logLine("checkFirstRun stopped further execution");
      return {};
    }
  }
  const char* className = isInstallerFlavour() ? kInstallerLauncherClass : kApplicationLauncherClass;
  logLine("main class: %s", className);
  jclass launcherClass = env->FindClass(className);
  if (!launcherClass) {
    logErrorLine("could not find main class");
    return messageFailure(kMsgMainClassMissing);
  }
  jmethodID main = env->GetStaticMethodID(launcherClass, "main", "([Ljava/lang/String;)V");
  if (!main) {
    logErrorLine("could not find main method");
    return messageFailure(kMsgMainMethodMissing);
  }

  std::vector<std::wstring> arguments;
  if (RunFailure failure = programArguments(commandLine, arguments)) return failure;
  logLine("param count: %d", static_cast<int>(arguments.size()));
  jclass stringClass = env->FindClass("java/lang/String");
  jobjectArray array =
      stringClass ? env->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass, nullptr) : nullptr;
  if (!array) return assertionFailed("paramArray");
  for (size_t i = 0; i < arguments.size(); ++i) {
    logLine("param %d: %s", static_cast<int>(i), toNarrow(arguments[i], fileApiCodePage(), "?").c_str());
    static_assert(sizeof(jchar) == sizeof(wchar_t));
    jstring text = env->NewString(reinterpret_cast<const jchar*>(arguments[i].data()),
                                  static_cast<jsize>(arguments[i].size()));
    if (!text) return assertionFailed("jstr");
    env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
  }

  logLine("calling main");
  env->CallStaticVoidMethod(launcherClass, main, array);
  logLine("main returned");
  if (env->ExceptionOccurred()) {
    logErrorLine("an exception occured");
    env->ExceptionDescribe();
    return failureOf(FailureKind::kJavaNotStarted);
  }
  return {};
}

}  // namespace

bool prepareRuntime(bool showErrors, const std::string& location, bool isJavaExecutable) {
  logLine("LoadDLL (%d, %s, %d)", showErrors ? 1 : 0, location.c_str(), isJavaExecutable ? 1 : 0);
  std::string javaExecutable;
  if (!location.empty()) {
    logLine("Got JRE location %s (java exe: %d)", location.c_str(), isJavaExecutable ? 1 : 0);
    logLine("MinVersion: %s, MaxVersion: %s", getProperty(kMinJavaVersion), getProperty(kMaxJavaVersion));
    bool usable;
    if (isJavaExecutable) {
      javaExecutable = location;
      usable = checkJavaExecutable(javaExecutable, true, false);
    } else {
      usable = checkRuntimeDirectory(location, true, javaExecutable);
    }
    if (!usable) {
      logErrorLine("Provided JVM unusable");
      if (showErrors) showErrorById(kMsgNoUsableRuntime, kWidthText);
      return false;
    }
  } else {
    std::optional<std::string> found = searchForRuntime();
    if (!found) {
      logErrorLine("No JVM found");
      return false;
    }
    javaExecutable = *found;
  }

  logLine("Trying to load JVM-DLL from %s", javaExecutable.c_str());
  HMODULE module = loadJvmFor(javaExecutable);
  setRuntimeHome(javaExecutable);
  if (!module) logErrorLine("Could not get DLL-Handle.");
  auto createJavaVm = module ? reinterpret_cast<CreateJavaVmFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(module, "JNI_CreateJavaVM")))
                             : nullptr;
  if (!createJavaVm) logErrorLine("Could not load functions");
  if (module && createJavaVm) {
    LoadedRuntime& runtime = loadedRuntime();
    runtime.jvm = module;
    runtime.createJavaVm = createJavaVm;
    logLine("Loading of JVM-DLL successful");
    return true;
  }
  if (showErrors) {
    showErrorById(kMsgDamagedRuntime, location.c_str());
    showErrorById(kMsgCouldNotStartJvm);
  }
  return false;
}

RunFailure launchJavaVm(const std::vector<std::wstring>& commandLine) {
  LoadedRuntime& runtime = loadedRuntime();
  logLine("launching program");
  std::vector<std::string> properties;
  if (RunFailure failure = systemProperties(properties)) return failure;
  if (RunFailure failure = buildVmOptionList(properties, commandLine, runtime.optionTexts)) return failure;
  runtime.options.clear();
  for (std::string& text : runtime.optionTexts) runtime.options.push_back(JavaVMOption{text.data(), nullptr});
  runtime.initArgs.version = JNI_VERSION_1_2;
  runtime.initArgs.nOptions = static_cast<jint>(runtime.options.size());
  runtime.initArgs.options = runtime.options.data();
  runtime.initArgs.ignoreUnrecognized = JNI_TRUE;
  logLine("vmoption count %d", static_cast<int>(runtime.options.size()));
  for (size_t i = 0; i < runtime.optionTexts.size(); ++i)
    logLine("vmoption %d: %s", static_cast<int>(i), runtime.optionTexts[i].c_str());

  logLine("Creating JVM");
  if (!runtime.createJavaVm ||
      runtime.createJavaVm(&runtime.vm, reinterpret_cast<void**>(&runtime.env), &runtime.initArgs) != 0) {
    logErrorLine("could not initialize JVM");
    return failureOf(FailureKind::kJavaNotStarted);
  }
  logLine("JVM created");
  if (RunFailure failure = runMain(runtime.env, commandLine)) {
    if (failure.kind == FailureKind::kJavaNotStarted) logErrorLine("could not call main");
    return failure;
  }
  logLine("dest JVM");
  runtime.vm->DestroyJavaVM();
  logLine("launch done");
  return {};
}

}  // namespace drx::launcher

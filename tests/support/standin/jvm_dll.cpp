// Stand-in jvm.dll: the JNI invocation interface over the mini JNI environment, with scripted launcher
// classes.
#define _JNI_IMPLEMENTATION_  // our JNI_CreateJavaVM and friends are exports, not imports
#include "main_actions.h"
#include "mini_jni.h"
#include "standin_config.h"
#include "standin_host.h"

#include <windows.h>

#include <cstdio>
#include <string>

#ifdef DRX_STANDIN_JVM_AUXILIARY
extern "C" __declspec(dllimport) int drxJvmAuxiliary();
#endif

namespace standin {
namespace {

minijni::Jvm* gVm = nullptr;

const char* const kLauncherClasses[] = {"com/deployrix/runtime/launcher/WinLauncher",
                                        "com/lanqo/runtime/WinLauncher"};
const char kFirstRunClass[] = "com/deployrix/runtime/launcher/FirstRun";

bool classMissing(const std::string& name) {
  for (const std::string& missing : config().all("jvm.missing.class")) {
    if (missing == name) return true;
  }
  return false;
}

// "<class>[:<message>]" thrown from a scripted method body.
void throwConfigured(minijni::Call& call, const std::string& plan) {
  size_t colon = plan.find(':');
  std::string cls = plan.substr(0, colon);
  if (!call.vm.hasClass(cls)) call.vm.defineClass(cls, "java/lang/RuntimeException");
  call.throwNew(cls, colon == std::string::npos ? std::string() : plan.substr(colon + 1));
}

jvalue runMain(minijni::Call& call, const std::string& className) {
  report("jvm.main", className);
  jobject array = call.args[0].l;
  if (call.vm.isNull(array)) {
    report("jvm.argsNull", "");
  } else {
    std::vector<jobject> elements = call.vm.elements(array);
    for (size_t i = 0; i < elements.size(); ++i) {
      if (call.vm.isNull(elements[i])) {
        report("jvm.argNull", std::to_string(i));
      } else {
        report("jvm.arg", call.vm.string(elements[i]));
      }
    }
  }
  for (const std::string& action : config().all("jvm.main.action")) runAction(call.vm, action);
  std::string exception = config().get("jvm.main.exception");
  if (!exception.empty()) {
    throwConfigured(call, exception);
    report("jvm.mainEnd", "threw " + exception.substr(0, exception.find(':')));
  } else {
    report("jvm.mainEnd", "returned");
  }
  return minijni::Void();
}

jvalue runFirstRun(minijni::Call& call) {
  std::string exception = config().get("jvm.firstRun.exception");
  if (!exception.empty()) {
    throwConfigured(call, exception);
    report("jvm.firstRun", "threw " + exception.substr(0, exception.find(':')));
    return minijni::Boolean(false);
  }
  bool result = config().get("jvm.firstRun.result", "true") != "false";
  report("jvm.firstRun", result ? "true" : "false");
  return minijni::Boolean(result);
}

void defineLauncherClasses(minijni::Jvm& vm) {
  for (const char* name : kLauncherClasses) {
    if (classMissing(name)) continue;
    auto builder = vm.defineClass(name);
    if (config().get("jvm.missing.main") != "1") {
      std::string className = name;
      builder.staticMethod("main", "([Ljava/lang/String;)V",
                           [className](minijni::Call& call) { return runMain(call, className); });
    }
  }
  if (!classMissing(kFirstRunClass)) {
    auto builder = vm.defineClass(kFirstRunClass);
    if (config().get("jvm.missing.firstRun") != "1") builder.staticMethod("firstRun", "()Z", runFirstRun);
  }
}

bool knownVersion(jint version) {
  static const jint kVersions[] = {JNI_VERSION_1_2, JNI_VERSION_1_4, JNI_VERSION_1_6,
                                   JNI_VERSION_1_8, JNI_VERSION_9,   JNI_VERSION_10};
  for (jint known : kVersions) {
    if (version == known) return true;
  }
  return false;
}

// Options a real VM understands; with ignoreUnrecognized off anything else makes creation fail.
bool recognised(const std::string& option) {
  static const char* const kPrefixes[] = {"-D",
                                          "-X",
                                          "-verbose",
                                          "-ea",
                                          "-da",
                                          "-esa",
                                          "-dsa",
                                          "-enableassertions",
                                          "-disableassertions",
                                          "-javaagent:",
                                          "-agentlib:",
                                          "-agentpath:"};
  for (const char* prefix : kPrefixes) {
    if (option.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::u16string fromAnsi(const char* text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return std::u16string(wide.begin(), wide.end());
}

void failureToReport(const std::string& message) { report("jvm.fatal", message); }

jint createVm(JavaVM** pvm, void** penv, void* vargs) {
  auto* args = static_cast<JavaVMInitArgs*>(vargs);
  if (!pvm || !penv || !args) {
    report("jvm.create", "null argument");
    return JNI_EINVAL;
  }
  char version[16];
  std::snprintf(version, sizeof version, "0x%lx", static_cast<unsigned long>(args->version));
  report("jvm.version", version);
  report("jvm.ignoreUnrecognized", args->ignoreUnrecognized ? "1" : "0");
  bool unrecognised = false;
  for (jint i = 0; i < args->nOptions; ++i) {
    const JavaVMOption& option = args->options[i];
    report("jvm.option", option.optionString ? fromAnsi(option.optionString) : u"(null)");
    if (option.extraInfo) report("jvm.optionExtraInfo", std::to_string(i));
    if (!option.optionString || !recognised(option.optionString)) unrecognised = true;
  }
  jint result = JNI_OK;
  if (!knownVersion(args->version)) {
    result = JNI_EVERSION;
  } else if (gVm) {
    result = JNI_EEXIST;
  } else if (unrecognised && !args->ignoreUnrecognized) {
    result = JNI_ERR;
  } else {
    result = static_cast<jint>(config().getInt("jvm.create.result", JNI_OK));
  }
  report("jvm.create", std::to_string(result));
#ifdef DRX_STANDIN_JVM_AUXILIARY
  // A runtime whose jvm.dll imports a DLL of its own (as a real one imports its C runtime).
  report("jvm.auxiliary", std::to_string(drxJvmAuxiliary()));
#endif
  if (result != JNI_OK) return result;

  minijni::setFailureHandler(failureToReport);
  gVm = new minijni::Jvm();  // lives until the process ends, as a real VM does
  defineLauncherClasses(*gVm);
  gVm->onDestroy([] { report("jvm.destroy", std::to_string(joinStartedThreads())); });
  gVm->setCallObserver([](const std::string& entry) { report("jvm.jni", entry); });
  gVm->setCallLogging(true);
  *pvm = gVm->javaVm();
  *penv = gVm->env();
  return JNI_OK;
}

}  // namespace
}  // namespace standin

extern "C" {

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
  return standin::createVm(pvm, penv, args);
}

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
  if (!args) return JNI_EINVAL;
  jint version = static_cast<JavaVMInitArgs*>(args)->version;
  return standin::knownVersion(version) ? JNI_OK : JNI_EVERSION;
}

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** vms, jsize size, jsize* count) {
  jsize created = standin::gVm ? 1 : 0;
  if (count) *count = created;
  if (vms && size > 0 && created) vms[0] = standin::gVm->javaVm();
  return JNI_OK;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // Evidence of which candidate loaded, even when the VM is never created.
  if (reason == DLL_PROCESS_ATTACH) standin::report("jvm.attach", standin::narrow(standin::ownModulePath()));
  return TRUE;
}

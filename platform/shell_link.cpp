// Natives of the Java class ShellLink: shortcut files through the shell's link object, and
// the shell notifications that make Explorer show new shortcuts at once.
#include <jni.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "common/unique_handle.h"
#include "platform/jni_frame.h"

namespace {

using drx::ComPtr;
using drx::platform::JavaBytes;
using drx::platform::JavaText;

// The text of an ANSI byte[] up to its first NUL. The caller is meant to supply the NUL; an
// array without one is cut at its length instead of being read past its end.
std::string ansiText(JNIEnv* env, jbyteArray array) {
  JavaBytes bytes(env, array);
  if (bytes.get() == nullptr) return std::string();
  const char* chars = reinterpret_cast<const char*>(bytes.get());
  size_t length = 0;
  while (length < static_cast<size_t>(bytes.length()) && chars[length] != '\0') ++length;
  return std::string(chars, length);
}

// The text of each field is taken just before its setter and dropped just after it.
struct AnsiFields {
  static HRESULT setPath(JNIEnv* env, IShellLinkA* link, jbyteArray v) {
    return link->SetPath(ansiText(env, v).c_str());
  }
  static HRESULT setDirectory(JNIEnv* env, IShellLinkA* link, jbyteArray v) {
    return link->SetWorkingDirectory(ansiText(env, v).c_str());
  }
  static HRESULT setIcon(JNIEnv* env, IShellLinkA* link, jbyteArray v) {
    return link->SetIconLocation(ansiText(env, v).c_str(), 0);
  }
  static HRESULT setArguments(JNIEnv* env, IShellLinkA* link, jbyteArray v) {
    return link->SetArguments(ansiText(env, v).c_str());
  }
  static HRESULT setDescription(JNIEnv* env, IShellLinkA* link, jbyteArray v) {
    return link->SetDescription(ansiText(env, v).c_str());
  }
};

// A null String that must not be null reaches the link object as an empty text, never as a
// null pointer the link object would dereference.
const wchar_t* wideOrEmpty(const JavaText& text) { return text.get() != nullptr ? text.get() : L""; }

struct WideFields {
  static HRESULT setPath(JNIEnv* env, IShellLinkW* link, jstring v) {
    return link->SetPath(wideOrEmpty(JavaText(env, v)));
  }
  static HRESULT setDirectory(JNIEnv* env, IShellLinkW* link, jstring v) {
    return link->SetWorkingDirectory(wideOrEmpty(JavaText(env, v)));
  }
  static HRESULT setIcon(JNIEnv* env, IShellLinkW* link, jstring v) {
    return link->SetIconLocation(wideOrEmpty(JavaText(env, v)), 0);
  }
  static HRESULT setArguments(JNIEnv* env, IShellLinkW* link, jstring v) {
    return link->SetArguments(wideOrEmpty(JavaText(env, v)));
  }
  static HRESULT setDescription(JNIEnv* env, IShellLinkW* link, jstring v) {
    return link->SetDescription(wideOrEmpty(JavaText(env, v)));
  }
};

// Creates or overwrites linkFile. Field order: target, working directory, icon (index 0),
// arguments, description; the last three only when given. Setter results are not checked:
// SetPath answers S_FALSE for a target that does not exist yet, which is normal for installers.
template <class Link, class Fields, class Value>
jboolean createLink(JNIEnv* env, REFIID linkInterface, jstring linkFile, Value target, Value directory,
                    Value icon, Value arguments, Value description) {
  ComPtr<Link> link;
  if (FAILED(
          CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, linkInterface, link.putVoid()))) {
    return JNI_FALSE;
  }
  Fields::setPath(env, link.get(), target);
  Fields::setDirectory(env, link.get(), directory);
  if (icon != nullptr) Fields::setIcon(env, link.get(), icon);
  if (arguments != nullptr) Fields::setArguments(env, link.get(), arguments);
  if (description != nullptr) Fields::setDescription(env, link.get(), description);

  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.putVoid()))) return JNI_FALSE;
  // The link file name is always UTF-16, also for the ANSI call, so any name can be written.
  const JavaText fileName(env, linkFile);
  if (fileName.get() == nullptr) return JNI_FALSE;
  return SUCCEEDED(persist->Save(fileName.get(), TRUE)) ? JNI_TRUE : JNI_FALSE;
}

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_create0(
    JNIEnv* env, jclass, jstring linkFile, jbyteArray target, jbyteArray workingDirectory,
    jbyteArray iconFile, jbyteArray arguments, jbyteArray description) {
  return createLink<IShellLinkA, AnsiFields>(env, IID_IShellLinkA, linkFile, target, workingDirectory,
                                             iconFile, arguments, description);
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_createWide0(
    JNIEnv* env, jclass, jstring linkFile, jstring target, jstring workingDirectory, jstring iconFile,
    jstring arguments, jstring description) {
  return createLink<IShellLinkW, WideFields>(env, IID_IShellLinkW, linkFile, target, workingDirectory,
                                             iconFile, arguments, description);
}

// The Java side spells this method "changeNotfiy0"; the export must match it.
JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_changeNotfiy0(
    JNIEnv* env, jclass, jbyteArray createdItem, jbyteArray changedFolder) {
  {
    const std::string item = ansiText(env, createdItem);
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, item.c_str(), nullptr);
  }
  {
    // The flush makes the call wait until the shell has handled both notifications.
    const std::string folder = ansiText(env, changedFolder);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
  }
  return JNI_TRUE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_ShellLink_initialize(JNIEnv*,
                                                                                                    jclass) {
  // S_FALSE (already initialised) and RPC_E_CHANGED_MODE leave COM usable on this thread too.
  CoInitialize(nullptr);
  return JNI_TRUE;
}

JNIEXPORT jboolean JNICALL
Java_com_deployrix_runtime_installer_platform_win32_ShellLink_uninitialize(JNIEnv*, jclass) {
  CoUninitialize();
  return JNI_TRUE;
}

}  // extern "C"

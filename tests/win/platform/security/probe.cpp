// A process of its own for natives whose answer depends on process-wide facts: "picker" calls
// ObjectPicker.show0 (started without window or console), "elevation" prints
// Win32UserInfo.getElevationType0 (started with the Windows version wine reports for it).
#include <windows.h>

#include <mini_jni.h>

#include <cstdio>
#include <string>

using Show = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean, jboolean);
using NoArgInt = jint(JNICALL*)(JNIEnv*, jclass);

constexpr char kPrefix[] = "Java_com_deployrix_runtime_installer_platform_win32_";

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dll(path, length);
  dll.resize(dll.find_last_of(L'\\') + 1);
#ifdef _WIN64
  dll += L"drxinst64.dll";
#else
  dll += L"drxinst.dll";
#endif
  HMODULE library = LoadLibraryW(dll.c_str());
  if (library == nullptr) return 2;
  auto lookUp = [&](const char* name) {
    return reinterpret_cast<void (*)()>(GetProcAddress(library, (std::string(kPrefix) + name).c_str()));
  };
  minijni::Jvm vm;
  if (command == "elevation") {
    auto elevation = reinterpret_cast<NoArgInt>(lookUp("Win32UserInfo_getElevationType0"));
    if (elevation == nullptr) return 3;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    printf("major=%lu elevation=%ld\n", version.dwMajorVersion,
           static_cast<long>(elevation(vm.env(), nullptr)));
  } else {
    auto show = reinterpret_cast<Show>(lookUp("ObjectPicker_show0"));
    if (show == nullptr) return 3;
    jobjectArray result = show(vm.env(), nullptr, JNI_FALSE, JNI_TRUE, JNI_TRUE, JNI_FALSE, JNI_FALSE);
    printf("result=%s console=%s\n", result == nullptr ? "null" : "array", GetConsoleWindow() ? "yes" : "no");
  }
  fflush(stdout);
  return 0;
}

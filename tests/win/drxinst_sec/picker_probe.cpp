// Calls ObjectPicker.show0 in a process that has no window and no console, and prints what
// came back after the DLL's own output.
#include <windows.h>

#include <mini_jni.h>

#include <cstdio>
#include <string>

using Show = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean, jboolean);

int main() {
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
  auto show = reinterpret_cast<Show>(reinterpret_cast<void (*)()>(
      GetProcAddress(library, "Java_com_deployrix_runtime_installer_platform_win32_ObjectPicker_show0")));
  if (show == nullptr) return 3;
  minijni::Jvm vm;
  jobjectArray result = show(vm.env(), nullptr, JNI_FALSE, JNI_TRUE, JNI_TRUE, JNI_FALSE, JNI_FALSE);
  printf("result=%s console=%s\n", result == nullptr ? "null" : "array", GetConsoleWindow() ? "yes" : "no");
  fflush(stdout);
  return 0;
}

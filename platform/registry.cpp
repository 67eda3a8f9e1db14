// Natives of the Java class Registry: keys and values in a chosen registry view.
#include <jni.h>
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <new>
#include <optional>

#include "platform/jni_frame.h"
#include "platform/portable/registry_value_codec.h"
#include "platform/registry_keys.h"

namespace drx::platform {
namespace {

constexpr DWORD kEnumNameChars = 4096;
constexpr char kExpandStringClass[] = "com/deployrix/api/windows/WinRegistry$ExpandString";

// The value buffer of a call. Small values stay in inline storage; the full 100,000 bytes
// come from the heap only when a value needs them (a heap block that size costs more than
// the registry call itself under some heaps), and never from a Java thread's small stack.
class ValueBuffer {
 public:
  static constexpr size_t kInlineBytes = 512;

  // Makes room for at least `bytes` (at most the value buffer); false without memory.
  bool reserve(size_t bytes) {
    if (bytes <= kInlineBytes) {
      units_ = inline_;
      capacity_ = kInlineBytes;
      return true;
    }
    if (!heap_) heap_.reset(new (std::nothrow) jchar[kValueBufferUnits]);
    units_ = heap_ ? heap_.get() : nullptr;
    capacity_ = heap_ ? kValueBufferBytes : 0;
    return units_ != nullptr;
  }

  jchar* units() const { return units_; }
  BYTE* bytes() const { return reinterpret_cast<BYTE*>(units_); }
  DWORD capacity() const { return static_cast<DWORD>(capacity_); }

 private:
  jchar inline_[kInlineBytes / sizeof(jchar)];
  std::unique_ptr<jchar[]> heap_;
  jchar* units_ = inline_;
  size_t capacity_ = kInlineBytes;
};

jstring textValue(JNIEnv* env, const ValueBuffer& buffer, DWORD size) {
  return env->NewString(buffer.units(), static_cast<jsize>(textLength(buffer.bytes(), size)));
}

jobject multiTextValue(JNIEnv* env, const ValueBuffer& buffer, DWORD size) {
  StringArrayBuilder items(env);
  for (const UnitRun& run : multiStringItems(buffer.bytes(), size)) {
    jstring item = env->NewString(buffer.units() + run.offset, static_cast<jsize>(run.length));
    if (item == nullptr) return nullptr;
    items.add(item);
  }
  return items.build();
}

jobject javaValueOf(JNIEnv* env, DWORD type, const ValueBuffer& buffer, DWORD size) {
  switch (type) {
    case REG_SZ:
      return textValue(env, buffer, size);
    case REG_EXPAND_SZ: {
      jvalue text;
      text.l = textValue(env, buffer, size);
      return text.l != nullptr ? newJavaObject(env, kExpandStringClass, "(Ljava/lang/String;)V", &text)
                               : nullptr;
    }
    case REG_MULTI_SZ:
      return multiTextValue(env, buffer, size);
    case REG_DWORD: {
      const std::optional<int32_t> number = dwordValue(buffer.bytes(), size);
      if (!number) return nullptr;
      jvalue argument;
      argument.i = *number;
      return newJavaObject(env, "java/lang/Integer", "(I)V", &argument);
    }
    case REG_BINARY: {
      jbyteArray bytes = env->NewByteArray(static_cast<jsize>(size));
      if (bytes != nullptr)
        env->SetByteArrayRegion(bytes, 0, static_cast<jsize>(size), reinterpret_cast<jbyte*>(buffer.bytes()));
      return bytes;
    }
    default:
      return nullptr;
  }
}

// Fills the buffer from a Java value of the given kind; the value's size in bytes, or
// nothing when the value cannot be stored.
std::optional<DWORD> encodeValue(JNIEnv* env, jint kindCode, jobject value, ValueBuffer& buffer) {
  if (value == nullptr) return std::nullopt;
  switch (kindCode) {
    case 1:
    case 5: {
      JavaText text(env, static_cast<jstring>(value));
      if (!text.ok()) return std::nullopt;
      const size_t n = storedTextLength(text.length());
      if (!buffer.reserve(2 * n + 2)) return std::nullopt;
      wmemcpy(reinterpret_cast<wchar_t*>(buffer.units()), text.get(), n);
      buffer.units()[n] = 0;
      return static_cast<DWORD>(2 * n + 2);
    }
    case 2: {
      jclass integerClass = env->FindClass("java/lang/Integer");
      if (integerClass == nullptr) return std::nullopt;
      jmethodID intValue = env->GetMethodID(integerClass, "intValue", "()I");
      if (intValue == nullptr) return std::nullopt;
      const jint number = env->CallIntMethod(value, intValue);
      if (env->ExceptionCheck()) return std::nullopt;
      memcpy(buffer.bytes(), &number, 4);
      return 4;
    }
    case 3: {
      jobjectArray items = static_cast<jobjectArray>(value);
      if (!buffer.reserve(kValueBufferBytes)) return std::nullopt;
      MultiStringWriter writer(buffer.units(), kValueBufferUnits);
      const jsize count = env->GetArrayLength(items);
      for (jsize i = 0; i < count; ++i) {
        JavaText item(env, static_cast<jstring>(env->GetObjectArrayElement(items, i)));
        if (!item.ok()) return std::nullopt;
        if (writer.append(reinterpret_cast<const uint16_t*>(item.get()), item.length()) !=
            MultiStringWriter::Result::kOk) {
          return std::nullopt;
        }
      }
      return static_cast<DWORD>(writer.finish());
    }
    case 4: {
      jbyteArray bytes = static_cast<jbyteArray>(value);
      const jsize length = env->GetArrayLength(bytes);
      const jsize n =
          length < static_cast<jsize>(kValueBufferBytes) ? length : static_cast<jsize>(kValueBufferBytes);
      if (!buffer.reserve(static_cast<size_t>(n))) return std::nullopt;
      env->GetByteArrayRegion(bytes, 0, n, reinterpret_cast<jbyte*>(buffer.bytes()));
      return static_cast<DWORD>(n);
    }
    default:
      return std::nullopt;
  }
}

// A key path that names the root itself ("" or only backslashes) opens the predefined key;
// deleting "its tree" would wipe the whole hive, so it is refused.
bool namesRootItself(const JavaText& path) {
  for (size_t i = 0; i < path.length(); ++i) {
    if (path.get()[i] != L'\\') return false;
  }
  return true;
}

template <class EnumerateOne>
jobjectArray enumerateNames(JNIEnv* env, jint root, jstring keyPath, jint view, EnumerateOne enumerateOne) {
  RegKey key = openKey(env, root, keyPath, KeyAccess::kRead, view);
  if (!key) return nullptr;
  StringArrayBuilder names(env);
  auto name = std::make_unique<wchar_t[]>(kEnumNameChars);
  for (DWORD index = 0;; ++index) {
    DWORD length = kEnumNameChars;
    const LSTATUS status = enumerateOne(key.get(), index, name.get(), &length);
    if (status == ERROR_SUCCESS) {
      names.add(name.get(), length);
    } else if (status != ERROR_MORE_DATA) {
      // ERROR_NO_MORE_ITEMS ends the list; any other error would repeat for every later
      // index (a key deleted under us), so it ends the list too instead of looping for ever.
      break;
    }
    // ERROR_MORE_DATA: a name longer than the buffer has no reliable text; it is skipped.
  }
  key.reset();
  return names.build();
}

}  // namespace
}  // namespace drx::platform

using namespace drx::platform;
using drx::RegKey;

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_keyExists0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jint view) {
  return openKey(env, root, keyPath, KeyAccess::kRead, view) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_createKey0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jint view) {
  return openKey(env, root, keyPath, KeyAccess::kCreate, view) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_saveKey0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jstring file, jint view) {
  if (!enablePrivilege(SE_BACKUP_NAME)) return JNI_FALSE;
  RegKey key = openKey(env, root, keyPath, KeyAccess::kWrite, view);
  if (!key) return JNI_FALSE;
  JavaText fileName(env, file);
  if (!fileName.ok()) return JNI_FALSE;
  return RegSaveKeyW(key.get(), fileName.get(), nullptr) == ERROR_SUCCESS ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_restoreKey0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jstring file, jint view) {
  if (!enablePrivilege(SE_BACKUP_NAME) || !enablePrivilege(SE_RESTORE_NAME)) return JNI_FALSE;
  RegKey key = openKey(env, root, keyPath, KeyAccess::kCreate, view);
  if (!key) return JNI_FALSE;
  JavaText fileName(env, file);
  if (!fileName.ok()) return JNI_FALSE;
  return RegRestoreKeyW(key.get(), fileName.get(), 0) == ERROR_SUCCESS ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jobject JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_getValue0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jstring valueName, jint view) {
  RegKey key = openKey(env, root, keyPath, KeyAccess::kRead, view);
  if (!key) return nullptr;
  JavaText name(env, valueName);
  if (!name.isNull() && !name.ok()) return nullptr;
  ValueBuffer buffer;
  DWORD type = REG_NONE;
  DWORD size = buffer.capacity();
  LSTATUS status = RegQueryValueExW(key.get(), name.get(), nullptr, &type, buffer.bytes(), &size);
  // A value larger than the value buffer cannot be read at all.
  if (status == ERROR_MORE_DATA && size <= kValueBufferBytes && buffer.reserve(kValueBufferBytes)) {
    size = buffer.capacity();
    status = RegQueryValueExW(key.get(), name.get(), nullptr, &type, buffer.bytes(), &size);
  }
  if (status != ERROR_SUCCESS) return nullptr;
  key.reset();
  return javaValueOf(env, type, buffer, size);
}

JNIEXPORT jboolean JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_setValue0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jstring valueName, jobject value, jint kindCode,
    jint view) {
  const DWORD type = registryTypeOfKind(kindCode);
  if (type == 0 || rootKeyOfCode(root) == nullptr) return JNI_FALSE;
  ValueBuffer buffer;
  // The value is converted before the key is created, so a value that cannot be stored
  // leaves no new key behind.
  const std::optional<DWORD> size = encodeValue(env, kindCode, value, buffer);
  if (!size) return JNI_FALSE;
  RegKey key = openKey(env, root, keyPath, KeyAccess::kCreate, view);
  if (!key) return JNI_FALSE;
  JavaText name(env, valueName);
  if (!name.isNull() && !name.ok()) return JNI_FALSE;
  const LSTATUS status = RegSetValueExW(key.get(), name.get(), 0, type, buffer.bytes(), *size);
  if (status != ERROR_SUCCESS) {
    diagnostic("no success %d\n", static_cast<int>(status));
    return JNI_FALSE;
  }
  return JNI_TRUE;
}

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_deleteValue0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jstring valueName, jint view) {
  RegKey key = openKey(env, root, keyPath, KeyAccess::kWrite, view);
  if (!key) return;
  JavaText name(env, valueName);
  if (!name.isNull() && !name.ok()) return;
  RegDeleteValueW(key.get(), name.get());
}

JNIEXPORT void JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_deleteKey0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jboolean onlyIfEmpty, jint view) {
  HKEY rootKey = rootKeyOfCode(root);
  if (rootKey == nullptr) return;
  JavaText path(env, keyPath);
  if (!path.ok() || namesRootItself(path)) return;
  if (onlyIfEmpty) {
    RegKey key = openKey(env, root, keyPath, KeyAccess::kWrite, view);
    if (key && !keyIsEmpty(key.get())) return;
  }
  deleteKeyTree(rootKey, path.get(), static_cast<REGSAM>(view));
}

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_enumSubKeys0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jint view) {
  return enumerateNames(env, root, keyPath, view, [](HKEY key, DWORD index, wchar_t* name, DWORD* length) {
    wchar_t keyClass[kEnumNameChars];
    DWORD classLength = kEnumNameChars;
    FILETIME lastWrite;
    return RegEnumKeyExW(key, index, name, length, nullptr, keyClass, &classLength, &lastWrite);
  });
}

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_Registry_enumValues0(
    JNIEnv* env, jclass, jint root, jstring keyPath, jint view) {
  return enumerateNames(env, root, keyPath, view, [](HKEY key, DWORD index, wchar_t* name, DWORD* length) {
    return RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

JNIEXPORT void JNICALL
Java_com_deployrix_runtime_installer_platform_win32_Registry_changeNotifyAssociations0(JNIEnv*, jclass) {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // extern "C"

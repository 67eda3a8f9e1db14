// Natives of the Java class ObjectPicker: the directory object picker shown over the
// installer's window, its selection turned into ObjectPicker$Result objects.
#include <jni.h>
#include <windows.h>
#include <objbase.h>
#include <objsel.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdio>

#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/optional_functions.h"
#include "platform/picker_owner_window.h"
#include "platform/portable/security_rules.h"

using namespace drx::platform;

namespace {

// Declared here rather than taken from libuuid, which not every toolchain ships.
const CLSID kPickerClass = {0x17d6ccd8, 0x3b7b, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};
const IID kPickerInterface = {0x0c87e64e, 0x3b7a, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};

constexpr char kResultClass[] = "com/deployrix/runtime/installer/platform/win32/ObjectPicker$Result";
constexpr char kResultConstructor[] =
    "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V";

using ConvertSidFn = BOOL(WINAPI*)(PSID, LPWSTR*);

// Kept once found; a failed lookup is tried again on the next call.
ConvertSidFn convertSidToText() {
  static ConvertSidFn convert = nullptr;
  if (convert == nullptr) convert = asFunction<ConvertSidFn>(advapiFunction("ConvertSidToStringSidW"));
  return convert;
}

HRESULT initialisePicker(IDsObjectPicker* picker, bool multiple, bool groups, bool users, bool wellKnown,
                         bool computerOnly) {
  if (picker == nullptr) return E_INVALIDARG;
  const PickerFilters filters = pickerFilters(groups, users, wellKnown, computerOnly);
  DSOP_SCOPE_INIT_INFO scope = {};
  scope.cbSize = sizeof scope;
  scope.flType = filters.scopeTypes;
  scope.flScope = filters.scopeFlags;
  scope.FilterFlags.Uplevel.flBothModes = filters.uplevelBothModes;
  scope.FilterFlags.flDownlevel = filters.downlevel;

  static PCWSTR attributes[] = {L"objectSID"};
  DSOP_INIT_INFO init = {};
  init.cbSize = sizeof init;
  init.cDsScopeInfos = 1;
  init.aDsScopeInfos = &scope;
  init.flOptions = pickerOptions(multiple);
  init.cAttributesToFetch = 1;
  init.apwzAttributeNames = attributes;
  return picker->Initialize(&init);
}

jstring optionalString(JNIEnv* env, const wchar_t* text) {
  return text != nullptr ? newJavaString(env, text) : nullptr;
}

// The item's first fetched attribute as SID text; null when it holds no SID that converts.
jstring sidOfItem(JNIEnv* env, const DS_SELECTION& item) {
  const VARIANT* sid = item.pvarFetchedAttributes;
  if (sid == nullptr || sid->vt != (VT_ARRAY | VT_UI1) || sid->parray == nullptr) return nullptr;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(sid->parray, &data))) return nullptr;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(sid->parray, 1, &lower);
  SafeArrayGetUBound(sid->parray, 1, &upper);
  const size_t bytes = upper >= lower ? static_cast<size_t>(upper - lower + 1) : 0;
  jstring text = nullptr;
  LPWSTR converted = nullptr;
  // The SID must fit the array it came in before the system reads it.
  if (sidByteLength(static_cast<const uint8_t*>(data), bytes) != 0 && convertSidToText()(data, &converted)) {
    drx::LocalMemory owner(converted);
    text = newJavaString(env, converted);
  }
  SafeArrayUnaccessData(sid->parray);
  return text;
}

jobjectArray resultsFrom(JNIEnv* env, const DS_SELECTION_LIST& list) {
  jclass resultClass = env->FindClass(kResultClass);
  if (resultClass == nullptr) return nullptr;
  jmethodID constructor = env->GetMethodID(resultClass, "<init>", kResultConstructor);
  if (constructor == nullptr) return nullptr;
  jobjectArray results = env->NewObjectArray(static_cast<jsize>(list.cItems), resultClass, nullptr);
  if (results == nullptr) return nullptr;
  for (ULONG i = 0; i < list.cItems; ++i) {
    const DS_SELECTION& item = list.aDsSelection[i];
    jvalue arguments[5];
    arguments[0].l = optionalString(env, item.pwzName);
    arguments[1].l = optionalString(env, item.pwzADsPath);
    arguments[2].l = optionalString(env, item.pwzClass);
    arguments[3].l = optionalString(env, item.pwzUPN);
    arguments[4].l = list.cFetchedAttributes >= 1 ? sidOfItem(env, item) : nullptr;
    jobject result = env->NewObjectA(resultClass, constructor, arguments);
    if (result == nullptr) return nullptr;
    env->SetObjectArrayElement(results, static_cast<jsize>(i), result);
  }
  return results;
}

jobjectArray convertSelection(JNIEnv* env, IDataObject* selection) {
  if (selection == nullptr) return nullptr;
  FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST")),
                      nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(selection->GetData(&format, &medium))) return nullptr;
  jobjectArray results = nullptr;
  if (const auto* list = static_cast<const DS_SELECTION_LIST*>(GlobalLock(medium.hGlobal))) {
    // The item count comes from the data object: it must fit the memory it came in.
    const SIZE_T size = GlobalSize(medium.hGlobal);
    const SIZE_T header = offsetof(DS_SELECTION_LIST, aDsSelection);
    if (size >= header && list->cItems <= (size - header) / sizeof(DS_SELECTION))
      results = resultsFrom(env, *list);
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return results;
}

jobjectArray showPicker(JNIEnv* env, HWND owner, bool multiple, bool groups, bool users, bool wellKnown,
                        bool computerOnly) {
  drx::ComPtr<IDsObjectPicker> picker;
  if (FAILED(CoCreateInstance(kPickerClass, nullptr, CLSCTX_INPROC_SERVER, kPickerInterface,
                              picker.putVoid()))) {
    return nullptr;
  }
  if (FAILED(initialisePicker(picker.get(), multiple, groups, users, wellKnown, computerOnly)))
    return nullptr;
  drx::ComPtr<IDataObject> selection;
  // S_FALSE is the user's cancel: no selection.
  if (picker->InvokeDialog(owner, selection.put()) != S_OK) return nullptr;
  return convertSelection(env, selection.get());
}

}  // namespace

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_com_deployrix_runtime_installer_platform_win32_ObjectPicker_show0(
    JNIEnv* env, jclass, jboolean multipleSelection, jboolean groups, jboolean users,
    jboolean wellKnownAccounts, jboolean computerOnly) {
  if (convertSidToText() == nullptr) return nullptr;
  HWND owner = pickerOwnerWindow(GetCurrentProcessId());
  if (owner == nullptr) {
    diagnostic("could not find window\n");
    return nullptr;
  }
  if (FAILED(CoInitialize(nullptr))) return nullptr;
  jobjectArray results =
      showPicker(env, owner, (multipleSelection & 0xFF) != 0, (groups & 0xFF) != 0, (users & 0xFF) != 0,
                 (wellKnownAccounts & 0xFF) != 0, (computerOnly & 0xFF) != 0);
  CoUninitialize();
  fflush(stdout);
  return results;
}

}  // extern "C"

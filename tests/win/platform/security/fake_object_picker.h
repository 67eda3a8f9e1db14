// A stand-in for the system's object picker, registered in the test process for
// CLSID_DsObjectPicker: it records the initialisation it receives and answers InvokeDialog
// with a scripted result and selection.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <objsel.h>

#include <string>
#include <vector>

namespace drxtest {

struct PickerItem {
  const wchar_t* name;
  const wchar_t* adsPath;
  const wchar_t* objectClass;
  const wchar_t* upn;
  std::vector<BYTE> sid;   // the objectSID bytes
  bool sidVariant = true;  // false: the fetched attribute is VT_EMPTY
};

struct PickerRecord {
  int initializeCalls = 0;
  int invokeCalls = 0;
  HWND owner = nullptr;
  ULONG initSize = 0, scopeCount = 0, options = 0, attributeCount = 0;
  std::wstring targetComputer = L"<null>";
  std::vector<std::wstring> attributes;
  ULONG scopeSize = 0, scopeTypes = 0, scopeFlags = 0;
  ULONG bothModes = 0, mixedOnly = 0, nativeOnly = 0, downlevel = 0;
  LONG liveObjects = 0;  // pickers and data objects not yet released
};

struct PickerScript {
  HRESULT invokeResult = S_OK;
  std::vector<PickerItem> items;
};

// Registers the class object in this thread's apartment (COM must be initialised); the
// registration ends with the object.
class FakePickerRegistration {
 public:
  FakePickerRegistration();
  ~FakePickerRegistration();
  bool ok() const { return cookie_ != 0; }

 private:
  DWORD cookie_ = 0;
};

PickerScript& pickerScript();
PickerRecord& pickerRecord();

}  // namespace drxtest

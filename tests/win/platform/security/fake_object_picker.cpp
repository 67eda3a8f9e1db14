// The object picker stand-in: a class factory, an IDsObjectPicker and an IDataObject that
// hands out CFSTR_DSOP_DS_SELECTION_LIST in global memory.
#include "fake_object_picker.h"

#include <oleauto.h>

#include <cstddef>

namespace drxtest {

namespace {

const CLSID kPickerClass = {0x17d6ccd8, 0x3b7b, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};
const IID kPickerInterface = {0x0c87e64e, 0x3b7a, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};

template <class Base>
class Counted : public Base {
 public:
  Counted() { ++pickerRecord().liveObjects; }
  virtual ~Counted() { --pickerRecord().liveObjects; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ULONG references_ = 1;
};

class Selection : public Counted<IDataObject> {
 public:
  Selection() {
    // The selection's variants live as long as the data object, like the picker's own.
    for (const PickerItem& item : pickerScript().items) {
      VARIANT v;
      VariantInit(&v);
      if (item.sidVariant) {
        v.vt = VT_ARRAY | VT_UI1;
        v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(item.sid.size()));
        void* data;
        SafeArrayAccessData(v.parray, &data);
        memcpy(data, item.sid.data(), item.sid.size());
        SafeArrayUnaccessData(v.parray);
      }
      variants_.push_back(v);
    }
  }
  ~Selection() override {
    for (VARIANT& v : variants_) VariantClear(&v);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDataObject) {
      AddRef();
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != RegisterClipboardFormatW(CFSTR_DSOP_DS_SELECTION_LIST) ||
        !(format->tymed & TYMED_HGLOBAL)) {
      return DV_E_FORMATETC;
    }
    const size_t count = variants_.size();
    const size_t size =
        offsetof(DS_SELECTION_LIST, aDsSelection) + (count ? count : 1) * sizeof(DS_SELECTION);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* list = static_cast<DS_SELECTION_LIST*>(GlobalLock(memory));
    list->cItems = static_cast<ULONG>(count);
    list->cFetchedAttributes = 1;
    for (size_t i = 0; i < count; ++i) {
      const PickerItem& item = pickerScript().items[i];
      DS_SELECTION& entry = list->aDsSelection[i];
      entry.pwzName = const_cast<PWSTR>(item.name);
      entry.pwzADsPath = const_cast<PWSTR>(item.adsPath);
      entry.pwzClass = const_cast<PWSTR>(item.objectClass);
      entry.pwzUPN = const_cast<PWSTR>(item.upn);
      entry.pvarFetchedAttributes = &variants_[i];
    }
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<VARIANT> variants_;
};

class Picker : public Counted<IDsObjectPicker> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == kPickerInterface) {
      AddRef();
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Initialize(PDSOP_INIT_INFO init) override {
    PickerRecord& r = pickerRecord();
    ++r.initializeCalls;
    r.initSize = init->cbSize;
    r.targetComputer = init->pwzTargetComputer ? init->pwzTargetComputer : L"<null>";
    r.scopeCount = init->cDsScopeInfos;
    r.options = init->flOptions;
    r.attributeCount = init->cAttributesToFetch;
    r.attributes.clear();
    for (ULONG i = 0; i < init->cAttributesToFetch; ++i) r.attributes.push_back(init->apwzAttributeNames[i]);
    if (init->cDsScopeInfos >= 1) {
      const DSOP_SCOPE_INIT_INFO& scope = init->aDsScopeInfos[0];
      r.scopeSize = scope.cbSize;
      r.scopeTypes = scope.flType;
      r.scopeFlags = scope.flScope;
      r.bothModes = scope.FilterFlags.Uplevel.flBothModes;
      r.mixedOnly = scope.FilterFlags.Uplevel.flMixedModeOnly;
      r.nativeOnly = scope.FilterFlags.Uplevel.flNativeModeOnly;
      r.downlevel = scope.FilterFlags.flDownlevel;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InvokeDialog(HWND owner, IDataObject** selection) override {
    PickerRecord& r = pickerRecord();
    ++r.invokeCalls;
    r.owner = owner;
    *selection = nullptr;
    if (pickerScript().invokeResult == S_OK) *selection = new Selection();
    return pickerScript().invokeResult;
  }
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Picker* picker = new Picker();
    const HRESULT hr = picker->QueryInterface(iid, out);
    picker->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

PickerScript& pickerScript() {
  static PickerScript script;
  return script;
}

PickerRecord& pickerRecord() {
  static PickerRecord record;
  return record;
}

FakePickerRegistration::FakePickerRegistration() {
  if (FAILED(
          CoRegisterClassObject(kPickerClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)))
    cookie_ = 0;
}

FakePickerRegistration::~FakePickerRegistration() {
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

}  // namespace drxtest

// A local automation server: a class factory registered for one object per
// running copy, and an IDispatch that maps method names to the class's
// handlers. No type library: GetTypeInfoCount answers 0.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>
#include <oleauto.h>

#include <exception>
#include <new>
#include <string_view>

#include "common/win32/utf16.h"
#include "platform/win32/win32_services.h"

namespace platform::win32 {

struct Win32AutomationServer::State {
  AutomationClass Class;
  AutomationServer* Owner = nullptr;
  IClassFactory* Factory = nullptr;
  DWORD Cookie = 0;
  long Objects = 0;       // objects handed to clients and not yet released
  bool Detached = false;  // the server object is gone; the last object deletes the state
};

namespace {

// Method names are ASCII; a client's name matches when it has the same
// letters in either case, compared on the UTF-16 name itself (a full-width
// "Ｌｏａｄ" is not "Load").
bool SameAsciiNoCase(std::string_view ascii, const wchar_t* wide) {
  auto lower = [](unsigned v) { return v >= 'A' && v <= 'Z' ? v + ('a' - 'A') : v; };
  size_t i = 0;
  for (; i < ascii.size(); ++i) {
    wchar_t c = wide[i];
    if (c == L'\0' || c >= 0x80) return false;
    if (lower(static_cast<unsigned char>(ascii[i])) != lower(static_cast<unsigned>(c)))
      return false;
  }
  return wide[i] == L'\0';
}

void ObjectReleased(Win32AutomationServer::State* state) {
  if (--state->Objects != 0) return;
  if (state->Detached) {
    delete state;
    return;
  }
  if (state->Owner->OnLastRelease) state->Owner->OnLastRelease();
}

class Dispatch final : public IDispatch {
 public:
  explicit Dispatch(Win32AutomationServer::State* state) : state_(state) {}
  // From now on the object is a client's: its end counts.
  void HandedOut() {
    counted_ = true;
    ++state_->Objects;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
      Win32AutomationServer::State* state = state_;
      bool counted = counted_;
      delete this;
      if (counted) ObjectReleased(state);
    }
    return static_cast<ULONG>(refs);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      // Only the first name is a method; the others would be argument names.
      if (i > 0) {
        result = DISP_E_UNKNOWNNAME;
        continue;
      }
      if (!names[i]) {
        result = DISP_E_UNKNOWNNAME;
        continue;
      }
      for (const auto& method : state_->Class.Methods) {
        if (SameAsciiNoCase(method.Name, names[i])) ids[i] = method.DispatchId;
      }
      if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    const AutomationMethod* method = nullptr;
    for (const auto& m : state_->Class.Methods) {
      if (m.DispatchId == id) method = &m;
    }
    if (state_->Detached) return CO_E_OBJNOTCONNECTED;  // its handlers are gone
    if (!method) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    UINT given = params ? params->cArgs : 0;
    if (params && params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (given != static_cast<UINT>(method->ArgumentCount)) return DISP_E_BADPARAMCOUNT;
    std::vector<std::string> args;
    // rgvarg holds the arguments last first.
    for (UINT i = given; i-- > 0;) {
      VARIANT text;
      VariantInit(&text);
      if (FAILED(VariantChangeType(&text, &params->rgvarg[i], 0, VT_BSTR))) {
        if (argError) *argError = i;
        return DISP_E_TYPEMISMATCH;
      }
      args.push_back(common::Utf8(std::wstring_view(text.bstrVal, SysStringLen(text.bstrVal))));
      VariantClear(&text);
    }
    if (result) VariantInit(result);
    // What a method throws is the call's exception: the client gets its text.
    try {
      method->Invoke(args);
    } catch (const std::exception& e) {
      return Raise(exception, e.what());
    } catch (...) {
      return Raise(exception, "Unknown error");
    }
    return S_OK;
  }

 private:
  HRESULT Raise(EXCEPINFO* exception, const std::string& text) {
    if (exception) {
      ZeroMemory(exception, sizeof *exception);
      exception->scode = E_FAIL;
      exception->bstrSource = SysAllocString(common::Wide(state_->Class.ProgId).c_str());
      exception->bstrDescription = SysAllocString(common::Wide(text).c_str());
    }
    return DISP_E_EXCEPTION;
  }

  LONG refs_ = 1;
  bool counted_ = false;
  Win32AutomationServer::State* state_;
};

class Factory final : public IClassFactory {
 public:
  explicit Factory(Win32AutomationServer::State* state) : state_(state) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory lives as long as the server object.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) Dispatch(state_);
    if (!object) return E_OUTOFMEMORY;
    // An interface the object does not have ends only this object: no client
    // held it, so it is no "last release" that would end the program.
    HRESULT hr = object->QueryInterface(riid, out);
    if (SUCCEEDED(hr)) object->HandedOut();
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  Win32AutomationServer::State* state_;
};

}  // namespace

Win32AutomationServer::Win32AutomationServer() : state_(new State) {
  state_->Owner = this;
  state_->Factory = new Factory(state_);
}

Win32AutomationServer::~Win32AutomationServer() {
  Stop();
  delete static_cast<Factory*>(state_->Factory);
  state_->Factory = nullptr;
  // Objects a client still holds keep pointing at the state: the last of
  // them deletes it, and no longer calls back.
  if (state_->Objects == 0) {
    delete state_;
  } else {
    state_->Detached = true;
  }
}

bool Win32AutomationServer::Start(const AutomationClass& cls) {
  Stop();
  state_->Class = cls;
  CLSID clsid;
  if (FAILED(CLSIDFromString(common::Wide(cls.ClassId).c_str(), &clsid))) return false;
  // One object per running copy: a second client starts a copy of its own.
  return SUCCEEDED(CoRegisterClassObject(clsid, state_->Factory, CLSCTX_LOCAL_SERVER,
                                         REGCLS_SINGLEUSE, &state_->Cookie));
}

void Win32AutomationServer::Stop() {
  if (state_->Cookie) CoRevokeClassObject(state_->Cookie);
  state_->Cookie = 0;
}

}  // namespace platform::win32

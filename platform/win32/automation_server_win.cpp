// A local automation server: a class factory registered for one object per
// running copy, and an IDispatch that maps method names to the class's
// handlers. No type library: GetTypeInfoCount answers 0.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>
#include <oleauto.h>

#include <cwctype>
#include <exception>

#include "platform/win32/win32_services.h"

namespace platform::win32 {

struct Win32AutomationServer::State {
  AutomationClass Class;
  AutomationServer* Owner = nullptr;
  DWORD Cookie = 0;
  long Objects = 0;
};

namespace {

std::string Narrow(const wchar_t* text, int length = -1) {
  if (!text) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), n, nullptr, nullptr);
  if (length < 0 && !narrow.empty()) narrow.pop_back();  // the NUL
  return narrow;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(static_cast<unsigned char>(a[i])) !=
        std::towupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

class Dispatch final : public IDispatch {
 public:
  explicit Dispatch(Win32AutomationServer::State* state) : state_(state) { ++state_->Objects; }

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
      delete this;
      if (--state->Objects == 0 && state->Owner->OnLastRelease) state->Owner->OnLastRelease();
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
      std::string name = Narrow(names[i]);
      for (const auto& method : state_->Class.Methods) {
        if (SameNoCase(method.Name, name)) ids[i] = method.DispatchId;
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
      args.push_back(Narrow(text.bstrVal, static_cast<int>(SysStringLen(text.bstrVal))));
      VariantClear(&text);
    }
    if (result) VariantInit(result);
    try {
      method->Invoke(args);
    } catch (const std::exception& e) {
      if (exception) {
        ZeroMemory(exception, sizeof *exception);
        exception->scode = E_FAIL;
        std::wstring text(e.what(), e.what() + strlen(e.what()));
        exception->bstrDescription = SysAllocString(text.c_str());
      }
      return DISP_E_EXCEPTION;
    }
    return S_OK;
  }

 private:
  LONG refs_ = 1;
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
    auto* object = new Dispatch(state_);
    HRESULT hr = object->QueryInterface(riid, out);
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
}

Win32AutomationServer::~Win32AutomationServer() {
  Stop();
  // Objects a client still holds keep pointing at the state: leave it.
  if (state_->Objects == 0) delete state_;
}

bool Win32AutomationServer::Start(const AutomationClass& cls) {
  state_->Class = cls;
  std::wstring text(cls.ClassId.begin(), cls.ClassId.end());
  CLSID clsid;
  if (FAILED(CLSIDFromString(text.c_str(), &clsid))) return false;
  static Factory* factory = nullptr;
  if (!factory) factory = new Factory(state_);
  return SUCCEEDED(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                         &state_->Cookie));
}

void Win32AutomationServer::Stop() {
  if (state_->Cookie) CoRevokeClassObject(state_->Cookie);
  state_->Cookie = 0;
}

}  // namespace platform::win32

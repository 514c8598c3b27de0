// The automation client: CLSIDFromProgID, CoCreateInstance (in-process or
// local server) and calls through IDispatch by method name.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>
#include <oleauto.h>

#include "common/win32/utf16.h"
#include "platform/win32/error_text.h"
#include "platform/win32/win32_services.h"

namespace platform::win32 {
namespace {

AutomationStatus Failure(HRESULT hr, std::string message = {}) {
  AutomationStatus status;
  status.Code = static_cast<int32_t>(hr);
  status.Message = message.empty() ? ErrorText(static_cast<DWORD>(hr)) : std::move(message);
  return status;
}

class Win32AutomationObject final : public AutomationObject {
 public:
  explicit Win32AutomationObject(IDispatch* object) : object_(object) {}
  ~Win32AutomationObject() override { object_->Release(); }

  AutomationStatus Call(const std::string& method, const std::vector<std::string>& args) override {
    std::wstring name = common::Wide(method);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return Failure(hr);
    std::vector<VARIANT> values(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      VARIANT& v = values[args.size() - 1 - i];  // the last argument first
      VariantInit(&v);
      std::wstring text = common::Wide(args[i]);
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    DISPPARAMS params{values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argError = 0;
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                         &exception, &argError);
    for (auto& v : values) VariantClear(&v);
    VariantClear(&result);
    if (SUCCEEDED(hr)) return {};
    std::string description;
    if (hr == DISP_E_EXCEPTION) {
      if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
      if (exception.bstrDescription) {
        description = common::Utf8(
            std::wstring_view(exception.bstrDescription, SysStringLen(exception.bstrDescription)));
      } else if (FAILED(exception.scode)) {
        description = ErrorText(static_cast<DWORD>(exception.scode));
      }
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return Failure(hr, description);
  }

 private:
  IDispatch* object_;
};

}  // namespace

std::unique_ptr<AutomationObject> Win32AutomationClient::Create(const std::string& progId,
                                                                AutomationStatus* status) {
  auto fail = [&](HRESULT hr) -> std::unique_ptr<AutomationObject> {
    if (status) *status = Failure(hr);
    return nullptr;
  };
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(common::Wide(progId).c_str(), &clsid);
  if (FAILED(hr)) return fail(hr);
  IUnknown* unknown = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                        reinterpret_cast<void**>(&unknown));
  if (FAILED(hr)) return fail(hr);
  IDispatch* dispatch = nullptr;
  hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  unknown->Release();
  if (FAILED(hr)) return fail(hr);
  if (status) *status = {};
  return std::make_unique<Win32AutomationObject>(dispatch);
}

}  // namespace platform::win32

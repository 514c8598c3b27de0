#include "platform/win32/win32_trust.h"

// clang-format off
#include <windows.h>
// clang-format on
#include <softpub.h>
#include <wintrust.h>

#include "common/win32/utf16.h"
#include "platform/win32/error_text.h"

namespace platform::win32 {

TrustResult Win32TrustVerifier::Verify(const std::string& path) {
  std::wstring file = common::Wide(path);
  WINTRUST_FILE_INFO fileInfo{};
  fileInfo.cbStruct = sizeof fileInfo;
  fileInfo.pcwszFilePath = file.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG code = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

  TrustResult result;
  result.Code = static_cast<uint32_t>(code);
  switch (static_cast<HRESULT>(code)) {
    case ERROR_SUCCESS:
      result.Status = TrustStatus::Trusted;
      break;
    case TRUST_E_NOSIGNATURE:
    case TRUST_E_SUBJECT_FORM_UNKNOWN:
    case TRUST_E_PROVIDER_UNKNOWN:
      result.Status = TrustStatus::NoSignature;
      break;
    case TRUST_E_BAD_DIGEST:
      result.Status = TrustStatus::BadDigest;
      break;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
      result.Status = TrustStatus::UntrustedRoot;
      break;
    default:
      result.Status = TrustStatus::Other;
      break;
  }
  result.Text = ErrorText(static_cast<DWORD>(code));
  return result;
}

}  // namespace platform::win32

// add_printer.exe NAME: makes a PostScript printer on the port FILE: the
// prefix's default, with Wine's own fallback PPD and no CUPS. A fresh prefix
// has no printer at all, and then even printing into a file is impossible.
// Built and run by scripts/lib.sh when it makes the golden prefix.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <winspool.h>

#include <cstdio>
#include <string>

namespace {

constexpr const wchar_t* kDriverName = L"Wine PostScript Driver";

int Fail(const char* what) {
  std::fprintf(stderr, "add_printer: %s failed (error %lu)\n", what,
               static_cast<unsigned long>(GetLastError()));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: add_printer NAME\n");
    return 2;
  }
  const wchar_t* name = argv[1];

  // The PPD that Wine falls back on when it knows no printer's own.
  HMODULE spooler = GetModuleHandleW(L"winspool.drv");
  HRSRC resource = spooler ? FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE") : nullptr;
  HGLOBAL loaded = resource ? LoadResource(spooler, resource) : nullptr;
  const void* ppd = loaded ? LockResource(loaded) : nullptr;
  DWORD ppdSize = resource ? SizeofResource(spooler, resource) : 0;
  if (!ppd || ppdSize == 0) return Fail("finding the PPD in winspool.drv");

  // Into the version-3 folder of the drivers' directory, where the driver's
  // files are looked for.
  wchar_t directory[MAX_PATH];
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                  sizeof directory, &needed)) {
    return Fail("GetPrinterDriverDirectoryW");
  }
  std::wstring folder = std::wstring(directory) + L"\\3";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring ppdPath = folder + L"\\generic.ppd";
  HANDLE file = CreateFileW(ppdPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("writing the PPD");
  DWORD written = 0;
  BOOL wrote = WriteFile(file, ppd, ppdSize, &written, nullptr);
  CloseHandle(file);
  if (!wrote || written != ppdSize) return Fail("writing the PPD");

  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kDriverName);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(ppdPath.c_str());
  driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
  if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES) &&
      GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    return Fail("AddPrinterDriverExW");
  }

  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<wchar_t*>(name);
  info.pPortName = const_cast<wchar_t*>(L"FILE:");
  info.pDriverName = const_cast<wchar_t*>(kDriverName);
  info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (!printer) {
    if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) return Fail("AddPrinterW");
  } else {
    ClosePrinter(printer);
  }
  if (!SetDefaultPrinterW(name)) return Fail("SetDefaultPrinterW");
  return 0;
}

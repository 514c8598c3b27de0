// A program that loads the DLL named on its command line (UTF-16, any
// characters) and stays until it is ended, so that an inventory sees the
// module where it was loaded from. Exit code 2: the DLL did not load.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <shellapi.h>

int main() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 2 || !LoadLibraryW(args[1])) return 2;
  LocalFree(args);
  Sleep(120000);  // the driver ends it long before
  return 0;
}

// dlvnt.exe: start-up and the message loop.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>

#include "common/version_info.h"
#include "dlvnt/dialogs/about_box.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/search_dlg.h"
#include "dlvnt/main_window/main_form.h"
#include "platform/win32/win32_inventory.h"
#include "platform/win32/win32_printer.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"
#include "ui/win32/win32_application.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace dlvnt;
  // The hand-off to the browser is an automation client.
  if (FAILED(OleInitialize(nullptr))) return 1;
  struct OleScope {
    ~OleScope() { OleUninitialize(); }
  } ole;
  platform::win32::Win32Registry registry;
  platform::win32::Win32Environment environment;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Clipboard clipboard;
  platform::win32::Win32Printer printer;
  platform::win32::Win32SystemInventory system;
  platform::win32::Win32FileCatalog catalog;
  platform::win32::Win32Directories folders;
  platform::win32::Win32AutomationClient automation;
  platform::win32::Win32ProcessLauncher launcher;

  // The inventory unit's start: where the system lives.
  SystemDirectories directories{environment.SystemDirectory(), environment.WindowsDirectory()};
  ui::win32::Win32Application app(instance);
  app.SetTitle(kApplicationTitle);
  TMainForm mainForm(app, {{system, catalog, files, registry, directories}, clipboard, printer, [] {
                             return versioninfo::IsWindowsNTPlatform();
                           }});
  if (mainForm.Refused) return 0;
  HandOffServices handOff{automation, launcher, files, environment.ProgramPath(), {}, {}};
  TDetailsDlg detailsDlg(app, mainForm, handOff);
  TSearchDlg searchDlg(app, {catalog, folders}, handOff);
  searchDlg.DetailsDlg = &detailsDlg;
  mainForm.DetailsDlg = &detailsDlg;
  mainForm.SearchDlg = &searchDlg;
  TDelvaneNTAboutBox aboutBox(app, environment.ProgramPath());
  mainForm.AboutBox = &aboutBox;
  return app.Run(*mainForm.Form);
}

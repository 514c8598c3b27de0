// dlvnt.exe: start-up and the message loop.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>

#include "common/version_info.h"
#include "contracts/dlv16/wow_simulation.h"
#include "dlvnt/dialogs/about_box.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/search_dlg.h"
#include "dlvnt/dialogs/win16_details.h"
#include "dlvnt/main_window/main_form.h"
#include "platform/win32/win32_inventory.h"
#include "platform/win32/win32_printer.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_wow_host.h"
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

  // The 16-bit helper lies beside the program; a simulated WOW host only
  // when a description is named, the system's own otherwise.
  std::string program = environment.ProgramPath();
  platform::win32::Win32WowHost systemWow;
  std::unique_ptr<dlv16::SimulatedWowHost> simulatedWow;
  std::chrono::milliseconds bound = HelperWaiter::kDefaultBound;
  if (std::optional<std::string> path = environment.Variable(dlv16::kSimulationVariable)) {
    platform::MapError error;
    std::optional<dlv16::WowSimulation> simulation;
    if (std::unique_ptr<platform::MappedFile> text = files.MapReadOnly(*path, &error)) {
      auto bytes = text->Bytes();
      simulation = dlv16::ParseWowSimulation(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
          &error.Message);
    }
    if (simulation) {
      if (simulation->WaitSeconds) bound = std::chrono::seconds(*simulation->WaitSeconds);
      simulatedWow = std::make_unique<dlv16::SimulatedWowHost>(std::move(*simulation), launcher);
    } else {
      app.ShowError("The WOW simulation " + *path + " cannot be used: " + error.Message);
    }
  }
  platform::WowHost& wow = simulatedWow ? static_cast<platform::WowHost&>(*simulatedWow)
                                        : static_cast<platform::WowHost&>(systemWow);
  Win16Machine win16{wow, folders, launcher, program.substr(0, program.find_last_of('\\') + 1),
                     bound};

  TMainForm mainForm(app, {{system, catalog, files, registry, directories},
                           clipboard,
                           printer,
                           [] { return versioninfo::IsWindowsNTPlatform(); },
                           win16});
  if (mainForm.Refused) return 0;
  HandOffServices handOff{automation, launcher, files, environment.ProgramPath(), {}, {}};
  TDetailsDlg detailsDlg(app, mainForm, handOff);
  TSearchDlg searchDlg(app, {catalog, folders}, handOff);
  searchDlg.DetailsDlg = &detailsDlg;
  mainForm.DetailsDlg = &detailsDlg;
  HelperWin16Details win16Details(app, *mainForm.Win16);
  detailsDlg.Win16 = &win16Details;
  mainForm.SearchDlg = &searchDlg;
  TDelvaneNTAboutBox aboutBox(app, environment.ProgramPath());
  mainForm.AboutBox = &aboutBox;
  return app.Run(*mainForm.Form);
}

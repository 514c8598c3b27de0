// vistrel.exe: start-up, registration switches, the automation class and the
// message loop.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/win32/arguments.h"
#include "common/win32/utf16.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"
#include "ui/win32/win32_application.h"
#include "vistrel/browser/about_box.h"
#include "vistrel/browser/preferences_dlg.h"
#include "vistrel/browser/registration.h"
#include "vistrel/browser/vistrel_main_form.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/go_to_address_dlg.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace vistrel;
  platform::win32::Win32Registry registry;
  platform::win32::Win32Environment environment;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Clipboard clipboard;
  platform::win32::Win32ProcessLauncher launcher;

  Switches switches = ParseSwitches(common::CommandLineArguments());
  // Every start refreshes the registration; the two switches end at once and
  // say when they failed (an installer sees the exit status).
  RegistrationOutcome registration =
      ApplyRegistrationSwitches(switches, registry, environment.ProgramPath());
  if (!registration.Message.empty()) {
    MessageBoxW(nullptr, common::Wide(registration.Message).c_str(),
                common::Wide(kProgramTitle).c_str(), MB_OK | MB_ICONERROR);
  }
  if (registration.EndNow) return registration.ExitCode;

  if (FAILED(OleInitialize(nullptr))) return 1;
  int result = 0;
  {
    ui::win32::Win32Application app(instance);
    app.SetTitle(kProgramTitle);
    TVistrelMainForm mainForm(app, {files, registry, clipboard, environment});
    TAboutBox aboutBox(app, environment.ProgramPath());
    TDisassemblyDlg disassemblyDlg(app);
    TPreferencesDlg preferencesDlg(app);
    TGoToAddressDlg goToAddressDlg(app);
    TStructureDlg structureDlg(app);
    TViewSourceForm viewSourceForm(app, {files, launcher}, &goToAddressDlg, &structureDlg,
                                   &disassemblyDlg);
    mainForm.ViewSourceForm = &viewSourceForm;
    mainForm.StructureDlg = &structureDlg;
    TViewImageDlg viewImageDlg(app, &viewSourceForm);
    TViewMenuForm viewMenuForm(app);
    TViewVersionDlg viewVersionDlg(app);
    mainForm.ViewImageDlg = &viewImageDlg;
    mainForm.ViewMenuForm = &viewMenuForm;
    mainForm.ViewVersionDlg = &viewVersionDlg;
    mainForm.AboutBox = &aboutBox;
    mainForm.DisassemblyDlg = &disassemblyDlg;
    mainForm.PreferencesDlg = &preferencesDlg;

    platform::win32::Win32AutomationServer server;
    platform::AutomationClass cls;
    cls.ProgId = kProgId;
    cls.ClassId = kClassId;
    cls.Description = kClassDescription;
    // What a method throws goes back to the client as the call's exception
    // (platform/automation.h): the caller reports it, not this window.
    cls.Methods.push_back(
        {"Load", 1,
         [&](const std::vector<std::string>& args) { mainForm.AutomationLoad(args.at(0)); }, 1});
    cls.Methods.push_back({"ShutDown", 2,
                           [&](const std::vector<std::string>&) { mainForm.AutomationShutDown(); },
                           0});
    // When the last client lets go, a program OLE started ends and one the
    // user started can be closed again.
    server.OnLastRelease = [&] { mainForm.AutomationLastRelease(switches.Automation); };
    server.Start(cls);
    // A file named on the command line opens as a dropped one does, once
    // the window shows (a file that cannot be read says so there).
    if (switches.File && !switches.Automation) {
      app.Post([&] { app.Guard([&] { mainForm.FormDropFiles({*switches.File}); }); });
    }
    result = app.Run(*mainForm.Form);
    server.Stop();
  }
  OleUninitialize();
  return result;
}

// dlv16.exe: our stand-in for the 16-bit helper. It does the command's work
// (contracts/dlv16/stand_in.h) in the folder it lies in, which is dlvnt's,
// then tells dlvnt's main window that the output is complete. A simulated
// WOW host starts it for "w" and "l"; dlvnt starts it itself for "v".
// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "common/win32/utf16.h"
#include "contracts/dlv16/stand_in.h"
#include "platform/command_line.h"
#include "platform/win32/win32_services.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string line = common::Utf8(GetCommandLineW());
  std::optional<dlv16::HelperArguments> arguments =
      dlv16::ParseHelperArguments(platform::ArgumentsAfterProgram(line));
  if (!arguments) return 2;

  platform::win32::Win32Environment environment;
  platform::win32::Win32FileSystem files;
  std::string program = environment.ProgramPath();
  dlv16::HelperRun run;
  run.OutputDirectory = program.substr(0, program.find_last_of('\\') + 1);
  run.Process = arguments->Process;
  std::optional<dlv16::WowSimulation> simulation;
  if (std::optional<std::string> path = environment.Variable(dlv16::kSimulationVariable)) {
    if (std::unique_ptr<platform::MappedFile> text = files.MapReadOnly(*path, nullptr)) {
      auto bytes = text->Bytes();
      simulation = dlv16::ParseWowSimulation(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), nullptr);
    }
  }
  if (simulation) run.Simulation = &*simulation;

  std::optional<std::string> failed = dlv16::RunHelperCommand(arguments->Command, run, files);
  // A hung helper, simulated: the output is there, the word never comes.
  if (simulation && simulation->Silent) return failed ? 1 : 0;
  HWND main = FindWindowW(nullptr, common::Wide(dlv16::kMainWindowCaption).c_str());
  if (main) PostMessageW(main, dlv16::kHelperDoneMessage, 0, 0);
  return failed || !main ? 1 : 0;
}

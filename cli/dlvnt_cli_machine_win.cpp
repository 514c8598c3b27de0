#include <windows.h>

#include "cli/dlvnt_cli_machine.h"
#include "platform/win32/win32_inventory.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"

namespace dlvntcli {
namespace {

struct Win32Machine : Machine {
  platform::win32::Win32Registry registry;
  ClassesOnlyRegistry classes{&registry};
  platform::win32::Win32Environment environment;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Clipboard clipboard;
  platform::win32::Win32SystemInventory system;
  platform::win32::Win32FileCatalog catalog;
  dlvnt::InventoryServices Services() override {
    return {system,
            catalog,
            files,
            classes,
            {environment.SystemDirectory(), environment.WindowsDirectory()}};
  }
  platform::Clipboard& Clipboard() override { return clipboard; }
  NoPrinter printer;
  platform::Printer& Printer() override { return printer; }
  platform::win32::Win32Directories folders;
  platform::Directories& Folders() override { return folders; }
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() {
  return std::make_unique<Win32Machine>();
}

}  // namespace dlvntcli

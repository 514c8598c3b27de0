#include "cli/dlvnt_cli_machine.h"
#include "platform/fake/fake_machine.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_inventory.h"

namespace dlvntcli {
namespace {

// Linux has processes and files but no registered classes and no drivers.
struct PosixMachine : Machine {
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::posix::PosixSystemInventory system;
  platform::posix::PosixFileCatalog catalog;
  platform::posix::PosixFileSystem plainFiles;
  platform::posix::CaseInsensitiveFileSystem files{plainFiles, catalog.Resolver()};
  dlvnt::InventoryServices Services() override {
    return {system, catalog, files, registry, {"/usr/lib", "/usr"}};
  }
  platform::Clipboard& Clipboard() override { return clipboard; }
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() {
  return std::make_unique<PosixMachine>();
}

}  // namespace dlvntcli

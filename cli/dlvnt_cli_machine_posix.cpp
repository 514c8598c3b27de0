#include "cli/dlvnt_cli_machine.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_inventory.h"
#include "platform/posix/posix_system.h"

namespace dlvntcli {
namespace {

// The command line prints its texts; it has no clipboard to put them on.
class NoClipboard : public platform::Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
  std::optional<std::string> GetText() override { return std::nullopt; }
  bool Clear() override { return false; }
};

// Processes from /proc, files from the file system; no drivers and no
// registered classes.
struct PosixMachine : Machine {
  ClassesOnlyRegistry classes{nullptr};  // no registry: no classes, no settings
  NoClipboard clipboard;
  platform::posix::PosixSystemInventory system;
  platform::posix::PosixFileCatalog catalog;
  platform::posix::PosixFileSystem plainFiles;
  platform::posix::CaseInsensitiveFileSystem files{plainFiles, catalog.Resolver()};
  dlvnt::InventoryServices Services() override {
    return {system, catalog, files, classes, {"/usr/lib", "/usr"}};
  }
  platform::Clipboard& Clipboard() override { return clipboard; }
  NoPrinter printer;
  platform::Printer& Printer() override { return printer; }
  // Linux has no drive letters: no drive is searchable.
  platform::posix::PosixDirectories folders;
  platform::Directories& Folders() override { return folders; }
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() {
  return std::make_unique<PosixMachine>();
}

}  // namespace dlvntcli

#include "cli/dlvnt_cli_machine.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_inventory.h"

namespace dlvntcli {
namespace {

// Linux has no registry: no registered classes (the OCX page stays empty)
// and no settings to read. Writes are refused; ClassesOnlyRegistry above it
// drops the window's settings before they get here.
class NoRegistry : public platform::Registry {
 public:
  bool KeyExists(platform::RegistryRoot, const std::string&) override { return false; }
  bool CreateKey(platform::RegistryRoot, const std::string&) override { return false; }
  bool DeleteKey(platform::RegistryRoot, const std::string&) override { return false; }
  std::optional<std::vector<uint8_t>> ReadValue(platform::RegistryRoot, const std::string&,
                                                const std::string&, size_t) override {
    return std::nullopt;
  }
  std::optional<std::string> ReadString(platform::RegistryRoot, const std::string&,
                                        const std::string&) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ReadDword(platform::RegistryRoot, const std::string&,
                                    const std::string&) override {
    return std::nullopt;
  }
  bool WriteString(platform::RegistryRoot, const std::string&, const std::string&,
                   const std::string&) override {
    return false;
  }
  bool WriteDword(platform::RegistryRoot, const std::string&, const std::string&,
                  uint32_t) override {
    return false;
  }
  std::vector<std::string> SubKeys(platform::RegistryRoot, const std::string&) override {
    return {};
  }
};

// The command line prints its texts; it has no clipboard to put them on.
class NoClipboard : public platform::Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
  std::optional<std::string> GetText() override { return std::nullopt; }
  bool Clear() override { return false; }
};

// Processes from /proc, files from the file system; no drivers.
struct PosixMachine : Machine {
  NoRegistry registry;
  ClassesOnlyRegistry classes{registry};
  NoClipboard clipboard;
  platform::posix::PosixSystemInventory system;
  platform::posix::PosixFileCatalog catalog;
  platform::posix::PosixFileSystem plainFiles;
  platform::posix::CaseInsensitiveFileSystem files{plainFiles, catalog.Resolver()};
  dlvnt::InventoryServices Services() override {
    return {system, catalog, files, classes, {"/usr/lib", "/usr"}};
  }
  platform::Clipboard& Clipboard() override { return clipboard; }
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() {
  return std::make_unique<PosixMachine>();
}

}  // namespace dlvntcli

// The machine dlvnt-cli reads: the real one on Windows, /proc and the file
// system on Linux.
#ifndef CLI_DLVNT_CLI_MACHINE_H
#define CLI_DLVNT_CLI_MACHINE_H

#include <memory>

#include "dlvnt/inventory/inventory.h"
#include "platform/clipboard.h"
#include "platform/directories.h"
#include "platform/printer.h"
#include "platform/registry.h"

namespace dlvntcli {

struct Machine {
  virtual ~Machine() = default;
  virtual dlvnt::InventoryServices Services() = 0;
  virtual platform::Clipboard& Clipboard() = 0;
  virtual platform::Printer& Printer() = 0;
  // What the search walks.
  virtual platform::Directories& Folders() = 0;
};

std::unique_ptr<Machine> MakeMachine();

// The command line writes its texts to standard output and sends nothing to
// a printer: the print dialog is never confirmed.
class NoPrinter : public platform::Printer {
 public:
  bool ShowDialog() override { return false; }
  bool PrintsToFile() const override { return false; }
  bool Printing() const override { return false; }
  void SetLandscape(bool) override {}
  void BeginDoc(const std::string&, const std::string&) override { Refuse(); }
  void SetFont(const std::string&, int) override { Refuse(); }
  platform::TextSize TextExtent(const std::string&) override { Refuse(); }
  int PageWidth() override { Refuse(); }
  int PageHeight() override { Refuse(); }
  void NewPage() override { Refuse(); }
  void TextOut(int, int, const std::string&, bool) override { Refuse(); }
  void EndDoc() override { Refuse(); }
  void AbortDoc() noexcept override {}

 private:
  [[noreturn]] static void Refuse() {
    throw platform::PrinterError("The command line has no printer.");
  }
};

// The classes root of `inner`, but no settings of the window's user: the
// command line takes its options from its arguments and stores nothing.
// Without an inner registry (Linux has none) there are no classes either.
class ClassesOnlyRegistry : public platform::Registry {
 public:
  explicit ClassesOnlyRegistry(platform::Registry* inner) : inner_(inner) {}
  bool KeyExists(platform::RegistryRoot root, const std::string& key) override {
    return Classes(root) && inner_->KeyExists(root, key);
  }
  bool CreateKey(platform::RegistryRoot, const std::string&) override { return true; }
  bool DeleteKey(platform::RegistryRoot, const std::string&) override { return false; }
  std::optional<std::vector<uint8_t>> ReadValue(platform::RegistryRoot root, const std::string& key,
                                                const std::string& name, size_t maxBytes) override {
    if (!Classes(root)) return std::nullopt;
    return inner_->ReadValue(root, key, name, maxBytes);
  }
  std::optional<std::string> ReadString(platform::RegistryRoot root, const std::string& key,
                                        const std::string& name) override {
    if (!Classes(root)) return std::nullopt;
    return inner_->ReadString(root, key, name);
  }
  std::optional<uint32_t> ReadDword(platform::RegistryRoot root, const std::string& key,
                                    const std::string& name) override {
    if (!Classes(root)) return std::nullopt;
    return inner_->ReadDword(root, key, name);
  }
  bool WriteString(platform::RegistryRoot, const std::string&, const std::string&,
                   const std::string&) override {
    return true;
  }
  bool WriteDword(platform::RegistryRoot, const std::string&, const std::string&,
                  uint32_t) override {
    return true;
  }
  std::vector<std::string> SubKeys(platform::RegistryRoot root, const std::string& key) override {
    if (!Classes(root)) return {};
    return inner_->SubKeys(root, key);
  }

 private:
  bool Classes(platform::RegistryRoot root) const {
    return inner_ && root == platform::RegistryRoot::ClassesRoot;
  }
  platform::Registry* inner_;
};

}  // namespace dlvntcli

#endif  // CLI_DLVNT_CLI_MACHINE_H

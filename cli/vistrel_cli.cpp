// vistrel-cli FILE... [--json]: every page of the browser for each file, as
// the window shows it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/vistrel_cli_report.h"
#include "platform/posix/posix_files.h"
#include "ui/headless/headless.h"

namespace {

// The command line keeps no settings: every read finds nothing and nothing
// is written, so each run starts from the window's defaults.
class NoSettings : public platform::Registry {
 public:
  using Root = platform::RegistryRoot;
  bool KeyExists(Root, const std::string&) override { return false; }
  bool CreateKey(Root, const std::string&) override { return false; }
  bool DeleteKey(Root, const std::string&) override { return false; }
  std::optional<std::vector<uint8_t>> ReadValue(Root, const std::string&, const std::string&,
                                                size_t) override {
    return std::nullopt;
  }
  std::optional<std::string> ReadString(Root, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ReadDword(Root, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool WriteString(Root, const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool WriteDword(Root, const std::string&, const std::string&, uint32_t) override { return false; }
  std::vector<std::string> SubKeys(Root, const std::string&) override { return {}; }
};

// Nor has it a clipboard: the report walk never copies.
class NoClipboard : public platform::Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
  std::optional<std::string> GetText() override { return std::nullopt; }
  bool Clear() override { return false; }
};

int Usage() {
  std::fprintf(stderr, "usage: vistrel-cli FILE... [--json]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage();
      return 0;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) return Usage();

  ui::headless::HeadlessApplication app;
  platform::posix::PosixFileSystem fileSystem;
  platform::posix::PosixEnvironment environment;
  NoSettings registry;
  NoClipboard clipboard;
  vistrel::TVistrelMainForm form(app, {fileSystem, registry, clipboard, environment});

  int failures = 0;
  bool first = true;
  if (json) std::fputs("{", stdout);
  for (const auto& path : files) {
    vistrel::FileReport report = vistrel::ReportFile(form, app, path, json, first);
    if (!report.Output.empty()) {
      first = false;
      std::fwrite(report.Output.data(), 1, report.Output.size(), stdout);
    }
    for (const auto& e : report.Errors) {
      std::fprintf(stderr, "vistrel-cli: %s: %s\n", path.c_str(), e.c_str());
    }
    if (!report.Errors.empty()) ++failures;
    // The next file starts without this one's view and lists.
    form.FileCloseMenuItemClick();
  }
  if (json) std::fputs("\n}\n", stdout);
  std::fflush(stdout);
  return failures ? 1 : 0;
}

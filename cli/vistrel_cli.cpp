// vistrel-cli FILE... [--json]: every page of the browser for each file, as
// the window shows it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fake/fake_machine.h"
#include "platform/posix/posix_files.h"
#include "ui/headless/headless.h"
#include "vistrel/browser/page_report.h"
#include "vistrel/browser/vistrel_main_form.h"

namespace {

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
  // Settings stay in memory: the command line has its own defaults.
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  vistrel::TVistrelMainForm form(app, {fileSystem, registry, clipboard, environment});

  int failures = 0;
  bool firstJson = true;
  std::string out;
  if (json) out += "{";
  for (const auto& path : files) {
    platform::MapError error;
    if (!fileSystem.MapReadOnly(path, &error)) {
      std::fprintf(stderr, "vistrel-cli: %s: %s\n", path.c_str(), error.Message.c_str());
      ++failures;
      continue;
    }
    app.messages.clear();
    app.errors.clear();
    form.FileName = path;
    app.Guard([&] { form.LoadFile(); });
    if (json) {
      if (!firstJson) out += ",";
      firstJson = false;
      out += "\n";
      vistrel::AppendJsonString(path, out);
      out += ":";
      if (!app.messages.empty()) {
        out += "{\"Message\":";
        vistrel::AppendJsonString(app.messages.front().Text, out);
        out += ",\"Pages\":";
        vistrel::AppendJsonReport(form, out);
        out += "}";
      } else {
        vistrel::AppendJsonReport(form, out);
      }
    } else {
      out += "#### " + path + "\n";
      for (const auto& message : app.messages) out += message.Caption + ": " + message.Text + "\n";
      vistrel::AppendTextReport(form, out);
      out += "\n";
    }
    for (const auto& e : app.errors) {
      std::fprintf(stderr, "vistrel-cli: %s: %s\n", path.c_str(), e.c_str());
      ++failures;
    }
    if (out.size() > (1u << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  if (json) out += "\n}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  return failures ? 1 : 0;
}

#include "contracts/dlv16/stand_in.h"

#include <cctype>
#include <charconv>
#include <map>

#include "common/text_case.h"
#include "common/version_info.h"
#include "contracts/dlv16/ne_module.h"

namespace dlv16 {
namespace {

using common::Upper;

// A file's name without folder and extension, for files without a module name.
std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The 16-bit files of one run, each read once.
class Modules {
 public:
  explicit Modules(platform::FileSystem& files) : files_(files) {}
  const std::optional<NeModule>& Of(const std::string& path) {
    auto [it, added] = read_.try_emplace(Upper(path));
    if (added) {
      if (std::unique_ptr<platform::MappedFile> file = files_.MapReadOnly(path)) {
        it->second = ReadNeModule(file->Bytes());
      }
    }
    return it->second;
  }
  std::string NameOf(const std::string& path) {
    const std::optional<NeModule>& module = Of(path);
    return Upper(module && !module->ModuleName.empty() ? module->ModuleName : BaseName(path));
  }
  bool Imports(const std::string& path, const std::string& moduleName) {
    const std::optional<NeModule>& module = Of(path);
    if (!module) return false;
    for (const std::string& name : module->ImportedModules) {
      if (Upper(name) == moduleName) return true;
    }
    return false;
  }

 private:
  platform::FileSystem& files_;
  std::map<std::string, std::optional<NeModule>> read_;
};

class OneBlockSystem : public versioninfo::VersionSystem {
 public:
  explicit OneBlockSystem(std::vector<uint8_t> block) : block_(std::move(block)) {}
  // The 16-bit world's answer: its blocks are in the 8-bit layout.
  bool IsWindowsNTPlatform() const override { return false; }
  std::unique_ptr<versioninfo::VersionBlock> ReadVersionBlock(const std::string&) const override {
    return versioninfo::MakePortableBlock(block_);
  }
  std::string LanguageName(uint32_t languageId) const override {
    return versioninfo::PortableLanguageName(languageId);
  }

 private:
  std::vector<uint8_t> block_;
};

std::optional<std::string> Write(platform::FileSystem& files, const std::string& path,
                                 const std::string& text) {
  return files.WriteWholeFile(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::optional<std::string> RunWow(const ParsedCommand& command, const HelperRun& run,
                                  platform::FileSystem& files) {
  uint32_t id = ParseProcessId(command.Argument);
  const SimulatedProcess* process = run.Simulation ? run.Simulation->Find(id) : nullptr;
  if (!process) return "no WOW process " + command.Argument;
  Modules modules(files);
  std::vector<WowRecord> records;
  for (const SimulatedModule& module : process->Modules) {
    WowRecord record;
    record.First = ProcessIdText(id);
    record.ModuleName = modules.NameOf(module.Path);
    record.ModulePath = module.Path;
    record.Directories = module.Directories;
    record.Flag = module.Task ? 0 : 1;
    records.push_back(std::move(record));
  }
  return files.WriteWholeFile(run.OutputDirectory + ProcessIdText(id) + ".dlv",
                              MakeWowFile(records));
}

std::optional<std::string> RunLinks(const ParsedCommand& command, const HelperRun& run,
                                    platform::FileSystem& files) {
  const std::string& subject = command.Argument;
  Modules modules(files);
  std::string subjectName = modules.NameOf(subject);
  const SimulatedProcess* process =
      run.Simulation && run.Process ? run.Simulation->Find(*run.Process) : nullptr;
  std::vector<LinkLine> lines;
  if (const std::optional<NeModule>& ne = modules.Of(subject)) {
    for (const std::string& imported : ne->ImportedModules) {
      // A module the process holds gives its path; another, its bare name.
      std::string path = imported;
      if (process) {
        for (const SimulatedModule& module : process->Modules) {
          if (modules.NameOf(module.Path) == Upper(imported)) {
            path = module.Path;
            break;
          }
        }
      }
      lines.push_back({static_cast<char>(LinkType::Uses), path});
    }
  }
  if (process) {
    for (const SimulatedModule& module : process->Modules) {
      bool isSubject = Upper(module.Path) == Upper(subject);
      bool uses = !isSubject && modules.Imports(module.Path, subjectName);
      if (uses) lines.push_back({static_cast<char>(LinkType::UsedBy), module.Path});
      if (module.Task && (isSubject || uses)) {
        lines.push_back({static_cast<char>(LinkType::Task), module.Path});
      }
    }
  }
  return Write(files, run.OutputDirectory + kLinkInfoFile, WriteLinkInfo(lines));
}

std::optional<std::string> RunVersion(const ParsedCommand& command, const HelperRun& run,
                                      platform::FileSystem& files) {
  VersionLines lines;
  if (std::unique_ptr<platform::MappedFile> file = files.MapReadOnly(command.Argument)) {
    lines = VersionLinesOf(file->Bytes());
  }
  return Write(files, run.OutputDirectory + kVersionInfoFile, WriteVersionInfo(lines));
}

}  // namespace

std::optional<HelperArguments> ParseHelperArguments(std::string_view arguments) {
  HelperArguments parsed;
  while (!arguments.empty() && arguments.front() == ' ') arguments.remove_prefix(1);
  std::string_view option = kProcessOption;
  if (arguments.substr(0, option.size()) == option && arguments.size() > option.size() &&
      arguments[option.size()] == ' ') {
    arguments.remove_prefix(option.size() + 1);
    uint32_t id = 0;
    auto [p, ec] = std::from_chars(arguments.data(), arguments.data() + arguments.size(), id);
    if (ec != std::errc() || p == arguments.data()) return std::nullopt;
    parsed.Process = id;
    arguments.remove_prefix(static_cast<size_t>(p - arguments.data()));
  }
  std::optional<ParsedCommand> command = ParseCommandArguments(arguments);
  if (!command) return std::nullopt;
  parsed.Command = std::move(*command);
  return parsed;
}

std::optional<std::string> RunHelperCommand(const ParsedCommand& command, const HelperRun& run,
                                            platform::FileSystem& files) {
  switch (command.Letter) {
    case Command::Wow:
      return RunWow(command, run, files);
    case Command::Links:
      return RunLinks(command, run, files);
    case Command::Version:
      return RunVersion(command, run, files);
  }
  return "unknown command";
}

VersionLines VersionLinesOf(std::span<const uint8_t> file) {
  VersionLines lines;
  std::optional<NeModule> module = ReadNeModule(file);
  if (!module || !module->VersionResource) return lines;
  OneBlockSystem system(*module->VersionResource);
  for (size_t i = 0; i < lines.size(); ++i) {
    versioninfo::VersionText text =
        versioninfo::kVersionTextOperations[i].Operation(system, "", versioninfo::kDetailsMaxLength);
    if (text.Length > 0) lines[i] = text.Text;
  }
  return lines;
}

}  // namespace dlv16

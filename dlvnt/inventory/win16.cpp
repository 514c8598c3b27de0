#include "dlvnt/inventory/win16.h"

#include <map>
#include <stdexcept>
#include <utility>

#include "common/text_format.h"
#include "dlvnt/inventory/paths.h"
#include "platform/command_line.h"

namespace dlvnt {
namespace {

bool IsHelperFile(const std::string& name) {
  std::string upper = Upper(name);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".DLV") == 0;
}

std::vector<std::string> HelperFiles(Win16Services& services) {
  std::vector<std::string> names;
  if (auto entries = services.Folders.List(services.ProgramDirectory)) {
    for (const platform::DirectoryEntry& entry : *entries) {
      if (!entry.IsDirectory && IsHelperFile(entry.Name)) names.push_back(entry.Name);
    }
  }
  return names;
}

// The whole file as text; throws the system's reason when it cannot be read.
std::string ReadHelperFile(Win16Services& services, const std::string& name) {
  std::string path = services.ProgramDirectory + name;
  platform::MapError error;
  std::unique_ptr<platform::MappedFile> file = services.Files.MapReadOnly(path, &error);
  if (!file) {
    throw std::runtime_error(error.Message.empty() ? path : path + ": " + error.Message);
  }
  auto bytes = file->Bytes();
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void Remove(Win16Services& services, const std::string& name) {
  services.Folders.RemoveFile(services.ProgramDirectory + name);
}

std::string Command(Win16Services& services, dlv16::Command command, const std::string& path) {
  return dlv16::HelperCommandLine(services.ProgramDirectory, command, path);
}

void ReadLinkFile(Win16Services& services, uint32_t processId, Win16Links& links) {
  std::string text = ReadHelperFile(services, dlv16::kLinkInfoFile);
  Remove(services, dlv16::kLinkInfoFile);
  for (const dlv16::LinkLine& line : dlv16::ReadLinkInfo(text)) {
    // The name is taken from the path after the type character: a bare
    // module name then stays a name instead of gaining the type digit.
    std::string name = FileNamePart(line.Path);
    if (name == dlv16::kHelperProgram) continue;
    switch (line.Type) {
      case static_cast<char>(dlv16::LinkType::Uses):
        links.Uses.push_back(name);
        break;
      case static_cast<char>(dlv16::LinkType::UsedBy):
        links.UsedBy.push_back(name);
        break;
      case static_cast<char>(dlv16::LinkType::Task):
        links.Tasks.push_back(common::Format("%s (%d)", name.c_str(), static_cast<int>(processId)));
        break;
      default:
        break;
    }
  }
}

// Starts the command in one process and waits for its word: false when it
// did not start; throws when it never answered.
bool StartAndWait(Win16Services& services, uint32_t processId, const std::string& command) {
  services.Waiter.Arm();
  if (!services.Wow.StartTask(processId, command)) return false;
  if (!services.Waiter.Wait()) throw std::runtime_error(kHelperNoAnswer);
  return true;
}

}  // namespace

void DeleteHelperFiles(Win16Services& services) {
  for (const std::string& name : HelperFiles(services)) Remove(services, name);
}

Module16Collection CollectModule16(InventoryServices& inventory, Win16Services& services,
                                   ItemList& items, ProcessTree& tree) {
  Module16Collection result;
  services.Waiter.Arm();
  DeleteHelperFiles(services);
  int started = 0;
  for (uint32_t id : services.Wow.CandidateProcesses()) {
    if (services.Wow.StartTask(id,
                               Command(services, dlv16::Command::Wow, dlv16::ProcessIdText(id)))) {
      ++started;
    }
  }
  if (started == 0) return result;
  // Every helper writes its own file and then answers: the files are read
  // once all have answered (or the bound has passed), never while one of
  // them may still be writing.
  result.Answered = services.Waiter.Wait(started);

  std::map<std::pair<std::string, std::string>, TInventoryItem*> seen;
  for (const std::string& name : HelperFiles(services)) {
    std::string bytes;
    try {
      bytes = ReadHelperFile(services, name);
    } catch (const std::runtime_error& e) {
      result.Errors.push_back(e.what());
      continue;
    }
    std::optional<dlv16::WowFile> file = dlv16::TakeWowFile(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!file) {
      result.Errors.push_back(services.ProgramDirectory + name + ": the file holds no record");
      continue;
    }
    ++result.ProcessCount;
    ProcessNode& node = tree.emplace_back();
    node.Text = file->NodeText;
    for (const dlv16::WowRecord& record : file->Modules) {
      node.Modules.push_back(record.ModulePath);
      std::pair<std::string, std::string> key{Upper(record.ModuleName), Upper(record.ModulePath)};
      if (auto it = seen.find(key); it != seen.end()) {
        it->second->ProcessId = 0;
        continue;
      }
      TInventoryItem item;
      item.ProcessId = static_cast<int32_t>(dlv16::ParseProcessId(record.First));
      item.Kind = record.Flag == 0 ? kMainModule : kOtherModule;
      item.ModuleName = key.first;
      item.ModulePath = key.second;
      item.ExtraText = Upper(record.Directories);
      item.FileSize = FileSize(inventory.Catalog, record.ModulePath);
      item.FileDate = FileDate(inventory.Catalog, record.ModulePath);
      seen[key] = &items.Append(std::move(item));
    }
  }
  DeleteHelperFiles(services);
  return result;
}

void ReadWin16Links(Win16Services& services, int32_t processId, const std::string& modulePath,
                    Win16Links& links) {
  std::string command = Command(services, dlv16::Command::Links, modulePath);
  if (processId != 0) {
    uint32_t id = static_cast<uint32_t>(processId);
    if (StartAndWait(services, id, command)) ReadLinkFile(services, id, links);
    return;
  }
  for (uint32_t id : services.Wow.CandidateProcesses()) {
    if (StartAndWait(services, id, command)) ReadLinkFile(services, id, links);
  }
}

std::optional<dlv16::VersionLines> ReadWin16Version(Win16Services& services,
                                                    const std::string& modulePath) {
  services.Waiter.Arm();
  // The helper's folder may hold blanks: its path goes in quotes here.
  std::string command = platform::QuoteArgument(services.ProgramDirectory + dlv16::kHelperProgram) +
                        " v " + modulePath;
  if (!services.Launcher.Start(command, platform::ShowState::Hidden)) return std::nullopt;
  if (!services.Waiter.Wait()) throw std::runtime_error(kHelperNoAnswer);
  std::string text = ReadHelperFile(services, dlv16::kVersionInfoFile);
  Remove(services, dlv16::kVersionInfoFile);
  return dlv16::ReadVersionInfo(text);
}

}  // namespace dlvnt

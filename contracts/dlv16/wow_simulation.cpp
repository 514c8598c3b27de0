#include "contracts/dlv16/wow_simulation.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "common/text_case.h"
#include "contracts/dlv16/helper_files.h"

namespace dlv16 {
namespace {

using common::Upper;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::string FolderOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

const SimulatedProcess* WowSimulation::Find(uint32_t id) const {
  for (const SimulatedProcess& process : Processes) {
    if (process.Id == id) return &process;
  }
  return nullptr;
}

std::optional<WowSimulation> ParseWowSimulation(std::string_view text, std::string* error) {
  WowSimulation simulation;
  std::optional<std::string> directories;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return std::nullopt;
  };
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;
    size_t blank = line.find_first_of(" \t");
    std::string_view keyword = line.substr(0, blank);
    std::string_view value = blank == std::string_view::npos ? "" : Trim(line.substr(blank));
    if (keyword == "process") {
      uint32_t id = 0;
      auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), id);
      if (ec != std::errc() || p != value.data() + value.size() || id == 0) {
        return fail("a process needs a decimal id other than 0");
      }
      if (simulation.Find(id)) return fail("process " + std::to_string(id) + " is named twice");
      simulation.Processes.push_back({id, {}});
      directories.reset();
    } else if (keyword == "task" || keyword == "module") {
      if (simulation.Processes.empty()) return fail("a module before any process");
      if (value.empty()) return fail("a module needs its path");
      SimulatedProcess& process = simulation.Processes.back();
      SimulatedModule module{std::string(value), keyword == "task", {}};
      if (!directories) {
        // The folder of the process's first task, as a task's module search starts there.
        auto task = std::find_if(process.Modules.begin(), process.Modules.end(),
                                 [](const SimulatedModule& m) { return m.Task; });
        module.Directories = FolderOf(task != process.Modules.end() ? task->Path : module.Path);
      } else {
        module.Directories = *directories;
      }
      process.Modules.push_back(std::move(module));
    } else if (keyword == "directories") {
      directories = std::string(value);
    } else if (keyword == "silent") {
      simulation.Silent = true;
    } else if (keyword == "wait") {
      int seconds = 0;
      auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (ec != std::errc() || p != value.data() + value.size() || seconds < 1 || seconds > 600) {
        return fail("wait needs a number of seconds from 1 to 600");
      }
      simulation.WaitSeconds = seconds;
    } else {
      return fail("unknown keyword \"" + std::string(keyword) + "\"");
    }
  }
  return simulation;
}

std::vector<uint32_t> SimulatedWowHost::CandidateProcesses() {
  std::vector<uint32_t> ids;
  for (const SimulatedProcess& process : simulation_.Processes) ids.push_back(process.Id);
  return ids;
}

bool SimulatedWowHost::StartTask(uint32_t processId, const std::string& commandLine) {
  if (!simulation_.Find(processId)) return false;
  // The line is the helper's path, a blank and the command: run that path
  // with the process named before the command.
  std::string upper = Upper(commandLine);
  std::string program = std::string(kHelperProgram) + " ";
  size_t at = upper.find(program);
  if (at == std::string::npos) return false;
  size_t arguments = at + program.size();
  std::string line = "\"" + commandLine.substr(0, arguments - 1) + "\" " + kProcessOption + " " +
                     std::to_string(processId) + " " + commandLine.substr(arguments);
  return launcher_.Start(line, platform::ShowState::Hidden) != nullptr;
}

}  // namespace dlv16

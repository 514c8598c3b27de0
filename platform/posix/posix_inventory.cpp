#include "platform/posix/posix_inventory.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "common/text_case.h"
#include "platform/expand_variables.h"

namespace platform::posix {
namespace {

std::string FileNamePart(const std::string& path) {
  size_t at = path.find_last_of('/');
  return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

std::optional<std::vector<uint32_t>> PosixSystemInventory::ProcessIds() {
  DIR* dir = opendir("/proc");
  if (!dir) return std::nullopt;
  std::set<uint32_t> ids;
  while (dirent* entry = readdir(dir)) {
    char* end = nullptr;
    unsigned long id = std::strtoul(entry->d_name, &end, 10);
    if (end && *end == '\0' && entry->d_name[0] != '\0') ids.insert(static_cast<uint32_t>(id));
  }
  closedir(dir);
  std::vector<uint32_t> result(ids.begin(), ids.end());
  if (result.size() > kMaxEnumerated) result.resize(kMaxEnumerated);
  return result;
}

ProcessModules PosixSystemInventory::Modules(uint32_t processId) {
  ProcessModules result;
  std::string base = "/proc/" + std::to_string(processId);
  char exe[4096];
  ssize_t n = readlink((base + "/exe").c_str(), exe, sizeof exe - 1);
  std::ifstream maps(base + "/maps");
  if (n <= 0 || !maps) return result;
  result.Opened = true;
  result.Enumerated = true;
  std::string program(exe, static_cast<size_t>(n));
  result.Modules.push_back({FileNamePart(program), program});
  std::set<std::string> seen{program};
  std::string line;
  while (std::getline(maps, line) && result.Modules.size() < kMaxEnumerated) {
    size_t slash = line.find(" /");
    if (slash == std::string::npos) continue;
    std::string path = line.substr(slash + 1);
    if (path.find(" (deleted)") != std::string::npos) continue;
    if (seen.insert(path).second) result.Modules.push_back({FileNamePart(path), path});
  }
  return result;
}

const std::unordered_map<std::string, std::string>& CaseResolver::Listing(const std::string& dir) {
  auto it = listings_.find(dir);
  if (it != listings_.end()) return it->second;
  std::unordered_map<std::string, std::string> names;
  if (DIR* d = opendir(dir.empty() ? "/" : dir.c_str())) {
    while (dirent* entry = readdir(d)) names.emplace(common::Lower(entry->d_name), entry->d_name);
    closedir(d);
  }
  return listings_.emplace(dir, std::move(names)).first->second;
}

std::optional<std::string> CaseResolver::Resolve(const std::string& windowsPath) {
  struct stat st {};
  if (windowsPath.empty()) return std::nullopt;
  // Paths written the Windows way name the same files.
  std::string path = windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (stat(path.c_str(), &st) == 0) return path;
  if (path[0] != '/') return std::nullopt;
  std::string resolved;
  size_t at = 1;
  while (at <= path.size()) {
    size_t next = path.find('/', at);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(at, next - at);
    if (!part.empty()) {
      const auto& names = Listing(resolved);
      auto it = names.find(common::Lower(part));
      if (it == names.end()) return std::nullopt;
      resolved += "/" + it->second;
    }
    at = next + 1;
  }
  if (stat(resolved.c_str(), &st) != 0) return std::nullopt;
  return resolved;
}

std::optional<FileFacts> PosixFileCatalog::FindFirst(const std::string& path) {
  std::optional<std::string> real = resolver_.Resolve(path);
  struct stat st {};
  if (!real || stat(real->c_str(), &st) != 0) return std::nullopt;
  FileFacts facts;
  facts.Size = st.st_size;
  facts.IsDirectory = S_ISDIR(st.st_mode);
  std::tm local{};
  time_t when = st.st_mtime;
  if (localtime_r(&when, &local)) {
    facts.LastWrite = DayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec, 0);
  }
  return facts;
}

DriveType PosixFileCatalog::RootDriveType(const std::string& root) {
  return !root.empty() && root[0] == '/' ? DriveType::Fixed : DriveType::NoRootDir;
}

std::string PosixFileCatalog::DriveCurrentDirectory(char) {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

std::string PosixFileCatalog::ExpandEnvironment(const std::string& text) {
  std::string out =
      ExpandPercentVariables(text, [](const std::string& name) -> std::optional<std::string> {
        const char* value = nullptr;
        for (const std::string& n : {name, common::Lower(name), std::string("PATH")}) {
          if ((value = std::getenv(n.c_str()))) break;
          if (common::Lower(name) != "path") break;
        }
        if (!value) return std::nullopt;
        return std::string(value);
      });
  // Linux separates PATH with ':'; the inventory splits at ';'.
  for (char& c : out) {
    if (c == ':') c = ';';
  }
  return out;
}

std::unique_ptr<MappedFile> CaseInsensitiveFileSystem::MapReadOnly(const std::string& path,
                                                                   MapError* error) {
  std::optional<std::string> real = resolver_.Resolve(path);
  return files_.MapReadOnly(real ? *real : path, error);
}

bool CaseInsensitiveFileSystem::FileExists(const std::string& path) {
  std::optional<std::string> real = resolver_.Resolve(path);
  return real && files_.FileExists(*real);
}

}  // namespace platform::posix

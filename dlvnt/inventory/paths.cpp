#include "dlvnt/inventory/paths.h"

#include <limits>

namespace dlvnt {

std::string FileNamePart(const std::string& path) {
  size_t at = path.find_last_of("\\/:");
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string DirectoryPart(const std::string& path) {
  size_t at = path.find_last_of("\\/:");
  if (at == std::string::npos) return std::string();
  // "C:" keeps its colon; a backslash or slash ends the directory.
  return path[at] == ':' ? path.substr(0, at + 1) : path.substr(0, at);
}

bool HasDirectory(const std::string& path) {
  return path.find_last_of("\\/:") != std::string::npos;
}

int32_t FileSize(platform::FileCatalog& catalog, const std::string& path) {
  std::optional<platform::FileFacts> facts = catalog.FindFirst(path);
  if (!facts) return -1;
  // The record holds 32 bits: larger files show the largest size it can.
  if (facts->Size > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(facts->Size);
}

double FileDate(platform::FileCatalog& catalog, const std::string& path) {
  std::optional<platform::FileFacts> facts = catalog.FindFirst(path);
  if (!facts || !facts->LastWrite) return 0;
  return *facts->LastWrite;
}

bool FilePresent(platform::FileCatalog& catalog, const std::string& path) {
  return PresentSize(FileSize(catalog, path));
}

bool FileExists(platform::FileCatalog& catalog, const std::string& path) {
  std::optional<platform::FileFacts> facts = catalog.FindFirst(path);
  return facts && !facts->IsDirectory;
}

std::string NormalisePath(platform::FileCatalog& catalog, const SystemDirectories& dirs,
                          const std::string& path) {
  std::string upper = Upper(path);
  if (FileExists(catalog, upper)) return upper;
  std::string tail = dirs.WindowsDirectoryTail();
  if (!tail.empty()) {
    size_t at = upper.find(tail);
    if (at != std::string::npos) return dirs.WindowsDirectory + upper.substr(at + tail.size());
  }
  static const std::string kSystemRoot = "SYSTEMROOT";
  size_t at = upper.find(kSystemRoot);
  if (at != std::string::npos) return dirs.WindowsDirectory + upper.substr(at + kSystemRoot.size());
  if (HasDirectory(upper)) return kUnknownPath;
  for (const std::string& candidate :
       {dirs.SystemDirectory + "\\DRIVERS\\" + upper, dirs.SystemDirectory + "\\" + upper,
        dirs.WindowsDirectory + "\\" + upper}) {
    if (FileExists(catalog, candidate)) return candidate;
  }
  return kUnknownPath;
}

std::vector<std::string> BuildSearchPathList(platform::FileCatalog& catalog,
                                             const SystemDirectories& dirs) {
  std::vector<std::string> list{dirs.SystemDirectory, dirs.WindowsDirectory};
  // No fixed buffer: a long PATH is taken whole.
  std::string path = catalog.ExpandEnvironment("%path%");
  size_t at = 0;
  while (at <= path.size()) {
    size_t end = path.find(';', at);
    if (end == std::string::npos) end = path.size();
    std::string piece = path.substr(at, end - at);
    at = end + 1;
    if (piece.empty()) continue;
    platform::DriveType type = catalog.RootDriveType(piece.substr(0, 3));
    if (type == platform::DriveType::Unknown || type == platform::DriveType::NoRootDir ||
        type == platform::DriveType::CdRom) {
      continue;
    }
    if (type == platform::DriveType::Remote) piece = catalog.DriveCurrentDirectory(piece[0]);
    if (piece.size() == 3 && (piece[2] == '\\' || piece[2] == '/')) piece.pop_back();
    std::string upper = Upper(piece);
    bool known = false;
    for (const std::string& entry : list) known = known || common::EqualNoCase(entry, upper);
    if (!known) list.push_back(upper);
  }
  return list;
}

}  // namespace dlvnt

// Paths, file facts and the directories searched for duplicates.
#ifndef DLVNT_INVENTORY_PATHS_H
#define DLVNT_INVENTORY_PATHS_H

#include <string>
#include <vector>

#include "common/text_case.h"
#include "dlvnt/inventory/inventory.h"

namespace dlvnt {

// Names and paths are stored upper case (ASCII letters only).
using common::Upper;

// The directory part ends at the last backslash, slash or colon.
std::string FileNamePart(const std::string& path);
// The directory without its final separator ("" for a bare name).
std::string DirectoryPart(const std::string& path);
bool HasDirectory(const std::string& path);

// Size of the first file a search for the path finds; -1 when none.
int32_t FileSize(platform::FileCatalog& catalog, const std::string& path);
// Last write as a day count; 0 when missing or not convertible.
double FileDate(platform::FileCatalog& catalog, const std::string& path);
// A file counts as present when it has at least one byte (an empty file is
// as good as none); `size` as FileSize gives it.
constexpr bool PresentSize(int32_t size) { return size > 0; }
bool FilePresent(platform::FileCatalog& catalog, const std::string& path);
bool FileExists(platform::FileCatalog& catalog, const std::string& path);

// The path as reported by the system, made into one that exists where it
// can: returns a path or "Unknown" (callers upper-case it).
std::string NormalisePath(platform::FileCatalog& catalog, const SystemDirectories& dirs,
                          const std::string& path);

// System directory, Windows directory, then PATH's directories in upper
// case, each once.
std::vector<std::string> BuildSearchPathList(platform::FileCatalog& catalog,
                                             const SystemDirectories& dirs);

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_PATHS_H

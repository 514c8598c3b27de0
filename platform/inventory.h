// What the inventory reads from the machine: processes and their modules,
// loaded drivers, and the facts of files and drives.
#ifndef PLATFORM_INVENTORY_H
#define PLATFORM_INVENTORY_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The system's enumerations hand out at most this many entries at a time.
constexpr size_t kMaxEnumerated = 1025;

struct ModuleEntry {
  std::string BaseName;  // as the system reports it
  std::string FileName;  // full path as the system reports it
};

struct ProcessModules {
  bool Opened = false;               // the process could be opened for query and read
  bool Enumerated = false;           // its modules could be listed
  std::vector<ModuleEntry> Modules;  // first = the process's main module
};

struct DriverEntry {
  std::string BaseName;
  std::string FileName;
};

class SystemInventory {
 public:
  virtual ~SystemInventory() = default;
  // Process identifiers in the system's order; nullopt when the call fails.
  virtual std::optional<std::vector<uint32_t>> ProcessIds() = 0;
  virtual ProcessModules Modules(uint32_t processId) = 0;
  // Loaded drivers in the system's order; nullopt when the call fails.
  virtual std::optional<std::vector<DriverEntry>> DeviceDrivers() = 0;
};

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct FileFacts {
  int64_t Size = 0;
  bool IsDirectory = false;
  // Last write, local time, as days since 30 December 1899 with the time of
  // day as fraction; nullopt when the time cannot be converted.
  std::optional<double> LastWrite;
};

class FileCatalog {
 public:
  virtual ~FileCatalog() = default;
  // The first entry that a directory search for the path finds.
  virtual std::optional<FileFacts> FindFirst(const std::string& path) = 0;
  // root: the first three characters of a path ("C:\").
  virtual DriveType RootDriveType(const std::string& root) = 0;
  // The current directory of a drive ("X:" + its directory).
  virtual std::string DriveCurrentDirectory(char drive) = 0;
  // %NAME% references replaced by the variables' values.
  virtual std::string ExpandEnvironment(const std::string& text) = 0;
};

// Calendar date and time to the day count used for file dates.
inline double DayCount(int year, int month, int day, int hour, int minute, int second,
                       int millisecond) {
  // Days from civil (proleptic Gregorian), shifted to 30 December 1899.
  int y = year - (month <= 2 ? 1 : 0);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int mp = (month + 9) % 12;
  int doy = (153 * mp + 2) / 5 + day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  long days = static_cast<long>(era) * 146097 + doe - 719468;  // since 1970-01-01
  days += 25569;                                               // since 1899-12-30
  double fraction =
      (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
  return static_cast<double>(days) + fraction;
}

}  // namespace platform

#endif  // PLATFORM_INVENTORY_H

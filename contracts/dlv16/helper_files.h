// What dlvnt and its 16-bit helper (DLV16.EXE) exchange: the command lines,
// the completion message and the three kinds of output file the helper
// writes into dlvnt's directory. Both sides use this one description.
#ifndef CONTRACTS_DLV16_HELPER_FILES_H
#define CONTRACTS_DLV16_HELPER_FILES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dlv16 {

// Posted to dlvnt's main window when the helper's output is complete.
constexpr uint32_t kHelperDoneMessage = 0xB9E;

// The helper finds dlvnt's main window by its caption.
inline constexpr const char* kMainWindowCaption = "Delvane for Windows NT";

inline constexpr const char* kHelperProgram = "DLV16.EXE";
inline constexpr const char* kOutputPattern = "*.dlv";
inline constexpr const char* kLinkInfoFile = "linkinfo.dlv";
inline constexpr const char* kVersionInfoFile = "verinfo.dlv";

enum class Command : char { Wow = 'w', Links = 'l', Version = 'v' };

// directory (with its final separator) + "DLV16.EXE " + letter + " " + argument.
std::string HelperCommandLine(const std::string& directory, Command command,
                              const std::string& argument);

// A command as the helper receives it, after its own program name: the
// letter, one blank, and the whole rest of the line as its argument (a path
// may hold blanks).
struct ParsedCommand {
  Command Letter = Command::Wow;
  std::string Argument;
};
std::optional<ParsedCommand> ParseCommandArguments(std::string_view arguments);

// The "w" argument: a process identifier as eight hexadecimal digits.
std::string ProcessIdText(uint32_t processId);
// The first eight characters of a record's first field read as hexadecimal,
// either case. Reading stops at the first character that is no hex digit;
// a field that starts with none gives 0.
uint32_t ParseProcessId(std::string_view text);

// --- "w": one file per WOW process, of fixed 1302-byte records ------------

constexpr size_t kRecordSize = 1302;
constexpr size_t kFirstFieldSize = 10;
constexpr size_t kNameFieldSize = 10;
constexpr size_t kPathFieldSize = 256;
constexpr size_t kDirectoriesFieldSize = 1024;

struct WowRecord {
  std::string First;        // node text (first record) or process id (module records)
  std::string ModuleName;
  std::string ModulePath;
  std::string Directories;  // searched for the module, ";" between them
  uint16_t Flag = 0;        // 0: a task's own module
};

// A field is NUL-ended or fills its whole width; longer texts are cut.
std::array<uint8_t, kRecordSize> EncodeRecord(const WowRecord& record);
WowRecord DecodeRecord(std::span<const uint8_t, kRecordSize> bytes);

// The records of a file; bytes after the last whole record are not one.
std::vector<WowRecord> ReadRecords(std::span<const uint8_t> file);
std::vector<uint8_t> WriteRecords(const std::vector<WowRecord>& records);

// The records dlvnt takes from a file: the first gives the process node's
// text, and every record but the last is a module (the last only ends the
// file). The helper writes its files to suit: the process's modules, the
// first of them carrying the node text, then an end record.
struct WowFile {
  std::string NodeText;
  std::vector<WowRecord> Modules;
};
std::optional<WowFile> TakeWowFile(std::span<const uint8_t> file);
std::vector<uint8_t> MakeWowFile(const std::vector<WowRecord>& modules);

// --- "l": linkinfo.dlv, lines of a type character and a full path --------

enum class LinkType : char { Uses = '0', UsedBy = '1', Task = '2' };
struct LinkLine {
  char Type = '0';
  std::string Path;
};
std::string WriteLinkInfo(const std::vector<LinkLine>& lines);
// Lines ended by CR LF (a lone LF also ends one); empty lines are skipped.
std::vector<LinkLine> ReadLinkInfo(std::string_view text);

// --- "v": verinfo.dlv, the fifteen version texts, one per line ------------

constexpr size_t kVersionLineCount = 15;
using VersionLines = std::array<std::string, kVersionLineCount>;
std::string WriteVersionInfo(const VersionLines& lines);
// Lines missing at the end read as empty; lines after the fifteenth are
// ignored.
VersionLines ReadVersionInfo(std::string_view text);

}  // namespace dlv16

#endif  // CONTRACTS_DLV16_HELPER_FILES_H

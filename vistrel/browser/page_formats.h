// The texts of the browser's pages: names of machines, subsystems and debug
// types, characteristics lines, and the number formats of the two modes.
#ifndef VISTREL_BROWSER_PAGE_FORMATS_H
#define VISTREL_BROWSER_PAGE_FORMATS_H

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

std::string MachineName(uint16_t machine);
std::vector<std::string> FileCharacteristicsLines(uint16_t characteristics);
std::vector<std::string> SectionCharacteristicsLines(uint32_t characteristics);
// Empty for a subsystem without a text.
std::string SubsystemText(uint16_t subsystem);
// Empty for a type without a name.
std::string DebugTypeName(uint32_t type);
// The names of the DllCharacteristics bits that are set, as the format's
// header names them ("DYNAMIC_BASE", "NX_COMPAT", ...), in bit order; a set
// bit without a name as its hex value.
std::vector<std::string> DllCharacteristicsNames(uint16_t characteristics);
// The set bits of a load configuration's GuardFlags by their header names
// ("CF_INSTRUMENTED", "CF_FUNCTION_TABLE_PRESENT", ...), in bit order; a set
// bit without a name as its hex value; a stride in the top four bits as
// "CF_FUNCTION_TABLE_SIZE=N".
std::vector<std::string> GuardFlagsNames(uint32_t flags);
// The same bits as the window names them, short enough for one field:
// "High-entropy VA, ASLR, DEP, CFG, TS aware"; empty when none is set.
std::string DllCharacteristicsText(uint16_t characteristics);
// A header's TimeDateStamp as the date it stands for: "2023-02-18 22:23:07 UTC".
std::string TimeStampText(uint32_t seconds);
// The name of data directory `index` (0 to 15): "EXPORT", "IMPORT", ...
std::string DataDirectoryName(size_t index);
// "VXD", "Win16", "NT", "DOS" or "Unknown".
std::string ImageTypeText(uint32_t signature);

// Decimal text of a 32-bit field: taken as signed.
std::string Decimal32(uint32_t value);
// Hex text of width 4 in hex mode, signed decimal otherwise.
std::string ModeText(uint32_t value, bool hexMode);
// SizeOfOptionalHeader: hex text of width 2 in hex mode.
std::string ModeText16(uint16_t value, bool hexMode);
// A field that is 64 bits wide in PE32+ files: as ModeText while the value
// fits in 32 bits, else sixteen hex digits or the unsigned decimal value.
std::string ModeText64(uint64_t value, bool hexMode);

// The resource tree's group of a resource type: "CURSOR", "BITMAP", ...;
// empty for the types without a name (they share one group).
std::string ResourceGroupText(uint32_t type);
// The image list position of a resource of that type; -1 for none.
int ResourceImage(uint32_t type);

// An export's list line: "%s (%d)" or "(%d)" without a name.
std::string ExportLine(const char* name, int32_t ordinal);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_PAGE_FORMATS_H

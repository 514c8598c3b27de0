#include "vistrel/browser/page_formats.h"

#include "common/hex_text.h"
#include "common/json_text.h"

namespace vistrel {

std::string MachineName(uint16_t machine) {
  switch (machine) {
    case 0x014C:
      return "Intel 386";
    case 0x0162:
    case 0x0166:
    case 0x0168:
      return "MIPS little-endian";
    case 0x0184:
      return "Alpha_AXP";
    case 0x01F0:
      return "IBM PowerPC Little-Endian";
    // The machines of 64-bit Windows and of ARM, named as the header of the
    // format names them.
    case 0x01C4:
      return "ARM Thumb-2 Little-Endian";
    case 0x0200:
      return "Intel 64";
    case 0x8664:
      return "AMD64 (K8)";
    case 0xAA64:
      return "ARM64 Little-Endian";
    default:
      return "Unknown";
  }
}

std::vector<std::string> FileCharacteristicsLines(uint16_t c) {
  static const struct {
    uint16_t Bit;
    const char* Line;
  } kLines[] = {
      {0x0001, "Relocation info stripped from file."},
      {0x0002, "File is executable."},
      {0x0004, "Line numbers stripped from file."},
      {0x0008, "Local symbols stripped from file."},
      {0x0080, "Low bytes of machine word are reversed."},
      {0x0100, "32 bit word machine."},
      {0x0200, "Debugging info stripped from file in .DBG file."},
      {0x1000, "System File."},
      {0x2000, "File is a DLL."},
      {0x8000, "High bytes of machine word are reversed."},
  };
  std::vector<std::string> lines;
  for (const auto& entry : kLines) {
    if (c & entry.Bit) lines.push_back(entry.Line);
  }
  return lines;
}

std::vector<std::string> SectionCharacteristicsLines(uint32_t c) {
  std::vector<std::string> lines;
  if (c & 0x00000020) lines.push_back("Contains code");
  if (c & 0x00000040) lines.push_back("Contains initialized data");
  if (c & 0x00000080) lines.push_back("Contains uninitialized data");
  if (c & 0x00008000) lines.push_back("Far data");
  if (c & 0x00020000) {
    // Two names share this bit.
    lines.push_back("Purgeable");
    lines.push_back("16 bit");
  }
  if (c & 0x00040000) lines.push_back("Locked");
  if (c & 0x00080000) lines.push_back("Preload");
  static const char* const kAlign[] = {"1 byte aligned",  "2 bytes aligned",  "4 bytes aligned",
                                       "8 bytes aligned", "16 bytes aligned", "32 bytes aligned",
                                       "64 bytes aligned"};
  uint32_t align = (c >> 20) & 0xF;
  if (align >= 1 && align <= 7) lines.push_back(kAlign[align - 1]);
  if (c & 0x02000000) lines.push_back("Discardable");
  if (c & 0x04000000) lines.push_back("Cannot be cached");
  if (c & 0x08000000) lines.push_back("Cannot be paged");
  if (c & 0x10000000) lines.push_back("Shareable");
  if (c & 0x20000000) lines.push_back("Executable");
  if (c & 0x40000000) lines.push_back("Readable");
  if (c & 0x80000000) lines.push_back("Writeable");
  return lines;
}

std::string SubsystemText(uint16_t subsystem) {
  switch (subsystem) {
    case 0:
      return "Unknown subsystem.";
    case 1:
      return "Device driver.";
    case 2:
      return "Windows GUI subsystem.";
    case 3:
      return "Windows character subsystem.";
    case 5:
      return "OS/2 character subsystem.";
    case 7:
      return "Posix character subsystem.";
    default:
      return "";
  }
}

std::vector<std::string> DllCharacteristicsNames(uint16_t c) {
  static const char* const kNames[16] = {
      nullptr,        nullptr,           nullptr,        nullptr,
      nullptr,        "HIGH_ENTROPY_VA", "DYNAMIC_BASE", "FORCE_INTEGRITY",
      "NX_COMPAT",    "NO_ISOLATION",    "NO_SEH",       "NO_BIND",
      "APPCONTAINER", "WDM_DRIVER",      "GUARD_CF",     "TERMINAL_SERVER_AWARE"};
  std::vector<std::string> names;
  for (int bit = 0; bit < 16; ++bit) {
    if (!(c & (1u << bit))) continue;
    names.push_back(kNames[bit] ? kNames[bit] : common::HexText(1u << bit, 2));
  }
  return names;
}

std::vector<std::string> GuardFlagsNames(uint32_t flags) {
  // Bits 8 to 25; the lower ones and bit 21 have no name.
  static const char* const kNames[26] = {nullptr,
                                         nullptr,
                                         nullptr,
                                         nullptr,
                                         nullptr,
                                         nullptr,
                                         nullptr,
                                         nullptr,
                                         "CF_INSTRUMENTED",
                                         "CFW_INSTRUMENTED",
                                         "CF_FUNCTION_TABLE_PRESENT",
                                         "SECURITY_COOKIE_UNUSED",
                                         "PROTECT_DELAYLOAD_IAT",
                                         "DELAYLOAD_IAT_IN_ITS_OWN_SECTION",
                                         "CF_EXPORT_SUPPRESSION_INFO_PRESENT",
                                         "CF_ENABLE_EXPORT_SUPPRESSION",
                                         "CF_LONGJUMP_TABLE_PRESENT",
                                         "RF_INSTRUMENTED",
                                         "RF_ENABLE",
                                         "RF_STRICT",
                                         "RETPOLINE_PRESENT",
                                         nullptr,
                                         "EH_CONTINUATION_TABLE_PRESENT",
                                         "XFG_ENABLED",
                                         "CASTGUARD_PRESENT",
                                         "MEMCPY_PRESENT"};
  std::vector<std::string> names;
  for (int bit = 0; bit < 28; ++bit) {
    const uint32_t mask = 1u << bit;
    if (!(flags & mask)) continue;
    const char* name = bit < 26 ? kNames[bit] : nullptr;
    names.push_back(name ? name : common::HexText(mask));
  }
  // The top four bits: the extra bytes of each function table entry.
  if (flags >> 28) names.push_back("CF_FUNCTION_TABLE_SIZE=" + std::to_string(flags >> 28));
  return names;
}

std::string DllCharacteristicsText(uint16_t c) {
  static const char* const kNames[16] = {nullptr,        nullptr,           nullptr,  nullptr,
                                         nullptr,        "High-entropy VA", "ASLR",   "Integrity",
                                         "DEP",          "No isolation",    "No SEH", "No bind",
                                         "AppContainer", "WDM driver",      "CFG",    "TS aware"};
  std::string text;
  for (int bit = 0; bit < 16; ++bit) {
    if (!(c & (1u << bit))) continue;
    if (!text.empty()) text += ", ";
    text += kNames[bit] ? kNames[bit] : common::HexText(1u << bit, 2);
  }
  return text;
}

std::string TimeStampText(uint32_t seconds) {
  std::string iso = common::IsoUtcTime(seconds);  // 2023-02-18T22:23:07Z
  return iso.substr(0, 10) + " " + iso.substr(11, 8) + " UTC";
}

std::string DataDirectoryName(size_t index) {
  static const char* const kNames[16] = {
      "EXPORT", "IMPORT",       "RESOURCE",       "EXCEPTION", "SECURITY",    "BASERELOC",
      "DEBUG",  "ARCHITECTURE", "GLOBALPTR",      "TLS",       "LOAD_CONFIG", "BOUND_IMPORT",
      "IAT",    "DELAY_IMPORT", "COM_DESCRIPTOR", "RESERVED"};
  return index < 16 ? kNames[index] : "";
}

std::string DebugTypeName(uint32_t type) {
  static const char* const kNames[] = {"Unknown", "COFF",           "CodeView",
                                       "FPO",     "Misc.",          "Exception",
                                       "Fixup",   "OMAP to source", "OMAP from source"};
  return type < 9 ? kNames[type] : "";
}

std::string ImageTypeText(uint32_t signature) {
  switch (signature) {
    case 0x454C:
      return "VXD";
    case 0x454E:
      return "Win16";
    case 0x4550:
      return "NT";
    case 0x5A4D:
      return "DOS";
    default:
      return "Unknown";
  }
}

std::string Decimal32(uint32_t value) {
  return std::to_string(static_cast<int32_t>(value));
}

std::string ModeText(uint32_t value, bool hexMode) {
  return hexMode ? common::HexText(value, 4) : Decimal32(value);
}

std::string ModeText16(uint16_t value, bool hexMode) {
  return hexMode ? common::HexText(value, 2) : std::to_string(value);
}

std::string ModeText64(uint64_t value, bool hexMode) {
  if (value <= 0xFFFFFFFFull) return ModeText(static_cast<uint32_t>(value), hexMode);
  return hexMode ? common::HexText64(value) : std::to_string(value);
}

std::string ExportLine(const char* name, int32_t ordinal) {
  std::string line;
  if (name) line.append(name).append(" ");
  line.append("(").append(std::to_string(ordinal)).append(")");
  return line;
}

namespace {

struct ResourceType {
  uint32_t Type;
  const char* Group;
  int Image;
};
constexpr ResourceType kResourceTypes[] = {
    {1, "CURSOR", 2},      {2, "BITMAP", 3},   {3, "ICON", 6},           {4, "MENU", 4},
    {5, "DIALOG", 1},      {6, "STRING", 7},   {7, "FONTDIR", -1},       {8, "FONT", -1},
    {9, "ACCELERATOR", 0}, {10, "RCDATA", 5},  {11, "MESSAGETABLE", -1}, {12, "GROUPCURSOR", 2},
    {14, "GROUPICON", 6},  {16, "VERSION", 8},
};

const ResourceType* FindResourceType(uint32_t type) {
  for (const auto& t : kResourceTypes) {
    if (t.Type == type) return &t;
  }
  return nullptr;
}

}  // namespace

std::string ResourceGroupText(uint32_t type) {
  const ResourceType* t = FindResourceType(type);
  return t ? t->Group : "";
}

int ResourceImage(uint32_t type) {
  const ResourceType* t = FindResourceType(type);
  return t ? t->Image : -1;
}

}  // namespace vistrel

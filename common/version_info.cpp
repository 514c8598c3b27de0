#include "common/version_info.h"

#include <algorithm>

#include "common/text_format.h"

namespace versioninfo {

namespace {

using common::Format;

// Where the fixed file information starts: after the UTF-16 header and key
// "VS_VERSION_INFO" on the NT family, after the 8-bit ones elsewhere.
constexpr size_t kFixedInfoOffsetNT = 40;
constexpr size_t kFixedInfoOffsetOther = 20;
// The fields read reach up to byte 44 of the fixed file information.
constexpr size_t kFixedInfoBytesRead = 44;

constexpr char kTranslationPath[] = "\\VarFileInfo\\Translation";

struct FixedInfo {
  uint32_t FileVersionMS = 0;
  uint32_t FileVersionLS = 0;
  uint32_t ProductVersionMS = 0;
  uint32_t ProductVersionLS = 0;
  uint32_t FileFlags = 0;
  uint32_t FileOS = 0;
  uint32_t FileType = 0;
  uint32_t FileSubtype = 0;
};

VersionText Deliver(std::string text, int maxLength) {
  VersionText result;
  result.Length = static_cast<int>(text.size());
  if (result.Length <= maxLength) result.Text = std::move(text);
  return result;
}

// The NT family returns a 16-bit file's block in the 8-bit layout too, so the
// platform alone does not place the fixed information: an 8-bit block has it
// at 20 on every platform.
size_t FixedInfoOffset(bool windowsNT, ByteView block) {
  if (windowsNT && !IsEightBitLayout(block)) return kFixedInfoOffsetNT;
  return kFixedInfoOffsetOther;
}

// Read at a fixed place, as the block stands (the signature is not checked);
// a block too short to hold the fields gives nothing rather than bytes from
// beyond its end.
std::optional<FixedInfo> ReadFixedInfo(const VersionSystem& system, const std::string& fileName) {
  auto block = system.ReadVersionBlock(fileName);
  if (!block) return std::nullopt;
  ByteView bytes = block->Bytes();
  size_t offset = FixedInfoOffset(system.IsWindowsNTPlatform(), bytes);
  if (!bytes.Has(offset, kFixedInfoBytesRead)) return std::nullopt;
  FixedInfo info;
  info.FileVersionMS = *bytes.U32(offset + 8);
  info.FileVersionLS = *bytes.U32(offset + 12);
  info.ProductVersionMS = *bytes.U32(offset + 16);
  info.ProductVersionLS = *bytes.U32(offset + 20);
  info.FileFlags = *bytes.U32(offset + 28);
  info.FileOS = *bytes.U32(offset + 32);
  info.FileType = *bytes.U32(offset + 36);
  info.FileSubtype = *bytes.U32(offset + 40);
  return info;
}

// The first translation: language id and code page. A value too short to
// hold one is no translation.
struct Translation {
  uint16_t Language = 0;
  uint16_t CodePage = 0;
};

std::optional<Translation> FirstTranslation(const VersionBlock& block) {
  auto value = block.Query(kTranslationPath);
  if (!value) return std::nullopt;
  ByteView bytes(value->Value.data(), std::min<size_t>(value->Value.size(), value->Length));
  auto language = bytes.U16(0);
  auto codePage = bytes.U16(2);
  if (!language || !codePage) return std::nullopt;
  return Translation{*language, *codePage};
}

std::string VersionNumbers(const char* label, uint32_t ms, uint32_t ls) {
  return Format("%s %d.%d.%d.%d", label, static_cast<int>(ms >> 16), static_cast<int>(ms & 0xFFFF),
                static_cast<int>(ls >> 16), static_cast<int>(ls & 0xFFFF));
}

std::string FlagsText(uint32_t flags) {
  auto word = [flags](uint32_t bit, const char* name) { return (flags & bit) ? name : ""; };
  return Format("File Flags %s %s %s %s %s %s %s", word(0x01, "Debug"), word(0x02, "PreRel"),
                word(0x04, "Patched"), word(0x08, "Private"), word(0x10, "Info"),
                word(0x20, "Special"), word(0xFFFFFF00u, "Unknown"));
}

const char* OSName(uint32_t os) {
  switch (os) {
    case 0x10001:
      return "DOS-Win16";
    case 0x10004:
      return "DOS-Win32";
    case 0x20002:
      return "OS/2-16 PM-16";
    case 0x30003:
      return "OS/2-32 PM-32";
    case 0x40004:
      return "NT-Win32";
    default:
      return "Unknown";
  }
}

const char* TypeName(uint32_t type) {
  switch (type) {
    case 1:
      return "App";
    case 2:
      return "DLL";
    case 3:
      return "Driver";
    case 4:
      return "Font";
    case 5:
      return "VxD";
    case 7:
      return "Lib";
    default:
      return "Unknown";
  }
}

const char* SubtypeName(uint32_t type, uint32_t subtype) {
  static const char* const kDrivers[] = {
      "Printer Drv", "Keyboard Drv", "Language Drv", "Display Drv", "Mouse Drv",
      "Network Drv", "System Drv",   "Installable",  "Sound Drv",   "Comm Drv"};
  static const char* const kFonts[] = {"Raster Font", "Vector Font", "TrueType Font"};
  switch (type) {
    case 3:
      return (subtype >= 1 && subtype <= 10) ? kDrivers[subtype - 1] : "Unknown";
    case 4:
      return (subtype >= 1 && subtype <= 3) ? kFonts[subtype - 1] : "None";
    case 5:
      return "Virtual Device Driver";
    default:
      return "None";
  }
}

template <typename MakeText>
VersionText FixedInfoText(const VersionSystem& system, const std::string& fileName, int maxLength,
                          MakeText makeText) {
  auto info = ReadFixedInfo(system, fileName);
  if (!info) return VersionText{};
  return Deliver(makeText(*info), maxLength);
}

VersionText StringText(const VersionSystem& system, const std::string& fileName, const char* key,
                       int maxLength) {
  std::string value = GetVersionString(system, fileName, key);
  if (value.empty()) return VersionText{};
  return Deliver(std::move(value), maxLength);
}

}  // namespace

bool IsWindowsNTPlatform(const VersionSystem& system) {
  return system.IsWindowsNTPlatform();
}
bool IsWindowsNTPlatform() {
  return IsWindowsNTPlatform(DefaultVersionSystem());
}

std::string GetVersionString(const VersionSystem& system, const std::string& fileName,
                             const std::string& key) {
  auto block = system.ReadVersionBlock(fileName);
  if (!block) return std::string();
  auto translation = FirstTranslation(*block);
  if (!translation) return std::string();
  std::string path =
      Format("\\StringFileInfo\\%4.4X%4.4X\\", translation->Language, translation->CodePage) + key;
  auto value = block->Query(path);
  if (!value || value->Length == 0 || value->Value.empty()) return std::string();
  // Up to the first zero, and never past the reported length: a value may
  // lack its terminator.
  size_t length = std::min<size_t>(value->Value.size(), value->Length);
  std::string text(reinterpret_cast<const char*>(value->Value.data()), length);
  return text.substr(0, text.find('\0'));
}

std::string GetVersionString(const std::string& fileName, const std::string& key) {
  return GetVersionString(DefaultVersionSystem(), fileName, key);
}

VersionText GetFileVersionText(const VersionSystem& system, const std::string& fileName,
                               int maxLength) {
  return FixedInfoText(system, fileName, maxLength, [](const FixedInfo& info) {
    return VersionNumbers("File Version", info.FileVersionMS, info.FileVersionLS);
  });
}

VersionText GetProductVersionText(const VersionSystem& system, const std::string& fileName,
                                  int maxLength) {
  return FixedInfoText(system, fileName, maxLength, [](const FixedInfo& info) {
    return VersionNumbers("Product Version", info.ProductVersionMS, info.ProductVersionLS);
  });
}

VersionText GetFileFlagsText(const VersionSystem& system, const std::string& fileName,
                             int maxLength) {
  return FixedInfoText(system, fileName, maxLength,
                       [](const FixedInfo& info) { return FlagsText(info.FileFlags); });
}

VersionText GetFileOSText(const VersionSystem& system, const std::string& fileName, int maxLength) {
  return FixedInfoText(system, fileName, maxLength, [](const FixedInfo& info) {
    return Format("File OS %s", OSName(info.FileOS));
  });
}

VersionText GetFileTypeText(const VersionSystem& system, const std::string& fileName,
                            int maxLength) {
  return FixedInfoText(system, fileName, maxLength, [](const FixedInfo& info) {
    return Format("File Type %s", TypeName(info.FileType));
  });
}

VersionText GetFileSubTypeText(const VersionSystem& system, const std::string& fileName,
                               int maxLength) {
  return FixedInfoText(system, fileName, maxLength, [](const FixedInfo& info) {
    return Format("File SubType %s", SubtypeName(info.FileType, info.FileSubtype));
  });
}

VersionText GetLanguageText(const VersionSystem& system, const std::string& fileName,
                            int maxLength) {
  auto block = system.ReadVersionBlock(fileName);
  if (!block) return VersionText{};
  auto translation = FirstTranslation(*block);
  if (!translation || translation->Language == 0) return VersionText{};
  std::string name = system.LanguageName(translation->Language);
  if (name.empty()) return VersionText{};
  return Deliver("Language " + name, maxLength);
}

#define VERSIONINFO_STRING_OPERATION(Name, Key)                                               \
  VersionText Name(const VersionSystem& system, const std::string& fileName, int maxLength) { \
    return StringText(system, fileName, Key, maxLength);                                      \
  }
VERSIONINFO_STRING_OPERATION(GetCompanyName, "CompanyName")
VERSIONINFO_STRING_OPERATION(GetFileDescription, "FileDescription")
VERSIONINFO_STRING_OPERATION(GetFileVersionString, "FileVersion")
VERSIONINFO_STRING_OPERATION(GetInternalName, "InternalName")
VERSIONINFO_STRING_OPERATION(GetCopyright, "LegalCopyright")
VERSIONINFO_STRING_OPERATION(GetTrademarks, "LegalTrademarks")
VERSIONINFO_STRING_OPERATION(GetProductName, "ProductName")
VERSIONINFO_STRING_OPERATION(GetProductVersionString, "ProductVersion")
#undef VERSIONINFO_STRING_OPERATION

#define VERSIONINFO_DEFAULT_FORM(Name)                           \
  VersionText Name(const std::string& fileName, int maxLength) { \
    return Name(DefaultVersionSystem(), fileName, maxLength);    \
  }
VERSIONINFO_DEFAULT_FORM(GetFileVersionText)
VERSIONINFO_DEFAULT_FORM(GetProductVersionText)
VERSIONINFO_DEFAULT_FORM(GetFileFlagsText)
VERSIONINFO_DEFAULT_FORM(GetFileOSText)
VERSIONINFO_DEFAULT_FORM(GetFileTypeText)
VERSIONINFO_DEFAULT_FORM(GetFileSubTypeText)
VERSIONINFO_DEFAULT_FORM(GetLanguageText)
VERSIONINFO_DEFAULT_FORM(GetCompanyName)
VERSIONINFO_DEFAULT_FORM(GetFileDescription)
VERSIONINFO_DEFAULT_FORM(GetFileVersionString)
VERSIONINFO_DEFAULT_FORM(GetInternalName)
VERSIONINFO_DEFAULT_FORM(GetCopyright)
VERSIONINFO_DEFAULT_FORM(GetTrademarks)
VERSIONINFO_DEFAULT_FORM(GetProductName)
VERSIONINFO_DEFAULT_FORM(GetProductVersionString)
#undef VERSIONINFO_DEFAULT_FORM

const NamedOperation kVersionTextOperations[15] = {
    {"GetFileVersionText", &GetFileVersionText},
    {"GetProductVersionText", &GetProductVersionText},
    {"GetFileFlagsText", &GetFileFlagsText},
    {"GetFileOSText", &GetFileOSText},
    {"GetFileTypeText", &GetFileTypeText},
    {"GetFileSubTypeText", &GetFileSubTypeText},
    {"GetLanguageText", &GetLanguageText},
    {"GetCompanyName", &GetCompanyName},
    {"GetFileDescription", &GetFileDescription},
    {"GetFileVersionString", &GetFileVersionString},
    {"GetInternalName", &GetInternalName},
    {"GetCopyright", &GetCopyright},
    {"GetTrademarks", &GetTrademarks},
    {"GetProductName", &GetProductName},
    {"GetProductVersionString", &GetProductVersionString},
};

}  // namespace versioninfo

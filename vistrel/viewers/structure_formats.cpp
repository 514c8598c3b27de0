#include "vistrel/viewers/structure_formats.h"

#include <iterator>

#include "common/hex_text.h"
#include "vistrel/viewers/resource_script.h"

namespace vistrel {

namespace {

// Lines of one listing. A field that lies past the bytes ends the listing
// with kDataEndsHere; every later field is dropped.
class Listing {
 public:
  Listing(std::span<const uint8_t> bytes, std::vector<std::string>& lines)
      : bytes_(bytes), lines_(lines) {}

  bool Ended() const { return ended_; }
  bool Has(size_t offset, size_t width) const {
    return offset <= bytes_.size() && bytes_.size() - offset >= width;
  }
  uint64_t Value(size_t offset, size_t width) const {
    uint64_t value = 0;
    for (size_t i = width; i-- > 0;) value = value << 8 | bytes_[offset + i];
    return value;
  }
  // The field's line; false (and the closing line, once) when it is cut.
  bool Field(const std::string& label, size_t offset, size_t width) {
    if (!Require(offset, width)) return false;
    uint64_t value = Value(offset, width);
    lines_.push_back(label + (width == 8 ? common::HexText64(value)
                                         : common::HexText(static_cast<uint32_t>(value),
                                                           static_cast<int>(width))));
    return true;
  }
  bool Require(size_t offset, size_t width) {
    if (ended_) return false;
    if (Has(offset, width)) return true;
    End();
    return false;
  }
  void Line(std::string line) {
    if (!ended_) lines_.push_back(std::move(line));
  }
  void End() {
    if (!ended_) lines_.push_back(kDataEndsHere);
    ended_ = true;
  }

 private:
  std::span<const uint8_t> bytes_;
  std::vector<std::string>& lines_;
  bool ended_ = false;
};

struct FieldSpec {
  const char* Label;
  uint16_t Offset;
  uint8_t Width;
};

void Fields(Listing& out, size_t base, std::span<const FieldSpec> fields) {
  for (const FieldSpec& field : fields) {
    if (!out.Field(field.Label, base + field.Offset, field.Width)) return;
  }
}

std::string Indexed(const char* name, size_t index) {
  return std::string(name) + "[" + std::to_string(index) + "]";
}

void FileHeader(Listing& out) {
  static constexpr FieldSpec kFields[] = {
      {"Machine:\t", 4, 2},          {"NumberOfSections:\t", 6, 2},
      {"TimeDateStamp:\t", 8, 4},    {"PointerToSymbolTable:\t", 12, 4},
      {"NumberOfSymbols:\t", 16, 4}, {"SizeOfOptionalHeader:\t", 20, 2},
      {"Characteristics:\t", 22, 2},
  };
  // The signature line shows what the signature must be, not the bytes.
  out.Line("IMAGE_NT_SIGNATURE:\t" + common::HexText(0x00004550));
  Fields(out, 0, kFields);
}

// The optional header from block offset 4. PE32+ has no BaseOfData, 8-byte
// ImageBase and stack and heap sizes, and its directories 16 bytes later.
void OptionalHeader(Listing& out, bool pe32Plus) {
  static constexpr FieldSpec kPe32[] = {
      {"Magic:\t", 0, 2},
      {"MajorLinkerVersion:\t", 2, 1},
      {"MinorLinkerVersion:\t", 3, 1},
      {"SizeOfCode:\t", 4, 4},
      {"SizeOfInitializedData:\t", 8, 4},
      {"SizeOfUninitializedData:\t", 12, 4},
      {"AddressOfEntryPoint:\t", 16, 4},
      {"BaseOfCode:\t", 20, 4},
      {"BaseOfData:\t", 24, 4},
      {"ImageBase:\t", 28, 4},
      {"SectionAlignment:\t", 32, 4},
      {"FileAlignment:\t", 36, 4},
      {"MajorOperatingSystemVersion:\t", 40, 2},
      {"MinorOperatingSystemVersion:\t", 42, 2},
      {"MajorImageVersion:\t", 44, 2},
      {"MinorImageVersion:\t", 46, 2},
      {"MajorSubsystemVersion:\t", 48, 2},
      {"MinorSubsystemVersion:\t", 50, 2},
      {"Reserved1:\t", 52, 4},
      {"SizeOfImage:\t", 56, 4},
      {"SizeOfHeaders:\t", 60, 4},
      {"CheckSum:\t", 64, 4},
      {"Subsystem:\t", 68, 2},
      {"DllCharacteristics:\t", 70, 2},
      {"SizeOfStackReserve:\t", 72, 4},
      {"SizeOfStackCommit:\t", 76, 4},
      {"SizeOfHeapReserve:\t", 80, 4},
      {"SizeOfHeapCommit:\t", 84, 4},
      {"LoaderFlags:\t", 88, 4},
      {"NumberOfRvaAndSizes:\t", 92, 4},
  };
  static constexpr FieldSpec kPe32Plus[] = {
      {"Magic:\t", 0, 2},
      {"MajorLinkerVersion:\t", 2, 1},
      {"MinorLinkerVersion:\t", 3, 1},
      {"SizeOfCode:\t", 4, 4},
      {"SizeOfInitializedData:\t", 8, 4},
      {"SizeOfUninitializedData:\t", 12, 4},
      {"AddressOfEntryPoint:\t", 16, 4},
      {"BaseOfCode:\t", 20, 4},
      {"ImageBase:\t", 24, 8},
      {"SectionAlignment:\t", 32, 4},
      {"FileAlignment:\t", 36, 4},
      {"MajorOperatingSystemVersion:\t", 40, 2},
      {"MinorOperatingSystemVersion:\t", 42, 2},
      {"MajorImageVersion:\t", 44, 2},
      {"MinorImageVersion:\t", 46, 2},
      {"MajorSubsystemVersion:\t", 48, 2},
      {"MinorSubsystemVersion:\t", 50, 2},
      {"Reserved1:\t", 52, 4},
      {"SizeOfImage:\t", 56, 4},
      {"SizeOfHeaders:\t", 60, 4},
      {"CheckSum:\t", 64, 4},
      {"Subsystem:\t", 68, 2},
      {"DllCharacteristics:\t", 70, 2},
      {"SizeOfStackReserve:\t", 72, 8},
      {"SizeOfStackCommit:\t", 80, 8},
      {"SizeOfHeapReserve:\t", 88, 8},
      {"SizeOfHeapCommit:\t", 96, 8},
      {"LoaderFlags:\t", 104, 4},
      {"NumberOfRvaAndSizes:\t", 108, 4},
  };
  constexpr size_t kStart = 4;
  Fields(out, kStart, pe32Plus ? std::span<const FieldSpec>(kPe32Plus) : kPe32);
  // All sixteen, whatever NumberOfRvaAndSizes says.
  size_t directories = kStart + (pe32Plus ? 112 : 96);
  for (size_t i = 0; i < 16 && !out.Ended(); ++i) {
    size_t at = directories + 8 * i;
    if (!out.Require(at, 4)) break;
    out.Line(Indexed("DataDirectory", i));
    out.Field("  VirtualAddress:\t", at, 4);
    out.Field("  Size:\t", at + 4, 4);
  }
}

void BitmapHeader(Listing& out, bool cursor) {
  static constexpr FieldSpec kFields[] = {
      {"bmiHeader.biSize:\t", 0, 4},           {"bmiHeader.biWidth:\t", 4, 4},
      {"bmiHeader.biHeight:\t", 8, 4},         {"bmiHeader.biPlanes:\t", 12, 2},
      {"bmiHeader.biBitCount:\t", 14, 2},      {"bmiHeader.biCompression:\t", 16, 4},
      {"bmiHeader.biSizeImage:\t", 20, 4},     {"bmiHeader.biXPelsPerMeter:\t", 24, 4},
      {"bmiHeader.biYPelsPerMeter:\t", 28, 4}, {"bmiHeader.biClrUsed:\t", 32, 4},
      {"bmiHeader.biClrImportant:\t", 36, 4},
  };
  size_t header = 0;
  if (cursor) {
    out.Field("CursorComponent.xHotspot:\t", 0, 2);
    out.Field("CursorComponent.yHotspot:\t", 2, 2);
    header = 4;
  }
  Fields(out, header, kFields);
  if (out.Ended()) return;
  uint64_t colours = out.Value(header + 32, 4);
  if (colours == 0) {
    switch (out.Value(header + 14, 2)) {
      case 1:
        colours = 2;
        break;
      case 4:
        colours = 16;
        break;
      case 8:
        colours = 256;
        break;
      default:
        break;
    }
  }
  // The table follows the 40-byte header whatever biSize says; whole
  // entries only.
  for (uint64_t i = 0; i < colours; ++i) {
    size_t at = header + 40 + 4 * static_cast<size_t>(i);
    if (!out.Require(at, 4)) return;
    out.Line(Indexed("bmiColors", i));
    out.Field("  rgbBlue\t", at, 1);
    out.Field("  rgbGreen\t", at + 1, 1);
    out.Field("  rgbRed\t", at + 2, 1);
    out.Field("  rgbReserved\t", at + 3, 1);
  }
}

void GroupDirectory(Listing& out) {
  static constexpr FieldSpec kEntry[] = {
      {"  Width\t", 0, 1},      {"  Height\t", 1, 1}, {"  ColorCount\t", 2, 1},
      {"  Reserved\t", 3, 1},   {"  Planes\t", 4, 2}, {"  BitCount\t", 6, 2},
      {"  BytesInRes\t", 8, 4}, {"  ResID\t", 12, 2},
  };
  if (!out.Field("Reserved:\t", 0, 2) || !out.Field("ResourceType:\t", 2, 2) ||
      !out.Field("ResourceCount:\t", 4, 2)) {
    return;
  }
  uint64_t count = out.Value(4, 2);
  for (size_t i = 0; i < count; ++i) {
    size_t at = 6 + 14 * i;
    if (!out.Require(at, 14)) return;
    out.Line(Indexed("ResourceEntry", i));
    Fields(out, at, kEntry);
  }
}

// The stated length gives the number of entries; whole entries only.
void AcceleratorTable(Listing& out, int32_t length) {
  size_t count = length > 0 ? static_cast<size_t>(length) / 8 : 0;
  for (size_t i = 0; i < count; ++i) {
    size_t at = 8 * i;
    if (!out.Require(at, 8)) return;
    out.Line(Indexed("AcceleratorEntry", i));
    out.Field("  Flags\t", at, 2);
    out.Field("  VirtKey\t", at + 2, 2);
    out.Field("  MenuId\t", at + 4, 2);
    out.Field("  Padding\t", at + 6, 2);
  }
}

// The fixed record at 40, then the first translation word pair at 92.
void FixedVersion(Listing& out) {
  static constexpr const char* kLabels[] = {
      "Signature:\t",        "StrucVersion:\t",     "FileVersionMS:\t", "FileVersionLS:\t",
      "ProductVersionMS:\t", "ProductVersionLS:\t", "FileFlagsMask:\t", "FileFlags:\t",
      "FileOS:\t",           "FileType:\t",         "FileSubtype:\t",   "FileDateMS:\t",
      "FileDateLS:\t",
  };
  constexpr size_t kRecord = 40;
  for (size_t i = 0; i < std::size(kLabels); ++i) {
    if (!out.Field(kLabels[i], kRecord + 4 * i, 4)) return;
  }
  out.Field("Language:\t", 92, 4);
}

}  // namespace

uint8_t StructureKindOfResourceType(uint32_t type) {
  switch (type) {
    case 1:
      return kCursorStructure;
    case 2:
      return kBitmapStructure;
    case 3:
      return kIconStructure;
    case 4:
      return kMenuStructure;
    case 5:
      return kDialogStructure;
    case 9:
      return kAcceleratorStructure;
    case 12:
      return kCursorGroupStructure;
    case 14:
      return kIconGroupStructure;
    case 16:
      return kVersionStructure;
    default:
      return kNoStructure;
  }
}

std::vector<std::string> StructureLines(uint8_t kind, std::span<const uint8_t> bytes,
                                        int32_t length, bool pe32Plus) {
  std::vector<std::string> lines;
  lines.push_back("Structure Size = " + std::to_string(length) + " Bytes");
  Listing out(bytes, lines);
  switch (kind) {
    case kFileHeaderStructure:
      FileHeader(out);
      break;
    case kOptionalHeaderStructure:
      OptionalHeader(out, pe32Plus);
      break;
    case kCursorStructure:
    case kBitmapStructure:
    case kIconStructure:
      BitmapHeader(out, kind == kCursorStructure);
      break;
    case kCursorGroupStructure:
    case kIconGroupStructure:
      GroupDirectory(out);
      break;
    case kAcceleratorStructure:
      AcceleratorTable(out, length);
      break;
    case kVersionStructure:
      FixedVersion(out);
      break;
    case kMenuStructure: {
      auto menu = MenuTemplateLines(bytes, length);
      lines.insert(lines.end(), menu.begin(), menu.end());
      break;
    }
    case kDialogStructure: {
      auto dialog = DialogTemplateLines(bytes);
      lines.insert(lines.end(), dialog.begin(), dialog.end());
      break;
    }
    default:
      lines.push_back(kNoStructureDefined);
      break;
  }
  return lines;
}

}  // namespace vistrel

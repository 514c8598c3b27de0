#include "vistrel/viewers/image_formats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vistrel {
namespace {

constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
// Larger pictures are not drawn: 16384 rows of 16384 pixels is already a
// gigabyte at 32 bits.
constexpr uint32_t kMaxDimension = 16384;
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::optional<uint32_t> Le(std::span<const uint8_t> bytes, size_t at, size_t width) {
  if (at > bytes.size() || bytes.size() - at < width) return std::nullopt;
  uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | bytes[at + i];
  return value;
}
std::optional<uint32_t> Le16(std::span<const uint8_t> bytes, size_t at) {
  return Le(bytes, at, 2);
}
std::optional<uint32_t> Le32(std::span<const uint8_t> bytes, size_t at) {
  return Le(bytes, at, 4);
}

void AppendUtf8(std::string& text, uint32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | c >> 6);
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | c >> 12);
    text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | c >> 18);
    text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

struct KeyNameEntry {
  uint16_t Code;
  const char* Name;
};

// The virtual keys that have names, in code order.
constexpr KeyNameEntry kKeyNames[] = {
    {0x01, "LBUTTON"}, {0x02, "RBUTTON"},    {0x03, "CANCEL"},    {0x04, "MBUTTON"},
    {0x08, "BACK"},    {0x09, "TAB"},        {0x0C, "CLEAR"},     {0x0D, "RETURN"},
    {0x10, "SHIFT"},   {0x11, "CONTROL"},    {0x12, "MENU"},      {0x13, "PAUSE"},
    {0x14, "CAPITAL"}, {0x1B, "ESCAPE"},     {0x20, "SPACE"},     {0x21, "PRIOR"},
    {0x22, "NEXT"},    {0x23, "END"},        {0x24, "HOME"},      {0x25, "LEFT"},
    {0x26, "UP"},      {0x27, "RIGHT"},      {0x28, "DOWN"},      {0x29, "SELECT"},
    {0x2A, "PRINT"},   {0x2B, "EXECUTE"},    {0x2C, "SNAPSHOT"},  {0x2D, "INSERT"},
    {0x2E, "DELETE"},  {0x2F, "HELP"},       {0x5B, "LWIN"},      {0x5C, "RWIN"},
    {0x5D, "APPS"},    {0x60, "NUMPAD0"},    {0x61, "NUMPAD1"},   {0x62, "NUMPAD2"},
    {0x63, "NUMPAD3"}, {0x64, "NUMPAD4"},    {0x65, "NUMPAD5"},   {0x66, "NUMPAD6"},
    {0x67, "NUMPAD7"}, {0x68, "NUMPAD8"},    {0x69, "NUMPAD9"},   {0x6A, "MULTIPLY"},
    {0x6B, "ADD"},     {0x6C, "SEPARATOR"},  {0x6D, "SUBTRACT"},  {0x6E, "DECIMAL"},
    {0x6F, "DIVIDE"},  {0x70, "F1"},         {0x71, "F2"},        {0x72, "F3"},
    {0x73, "F4"},      {0x74, "F5"},         {0x75, "F6"},        {0x76, "F7"},
    {0x77, "F8"},      {0x78, "F9"},         {0x79, "F10"},       {0x7A, "F11"},
    {0x7B, "F12"},     {0x7C, "F13"},        {0x7D, "F14"},       {0x7E, "F15"},
    {0x7F, "F16"},     {0x80, "F17"},        {0x81, "F18"},       {0x82, "F19"},
    {0x83, "F20"},     {0x84, "F21"},        {0x85, "F22"},       {0x86, "F23"},
    {0x87, "F24"},     {0x90, "NUMLOCK"},    {0x91, "SCROLL"},    {0xA0, "LSHIFT"},
    {0xA1, "RSHIFT"},  {0xA2, "LCONTROL"},   {0xA3, "RCONTROL"},  {0xA4, "LMENU"},
    {0xA5, "RMENU"},   {0xE5, "PROCESSKEY"}, {0xF6, "ATTN"},      {0xF7, "CRSEL"},
    {0xF8, "EXSEL"},   {0xF9, "EREOF"},      {0xFA, "PLAY"},      {0xFB, "ZOOM"},
    {0xFC, "NONAME"},  {0xFD, "PA1"},        {0xFE, "OEM_CLEAR"},
};
static_assert(std::size(kKeyNames) == 91);

}  // namespace

std::optional<DibLayout> ReadDibHeader(std::span<const uint8_t> dib, bool iconImage) {
  auto headerSize = Le32(dib, 0);
  if (!headerSize) return std::nullopt;
  DibLayout layout;
  layout.HeaderSize = *headerSize;
  if (*headerSize == kCoreHeaderSize && dib.size() >= kCoreHeaderSize) {
    layout.Width = *Le16(dib, 4);
    layout.Height = *Le16(dib, 6);
    layout.Planes = static_cast<uint16_t>(*Le16(dib, 8));
    layout.BitCount = static_cast<uint16_t>(*Le16(dib, 10));
    layout.EntrySize = 3;
  } else if (*headerSize >= kInfoHeaderSize && *headerSize <= dib.size()) {
    const auto width = static_cast<int32_t>(*Le32(dib, 4));
    const auto height = static_cast<int32_t>(*Le32(dib, 8));
    layout.Width = width < 0 ? 0 : static_cast<uint32_t>(width);
    // Rows stored top down have a negative height.
    layout.Height = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
    layout.Planes = static_cast<uint16_t>(*Le16(dib, 12));
    layout.BitCount = static_cast<uint16_t>(*Le16(dib, 14));
    layout.Compression = *Le32(dib, 16);
    layout.ColorsUsed = *Le32(dib, 32);
    // Only the short header leaves the colour masks out of itself.
    if (*headerSize == kInfoHeaderSize && layout.Compression == kBitFields) layout.Masks = 12;
    if (*headerSize == kInfoHeaderSize && layout.Compression == kAlphaBitFields) layout.Masks = 16;
    if (layout.Compression == kRle8 || layout.Compression == kRle4) {
      layout.BitsSize = *Le32(dib, 20);
    }
  } else {
    return std::nullopt;
  }
  if (iconImage) layout.Height /= 2;
  // No colour table for more than 8 bits a pixel unless the header counts one.
  layout.Colors = layout.ColorsUsed != 0                        ? layout.ColorsUsed
                  : layout.BitCount > 0 && layout.BitCount <= 8 ? 1u << layout.BitCount
                                                                : 0;
  const uint64_t offset =
      uint64_t{layout.HeaderSize} + layout.Masks + uint64_t{layout.Colors} * layout.EntrySize;
  layout.BitsOffset = offset > dib.size() ? dib.size() + 1 : static_cast<size_t>(offset);
  if (layout.Compression != kRle8 && layout.Compression != kRle4) {
    const uint64_t stride = (uint64_t{layout.Width} * layout.BitCount + 31) / 32 * 4;
    layout.BitsSize = stride * layout.Height;
  }
  return layout;
}

std::optional<DibLayout> ReadDib(std::span<const uint8_t> dib, bool iconImage) {
  auto layout = ReadDibHeader(dib, iconImage);
  if (!layout) return std::nullopt;
  const uint16_t bits = layout->BitCount;
  const uint32_t c = layout->Compression;
  const bool plain = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  const bool fits = c == kRgb                                 ? plain
                    : c == kRle8                              ? bits == 8
                    : c == kRle4                              ? bits == 4
                    : c == kBitFields || c == kAlphaBitFields ? bits == 16 || bits == 32
                                                              : false;
  if (!fits || layout->Width == 0 || layout->Height == 0 || layout->Width > kMaxDimension ||
      layout->Height > kMaxDimension || layout->BitsSize == 0) {
    return std::nullopt;
  }
  // A palette larger than the bits can address is no picture either.
  if (bits <= 8 && layout->Colors > (1u << bits)) return std::nullopt;
  if (layout->BitsOffset > dib.size() || dib.size() - layout->BitsOffset < layout->BitsSize) {
    return std::nullopt;
  }
  return layout;
}

std::optional<PngHeader> ReadPngHeader(std::span<const uint8_t> image) {
  // The signature, then the IHDR chunk first: length, type, width, height,
  // bit depth, colour type.
  if (image.size() < 26 || !std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin()) ||
      std::memcmp(image.data() + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  auto be32 = [&](size_t at) {
    return uint32_t{image[at]} << 24 | uint32_t{image[at + 1]} << 16 |
           uint32_t{image[at + 2]} << 8 | image[at + 3];
  };
  PngHeader header;
  header.Width = be32(16);
  header.Height = be32(20);
  static constexpr uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint8_t colorType = image[25];
  header.BitCount = static_cast<uint16_t>(image[24] * (colorType < 7 ? kChannels[colorType] : 0));
  return header;
}

std::optional<GroupEntry> FirstGroupEntry(std::span<const uint8_t> directory) {
  auto count = Le16(directory, 4);
  auto bytes = Le32(directory, 14);
  auto id = Le16(directory, 18);
  if (!count || *count == 0 || !bytes || !id) return std::nullopt;
  return GroupEntry{static_cast<uint16_t>(*id), *bytes};
}

std::optional<std::string> CursorHotspotText(std::span<const uint8_t> cursor) {
  auto x = Le16(cursor, 0), y = Le16(cursor, 2);
  if (!x || !y) return std::nullopt;
  return std::to_string(*x) + ", " + std::to_string(*y);
}

std::vector<std::string> StringTableLines(uint32_t block, std::span<const uint8_t> data) {
  std::vector<std::string> lines;
  size_t at = 0;
  // The block's ids run from (block - 1) * 16 (in 64 bits: no block
  // number overflows).
  const int64_t first = (int64_t{block} - 1) * 16;
  for (int i = 0; i < 16; ++i) {
    auto length = Le16(data, at);
    if (!length) break;
    at += 2;
    if ((data.size() - at) / 2 < *length) break;
    if (*length > 0) {
      std::vector<uint16_t> chars(*length);
      for (size_t k = 0; k < chars.size(); ++k)
        chars[k] = static_cast<uint16_t>(*Le16(data, at + 2 * k));
      lines.push_back(std::to_string(first + i) + " - " + Utf16ToUtf8(chars));
    }
    at += size_t{*length} * 2;
  }
  return lines;
}

uint32_t BlockNumberOf(const std::string& name) {
  uint32_t value = 0;
  const char* end = name.data() + name.size();
  auto [ptr, ec] = std::from_chars(name.data(), end, value);
  if (name.empty() || ec != std::errc() || ptr != end) {
    throw std::runtime_error("'" + name + "' is not a valid integer value");
  }
  return value;
}

std::string KeyName(uint16_t code) {
  auto it = std::lower_bound(std::begin(kKeyNames), std::end(kKeyNames), code,
                             [](const KeyNameEntry& e, uint16_t c) { return e.Code < c; });
  if (it != std::end(kKeyNames) && it->Code == code) return it->Name;
  // The character of the low byte, read as Latin-1 (a zero byte is none).
  std::string text;
  if (uint8_t low = code & 0xFF) AppendUtf8(text, low);
  return text;
}

std::vector<std::string> AcceleratorLines(std::span<const uint8_t> data) {
  constexpr uint32_t kVirtKey = 0x0001, kLastEntry = 0x0080;
  std::vector<std::string> lines;
  for (size_t at = 0; data.size() - at >= 8; at += 8) {
    const uint32_t flags = *Le16(data, at);
    const uint16_t key = static_cast<uint16_t>(*Le16(data, at + 2));
    const uint32_t command = *Le16(data, at + 4);
    // Only a single modifier on a virtual key is named.
    const char* modifier = "";
    switch (flags & ~kLastEntry) {
      case 0x0005:
        modifier = "SHIFT+";
        break;
      case 0x0009:
        modifier = "CTRL+";
        break;
      case 0x0011:
        modifier = "ALT+";
        break;
    }
    lines.push_back(std::string(modifier) + KeyName(key) + " " +
                    ((flags & kVirtKey) ? "(VIRTKEY) " : "") + "- " + std::to_string(command));
  }
  return lines;
}

std::string Utf16ToUtf8(std::span<const uint16_t> chars, bool* lone) {
  std::string text;
  if (lone) *lone = false;
  for (size_t i = 0; i < chars.size(); ++i) {
    uint32_t u = chars[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < chars.size() && chars[i + 1] >= 0xDC00 &&
        chars[i + 1] <= 0xDFFF) {
      AppendUtf8(text, 0x10000 + ((u - 0xD800) << 10) + (chars[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      if (lone) *lone = true;
      AppendUtf8(text, 0xFFFD);
    } else {
      AppendUtf8(text, u);
    }
  }
  return text;
}

}  // namespace vistrel

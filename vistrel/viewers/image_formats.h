// What the image viewer reads out of a resource's bytes: the layout of a
// device-independent bitmap (a bitmap resource, or the colour and mask rows
// of an icon or cursor image), the PNG images newer icons hold, a group
// directory's first image, a cursor's hot spot, a string-table block and an
// accelerator table as lines of text. Every read stays within the bytes
// given; data that does not hold what its header promises is no image.
#ifndef VISTREL_VIEWERS_IMAGE_FORMATS_H
#define VISTREL_VIEWERS_IMAGE_FORMATS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vistrel {

inline constexpr const char* kUnknownFormat = "Unknown format or unable to display resource.";

struct DibLayout {
  uint32_t HeaderSize = 0;  // 12 for the old core header, 40 and more otherwise
  uint32_t Width = 0;
  // Rows of the picture: for an icon or cursor image the colour rows only
  // (its header counts the mask rows too).
  uint32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t ColorsUsed = 0;  // as the header says (0: the default)
  uint32_t Colors = 0;      // entries of the colour table that precedes the bits
  uint32_t EntrySize = 4;   // bytes per entry: 3 after a core header
  uint32_t Masks = 0;       // bytes of colour masks after a 40-byte header
  size_t BitsOffset = 0;    // header, masks and colour table
  uint64_t BitsSize = 0;    // bytes of the picture's rows (compressed: as the header says)
};

// The header of a device-independent bitmap at the start of `dib`; nullopt
// when it is none or its header runs past `dib`. iconImage: an icon or
// cursor image, whose height counts the colour and the mask rows.
std::optional<DibLayout> ReadDibHeader(std::span<const uint8_t> dib, bool iconImage);
// A picture the platform can draw from `dib`: a header of a known kind, a
// bit count and compression that go together, a sane size, and the colour
// table and every row of the picture within `dib`.
std::optional<DibLayout> ReadDib(std::span<const uint8_t> dib, bool iconImage);

struct PngHeader {
  uint32_t Width = 0, Height = 0;
  uint16_t BitCount = 0;  // bits per pixel: depth times channels
};
std::optional<PngHeader> ReadPngHeader(std::span<const uint8_t> bytes);

// The first entry of an icon or cursor group's directory: the id of its
// image resource and the image's size in bytes.
struct GroupEntry {
  uint16_t Id = 0;
  uint32_t BytesInRes = 0;
};
std::optional<GroupEntry> FirstGroupEntry(std::span<const uint8_t> directory);

// The two words a cursor resource starts with, as "%d, %d".
std::optional<std::string> CursorHotspotText(std::span<const uint8_t> cursor);

// The strings of string-table block `block` (the resource's numeric name):
// "%d - %s" with each non-empty string's id, in id order. A string that
// runs past the data is not there.
std::vector<std::string> StringTableLines(uint32_t block, std::span<const uint8_t> data);
// A resource name as the block number it stands for; throws with the
// message the user sees when it is no number.
uint32_t BlockNumberOf(const std::string& name);

// The name of a virtual-key code (the VK_ constant's, without "VK_"), or the
// character of its low byte when the code has no name.
std::string KeyName(uint16_t code);
// One line per 8-byte entry: modifier, key name, "(VIRTKEY) " for virtual
// keys, and the command id.
std::vector<std::string> AcceleratorLines(std::span<const uint8_t> data);

// UTF-16 as UTF-8; a surrogate without its partner becomes U+FFFD and sets
// *lone.
std::string Utf16ToUtf8(std::span<const uint16_t> chars, bool* lone = nullptr);

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_IMAGE_FORMATS_H

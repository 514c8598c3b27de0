#include "vistrel/viewers/resource_extract.h"

#include <algorithm>
#include <array>
#include <limits>

#include "vistrel/viewers/image_formats.h"

namespace vistrel {
namespace {

constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kHotSpotSize = 4;
constexpr size_t kBitmapFileHeaderSize = 14;

std::optional<uint32_t> Le(std::span<const uint8_t> bytes, size_t at, size_t width) {
  if (at > bytes.size() || bytes.size() - at < width) return std::nullopt;
  uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | bytes[at + i];
  return value;
}
std::optional<uint32_t> Le16(std::span<const uint8_t> bytes, size_t at) {
  return Le(bytes, at, 2);
}
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// An icon file's byte for a width or height: 256 and more are written 0.
uint8_t DimensionByte(uint32_t v) {
  return v < 256 ? static_cast<uint8_t>(v) : 0;
}

// What an icon file's entry says of an image, read from the image itself.
struct ImageInfo {
  uint32_t Width = 0, Height = 0;
  uint32_t Colors = 0;  // 0 for 256 and more
  uint16_t Planes = 1, BitCount = 0;
};

std::optional<ImageInfo> PngInfo(std::span<const uint8_t> image) {
  auto png = ReadPngHeader(image);
  if (!png) return std::nullopt;
  ImageInfo info;
  info.Width = png->Width;
  info.Height = png->Height;
  info.BitCount = png->BitCount;
  return info;
}

// A device-independent bitmap as icons and cursors hold it: the height
// counts the colour and the mask rows.
std::optional<ImageInfo> DibInfo(std::span<const uint8_t> image) {
  auto dib = ReadDibHeader(image, true);
  if (!dib) return std::nullopt;
  ImageInfo info;
  info.Width = dib->Width;
  info.Height = dib->Height;
  info.Planes = dib->Planes;
  info.BitCount = dib->BitCount;
  if (info.BitCount > 0 && info.BitCount < 8) {
    const uint32_t palette = 1u << info.BitCount;
    const uint32_t used = dib->ColorsUsed;
    info.Colors = used != 0 && used < palette ? used : palette;
  }
  return info;
}

std::optional<ImageInfo> ImageInfoOf(std::span<const uint8_t> image) {
  if (auto png = PngInfo(image)) return png;
  return DibInfo(image);
}

std::string Describe(const nubrik::ResourceRecord& r) {
  return "resource " + std::to_string(r.Type) + "/" + r.Name;
}

ExtractResult Fail(std::string error) {
  return {std::nullopt, std::move(error)};
}

// A record's bytes, whole; the reason when the file does not hold them.
std::optional<std::span<const uint8_t>> WholeBytes(const nubrik::ResourceRecord& r,
                                                   const ResourceBytesOf& bytesOf,
                                                   std::string& error) {
  auto bytes = bytesOf(r);
  if (!bytes) {
    error = Describe(r) + ": its data lies outside the file";
    return std::nullopt;
  }
  if (bytes->size() < r.Size) {
    error = Describe(r) + ": its data runs past the end of the file";
    return std::nullopt;
  }
  return bytes->first(r.Size);
}

struct Image {
  std::array<uint8_t, 8> Entry{};  // the entry's fields before its size and offset
  std::span<const uint8_t> Data;
};

std::vector<uint8_t> IconFile(bool cursor, std::span<const Image> images) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, cursor ? 2 : 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(kGroupHeaderSize + kFileEntrySize * images.size());
  for (const auto& image : images) {
    out.insert(out.end(), image.Entry.begin(), image.Entry.end());
    Put32(out, static_cast<uint32_t>(image.Data.size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(image.Data.size());
  }
  for (const auto& image : images) Append(out, image.Data);
  return out;
}

// The entry of an image with its own header; the cursor's hot spot takes
// the planes and bit count.
std::optional<Image> ImageOf(std::span<const uint8_t> data, bool cursor) {
  Image image;
  std::optional<uint32_t> hotX, hotY;
  if (cursor) {
    hotX = Le16(data, 0);
    hotY = Le16(data, 2);
    if (!hotY) return std::nullopt;
    data = data.subspan(kHotSpotSize);
  }
  auto info = ImageInfoOf(data);
  if (!info) return std::nullopt;
  const uint16_t planes = cursor ? static_cast<uint16_t>(*hotX) : info->Planes;
  const uint16_t bitCount = cursor ? static_cast<uint16_t>(*hotY) : info->BitCount;
  image.Entry = {DimensionByte(info->Width),
                 DimensionByte(info->Height),
                 static_cast<uint8_t>(info->Colors < 256 ? info->Colors : 0),
                 0,
                 static_cast<uint8_t>(planes),
                 static_cast<uint8_t>(planes >> 8),
                 static_cast<uint8_t>(bitCount),
                 static_cast<uint8_t>(bitCount >> 8)};
  image.Data = data;
  return image;
}

ExtractResult Group(std::span<const nubrik::ResourceRecord> records,
                    const nubrik::ResourceRecord& group, std::span<const uint8_t> directory,
                    const ResourceBytesOf& bytesOf) {
  const bool cursor = group.Type == kResourceGroupCursor;
  const char* kind = cursor ? "cursor" : "icon";
  auto count = Le16(directory, 4);
  if (!count || (directory.size() - kGroupHeaderSize) / kGroupEntrySize < *count) {
    return Fail(Describe(group) + ": the " + kind + " group's directory is cut short");
  }
  std::vector<Image> images;
  uint64_t total = kGroupHeaderSize + kFileEntrySize * uint64_t{*count};
  for (size_t i = 0; i < *count; ++i) {
    const auto entry = directory.subspan(kGroupHeaderSize + kGroupEntrySize * i, kGroupEntrySize);
    const uint32_t id = *Le16(entry, 12);
    const auto* record =
        FindGroupImage(records, cursor ? kResourceCursor : kResourceIcon, id, group.Language);
    if (!record) {
      return Fail(Describe(group) + ": the file has no " + kind + " " + std::to_string(id) +
                  " that the group names");
    }
    std::string error;
    auto data = WholeBytes(*record, bytesOf, error);
    if (!data) return Fail(error);
    Image image;
    if (cursor) {
      // The group's entry has no colour count and its height counts both
      // masks by convention, not in every file: the image's own header says.
      if (data->size() < kHotSpotSize) {
        return Fail(Describe(*record) + ": the cursor has no hot spot");
      }
      auto own = ImageOf(*data, true);
      const uint32_t width = own ? own->Entry[0] : *Le16(entry, 0);
      const uint32_t height = own ? own->Entry[1] : *Le16(entry, 2) / 2;
      image.Entry = {static_cast<uint8_t>(width),
                     static_cast<uint8_t>(height),
                     0,
                     0,
                     (*data)[0],
                     (*data)[1],
                     (*data)[2],
                     (*data)[3]};
      image.Data = data->subspan(kHotSpotSize);
    } else {
      std::copy_n(entry.begin(), image.Entry.size(), image.Entry.begin());
      image.Data = *data;
    }
    total += image.Data.size();
    images.push_back(image);
  }
  if (total > std::numeric_limits<uint32_t>::max()) {
    return Fail(Describe(group) + ": too large for an " + kind + " file");
  }
  return {ExtractedResource{IconFile(cursor, images), cursor ? ".cur" : ".ico"}, {}};
}

ExtractResult Single(const nubrik::ResourceRecord& r, std::span<const uint8_t> data) {
  const bool cursor = r.Type == kResourceCursor;
  auto image = ImageOf(data, cursor);
  if (!image) {
    return Fail(Describe(r) + ": the " + (cursor ? "cursor" : "icon") +
                " is neither a bitmap nor a PNG image");
  }
  return {ExtractedResource{IconFile(cursor, std::span(&*image, 1)), cursor ? ".cur" : ".ico"}, {}};
}

ExtractResult Bitmap(const nubrik::ResourceRecord& r, std::span<const uint8_t> data) {
  auto dib = ReadDibHeader(data, false);
  if (!dib) return Fail(Describe(r) + ": not a bitmap");
  const uint64_t bits = kBitmapFileHeaderSize + uint64_t{dib->HeaderSize} + dib->Masks +
                        uint64_t{dib->Colors} * dib->EntrySize;
  const uint64_t size = kBitmapFileHeaderSize + uint64_t{data.size()};
  if (bits > size) return Fail(Describe(r) + ": the bitmap's colour table runs past its data");
  if (size > std::numeric_limits<uint32_t>::max()) {
    return Fail(Describe(r) + ": too large for a bitmap file");
  }
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, 0);  // reserved
  Put32(out, static_cast<uint32_t>(bits));
  Append(out, data);
  return {ExtractedResource{std::move(out), ".bmp"}, {}};
}

}  // namespace

const nubrik::ResourceRecord* FindGroupImage(std::span<const nubrik::ResourceRecord> records,
                                             uint32_t type, uint32_t id, uint32_t language) {
  const std::string name = std::to_string(id);
  const nubrik::ResourceRecord* first = nullptr;
  for (const auto& r : records) {
    if (r.Type != type || r.Name != name) continue;
    if (r.Language == language) return &r;
    if (!first) first = &r;
  }
  return first;
}

ExtractResult ExtractResource(std::span<const nubrik::ResourceRecord> records, size_t index,
                              const ResourceBytesOf& bytesOf) {
  if (index >= records.size()) return Fail("no such resource");
  const nubrik::ResourceRecord& r = records[index];
  std::string error;
  auto data = WholeBytes(r, bytesOf, error);
  if (!data) return Fail(error);
  switch (r.Type) {
    case kResourceGroupIcon:
    case kResourceGroupCursor:
      return Group(records, r, *data, bytesOf);
    case kResourceIcon:
    case kResourceCursor:
      return Single(r, *data);
    case kResourceBitmap:
      return Bitmap(r, *data);
    default:
      return {ExtractedResource{std::vector<uint8_t>(data->begin(), data->end()), ""}, {}};
  }
}

}  // namespace vistrel

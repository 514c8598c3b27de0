#include "vistrel/browser/image_layout.h"

#include <cstdlib>
#include <cstring>

namespace vistrel {
namespace {

// Bounds-checked little-endian reads of the file.
struct View {
  std::span<const uint8_t> Bytes;
  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= Bytes.size() && count <= Bytes.size() - offset;
  }
  std::optional<uint64_t> Read(uint64_t offset, int width) const {
    if (!Has(offset, width)) return std::nullopt;
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | Bytes[offset + i];
    return value;
  }
};

}  // namespace

void ImageLayout::Free::operator()(uint8_t* p) const {
  std::free(p);
}

std::optional<ImageLayout> ImageLayout::Build(std::span<const uint8_t> file) {
  View view{file};
  auto mz = view.Read(0, 2);
  auto lfanew = view.Read(0x3C, 4);
  if (!mz || *mz != 0x5A4D || !lfanew) return std::nullopt;
  uint64_t pe = *lfanew;
  auto sig = view.Read(pe, 4);
  if (!sig || *sig != 0x4550) return std::nullopt;
  uint64_t fileHeader = pe + 4;
  auto machine = view.Read(fileHeader, 2);
  auto sectionCount = view.Read(fileHeader + 2, 2);
  auto optionalSize = view.Read(fileHeader + 16, 2);
  uint64_t optional = fileHeader + 20;
  auto magic = view.Read(optional, 2);
  if (!machine || !sectionCount || !optionalSize || !magic) return std::nullopt;
  bool is64 = *magic == 0x20B;
  auto imageBase = is64 ? view.Read(optional + 24, 8) : view.Read(optional + 28, 4);
  auto imageSize = view.Read(optional + 56, 4);
  auto headerSize = view.Read(optional + 60, 4);
  if (!imageBase || !imageSize || !headerSize) return std::nullopt;
  if (*imageSize == 0 || *imageSize > kMaxImageSize) return std::nullopt;

  ImageLayout layout;
  layout.size_ = static_cast<size_t>(*imageSize);
  // calloc: untouched pages of a sparse image cost nothing.
  layout.data_.reset(static_cast<uint8_t*>(std::calloc(layout.size_, 1)));
  if (!layout.data_) return std::nullopt;
  layout.imageBase_ = *imageBase;
  layout.is64_ = is64;
  layout.machine_ = static_cast<uint16_t>(*machine);

  auto copy = [&](uint64_t from, uint64_t to, uint64_t count) {
    if (from >= file.size() || to >= layout.size_) return;
    count = std::min<uint64_t>(count, file.size() - from);
    count = std::min<uint64_t>(count, layout.size_ - to);
    std::memcpy(layout.data_.get() + to, file.data() + from, static_cast<size_t>(count));
  };
  copy(0, 0, *headerSize);
  uint64_t table = optional + *optionalSize;
  for (uint64_t i = 0; i < *sectionCount; ++i) {
    uint64_t at = table + i * 40;
    auto virtualSize = view.Read(at + 8, 4);
    auto rva = view.Read(at + 12, 4);
    auto rawSize = view.Read(at + 16, 4);
    auto rawPointer = view.Read(at + 20, 4);
    if (!virtualSize || !rva || !rawSize || !rawPointer) break;
    uint64_t count = *rawSize;
    if (*virtualSize != 0) count = std::min(count, *virtualSize);
    copy(*rawPointer, *rva, count);
  }
  return layout;
}

}  // namespace vistrel

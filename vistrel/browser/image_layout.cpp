#include "vistrel/browser/image_layout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "contracts/nubrik/pe_image.h"

namespace vistrel {
namespace {

// The parts of the image written so far, as disjoint [begin, end) ranges.
class Written {
 public:
  // Calls fill(begin, end) for each part of [begin, end) not written yet,
  // in order, then counts the whole range as written.
  template <typename Fill>
  void Claim(uint64_t begin, uint64_t end, Fill fill) {
    if (begin >= end) return;
    auto it = ranges_.upper_bound(begin);
    uint64_t at = begin;
    if (it != ranges_.begin() && std::prev(it)->second > at) at = std::prev(it)->second;
    for (; at < end; ++it) {
      const uint64_t next = it != ranges_.end() ? std::min(it->first, end) : end;
      if (at < next) fill(at, next);
      if (it == ranges_.end() || it->first >= end) break;
      at = std::max(at, it->second);
    }
    // Merge [begin, end) with every range it touches.
    uint64_t mergedBegin = begin, mergedEnd = end;
    auto first = ranges_.upper_bound(begin);
    if (first != ranges_.begin() && std::prev(first)->second >= begin) --first;
    auto last = first;
    for (; last != ranges_.end() && last->first <= end; ++last) {
      mergedBegin = std::min(mergedBegin, last->first);
      mergedEnd = std::max(mergedEnd, last->second);
    }
    ranges_.erase(first, last);
    ranges_.emplace(mergedBegin, mergedEnd);
  }

 private:
  std::map<uint64_t, uint64_t> ranges_;  // begin -> end
};

}  // namespace

void ImageLayout::Free::operator()(uint8_t* p) const {
  std::free(p);
}

std::optional<ImageLayout> ImageLayout::Build(std::span<const uint8_t> file) {
  return Build(pe::Image(file.data(), file.size()));
}

std::optional<ImageLayout> ImageLayout::Build(const pe::Image& image) {
  if (!image.IsPe() || !image.GetFileHeader() || !image.GetOptionalHeader()) return std::nullopt;
  const pe::OptionalHeader& optional = *image.GetOptionalHeader();
  if (optional.SizeOfImage == 0 || optional.SizeOfImage > kMaxImageSize) return std::nullopt;

  ImageLayout layout;
  layout.size_ = optional.SizeOfImage;
  // calloc: untouched pages of a sparse image cost nothing.
  layout.data_.reset(static_cast<uint8_t*>(std::calloc(layout.size_, 1)));
  if (!layout.data_) return std::nullopt;
  layout.imageBase_ = optional.ImageBase;
  layout.is64_ = optional.Is64();
  layout.machine_ = image.GetFileHeader()->Machine;

  const pe::ByteView& file = image.View();
  const uint64_t imageEnd = layout.size_;
  // Copies the file bytes at [offset, offset + (end - rva)) to [rva, end),
  // as far as the file goes.
  auto copy = [&](uint64_t rva, uint64_t end, uint64_t offset) {
    if (offset >= file.Size()) return;
    const uint64_t count = std::min<uint64_t>(end - rva, file.Size() - offset);
    if (const uint8_t* from = file.At(offset, count)) {
      std::memcpy(layout.data_.get() + rva, from, static_cast<size_t>(count));
    }
  };
  // As the reader maps an RVA: the first section in table order that holds
  // it wins, its raw part from the file and the rest zero; the headers take
  // what no section holds. Every byte is written at most once.
  Written written;
  for (const pe::SectionHeader& s : image.Sections()) {
    const uint64_t begin = s.VirtualAddress;
    const uint64_t end = std::min(pe::Image::SectionEnd(s), imageEnd);
    const auto raw = image.SectionFileRange(s);
    const uint64_t rawEnd = std::min(begin + raw.Size, end);
    written.Claim(begin, end, [&](uint64_t from, uint64_t to) {
      if (from < rawEnd) copy(from, std::min(to, rawEnd), raw.Offset + (from - begin));
    });
  }
  // A file without sections is mapped whole as it is stored.
  const uint64_t headersEnd =
      image.Sections().empty() ? imageEnd : std::min<uint64_t>(optional.SizeOfHeaders, imageEnd);
  written.Claim(0, headersEnd, [&](uint64_t from, uint64_t to) { copy(from, to, from); });
  return layout;
}

}  // namespace vistrel

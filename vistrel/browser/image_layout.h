// The browsed file laid out as the loader would place it, in a private
// buffer: headers at 0, each section's raw data at its RVA. The file's code
// never runs; addresses "in the loaded module" are read from here. Built
// from the PE reader with its rules, so every byte here is the byte that
// the reader's RVA-to-offset mapping names (zero where it names none).
#ifndef VISTREL_BROWSER_IMAGE_LAYOUT_H
#define VISTREL_BROWSER_IMAGE_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace pe {
class Image;
}  // namespace pe

namespace vistrel {

class ImageLayout {
 public:
  // Largest image we lay out; bigger claims are treated as no layout.
  static constexpr uint64_t kMaxImageSize = 256ull << 20;

  // nullopt when the file is not a PE image we can lay out. Each byte of
  // the image is written at most once: the work is bounded by SizeOfImage
  // (and kMaxImageSize) however many sections claim the same bytes.
  static std::optional<ImageLayout> Build(const pe::Image& image);
  static std::optional<ImageLayout> Build(std::span<const uint8_t> file);

  std::span<const uint8_t> Bytes() const { return {data_.get(), size_}; }
  uint64_t ImageBase() const { return imageBase_; }
  bool Is64Bit() const { return is64_; }
  uint16_t Machine() const { return machine_; }

 private:
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_ = 0;
  uint64_t imageBase_ = 0;
  bool is64_ = false;
  uint16_t machine_ = 0;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_IMAGE_LAYOUT_H

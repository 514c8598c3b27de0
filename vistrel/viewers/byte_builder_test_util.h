// Little-endian byte blocks for the formatters' tests: words, strings in
// UTF-16 and alignment, written in template order.
#ifndef VISTREL_VIEWERS_BYTE_BUILDER_TEST_UTIL_H
#define VISTREL_VIEWERS_BYTE_BUILDER_TEST_UTIL_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vistrel::test {

class Bytes {
 public:
  Bytes& U8(uint8_t v) {
    data_.push_back(v);
    return *this;
  }
  Bytes& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& U64(uint64_t v) {
    return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32));
  }
  // UTF-16 units and the terminating zero.
  Bytes& Str(const std::u16string& text) {
    for (char16_t c : text) U16(c);
    return U16(0);
  }
  Bytes& Ordinal(uint16_t v) { return U16(0xFFFF).U16(v); }
  Bytes& Align4() {
    while (data_.size() % 4) U8(0);
    return *this;
  }
  Bytes& Zeros(size_t n) {
    data_.resize(data_.size() + n);
    return *this;
  }
  // Overwrites bytes already written.
  Bytes& Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data_.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    return *this;
  }
  size_t Size() const { return data_.size(); }
  const std::vector<uint8_t>& Data() const { return data_; }
  operator const std::vector<uint8_t>&() const { return data_; }
  operator std::span<const uint8_t>() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

}  // namespace vistrel::test

#endif  // VISTREL_VIEWERS_BYTE_BUILDER_TEST_UTIL_H

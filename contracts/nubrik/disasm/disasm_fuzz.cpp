// libFuzzer target: the decoder on any bytes with any end, in both widths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "contracts/nubrik/disasm/disasm.h"
#include "contracts/nubrik/nubrik.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte picks the text size (1..64); the rest is code, copied to a
  // buffer of exactly its size so ASan flags any read past the end.
  const size_t textSize = 1 + (data[0] & 63);
  const size_t n = size - 1;
  std::unique_ptr<uint8_t[]> code(new uint8_t[n]);
  std::memcpy(code.get(), data + 1, n);
  const uint8_t* end = code.get() + n;
  for (int bits : {32, 64}) {
    const uint8_t* p = code.get();
    while (p < end) {
      char text[80];
      std::memset(text, 'X', sizeof(text));
      int length = nubrik::disasm::Decode(p, end, 0x401000, bits, text, textSize);
      if (length < 1 || length > 15 || p + length > end) std::abort();
      if (std::memchr(text, '\0', textSize) == nullptr) std::abort();
      if (text[textSize] != 'X') std::abort();  // nothing written beyond textSize
      p += length;
    }
  }
  // The C interface with its own bound.
  const unsigned char* q = code.get();
  char text[100];
  int length = NubrikDisassembleEx(&q, end, 0x1000, 64, text, sizeof(text));
  if (length < 1 || q != code.get() + length) std::abort();
  return 0;
}

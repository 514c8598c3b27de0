// The library's C interface to the decoder (ordinals 24 and 26).
#include <cstdint>

#include "contracts/nubrik/disasm/disasm.h"
#include "contracts/nubrik/nubrik.h"

extern "C" {

int32_t NUBRIK_API NubrikDisassemble(const unsigned char** code, char* buffer100) {
  if (!buffer100) return 0;
  buffer100[0] = '\0';
  if (!code || !*code) return 0;
  // No end is given: the caller guarantees the longest instruction is readable.
  const unsigned char* start = *code;
  const int bits = sizeof(void*) == 8 ? 64 : 32;
  int length = nubrik::disasm::Decode(start, start + nubrik::disasm::kMaxLength,
                                      reinterpret_cast<uintptr_t>(start), bits, buffer100, 100);
  *code = start + length;
  return length;
}

int NUBRIK_API NubrikDisassembleEx(const unsigned char** code, const unsigned char* end,
                                   unsigned long long address, int bits, char* text, int textSize) {
  if (text && textSize > 0) text[0] = '\0';
  if (!code || !*code || !end || end <= *code || (bits != 32 && bits != 64)) return 0;
  if (!text || textSize <= 0) return 0;
  int length =
      nubrik::disasm::Decode(*code, end, address, bits, text, static_cast<size_t>(textSize));
  *code += length;
  return length;
}

}  // extern "C"

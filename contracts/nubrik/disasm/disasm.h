// x86 and x86-64 instruction decoder: one instruction to Intel-syntax text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nubrik::disasm {

// The longest instruction the processor accepts.
inline constexpr int kMaxLength = 15;

// Decodes one instruction at `code`, never reading at or past `end`, as if it
// were at `address` (branch targets and RIP-relative operands are resolved
// from it). `bits` is 32 or 64. Writes at most textSize bytes including the
// NUL. Returns the length (1..15); an undefined or truncated encoding gives
// "(bad)" and length 1. Returns 0 and empty text when no byte can be read.
int Decode(const uint8_t* code, const uint8_t* end, uint64_t address, int bits, char* text,
           size_t textSize);

// The same, into a string.
int Decode(const uint8_t* code, const uint8_t* end, uint64_t address, int bits, std::string& text);

}  // namespace nubrik::disasm

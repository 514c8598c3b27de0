// The portable reading of a version block: the same answers that the system's
// VerQueryValueA gives on the block that GetFileVersionInfoA returns, with
// every read checked against the bytes the block really holds.
//
// Two layouts exist. The UTF-16 one (what PE files carry and what the NT family
// returns) has nodes of {u16 length, u16 value length, u16 type, UTF-16 key,
// padding to 4, value, padding to 4, children}; the 8-bit one (16-bit files,
// and what other platforms return) has no type word and an 8-bit key. A block
// is taken as 8-bit when the byte at offset 4 is printable text, the same test
// the system makes.
#ifndef COMMON_VERSION_INFO_BLOCK_H
#define COMMON_VERSION_INFO_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/nubrik/pe_image.h"

namespace versioninfo {

// The bounds-checked byte view of the PE reader: reads that do not fit give
// nothing.
using ByteView = pe::ByteView;

// What a query of a sub-block gives: the value's bytes and the length that
// VerQueryValueA reports (bytes for binary values and 8-bit blocks, the
// converted 8-bit text's length for text values of UTF-16 blocks).
struct QueryResult {
  std::vector<uint8_t> Value;
  uint32_t Length = 0;
  bool IsText = false;
};

// True when the block is in the 8-bit layout.
bool IsEightBitLayout(ByteView block);

// The bytes of the block that are really its own: the first node's declared
// length, cut at the bytes present.
ByteView UsableBlock(ByteView block);

// VerQueryValueA on a block: the path's components are separated by "\",
// empty components are skipped, keys match without regard to case, an empty
// path or "\" names the root. Nothing when a component is not found or the
// block is malformed where the path leads.
std::optional<QueryResult> QueryBlock(ByteView block, std::string_view subBlock);

// Where the value that the path names ends in the block (its offset plus its
// size in bytes), whether or not the block holds it all.
std::optional<size_t> ValueEnd(ByteView block, std::string_view subBlock);

// Conversions between UTF-16 and the 8-bit text of the system's default code
// page as this unit gives it (Windows-1252; characters it lacks become "?").
std::string Utf16ToAnsi(const uint16_t* text, size_t count);
uint16_t AnsiToUtf16(uint8_t c);
// The 8-bit texts of this unit as UTF-8, for printing on a Linux terminal.
std::string AnsiToUtf8(const std::string& text);

}  // namespace versioninfo

#endif  // COMMON_VERSION_INFO_BLOCK_H

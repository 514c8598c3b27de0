// Where the version unit gets its facts: the system's version functions on
// Windows, or a reader of the file's own version resource anywhere.
//
// Both give the same thing: the block GetFileVersionInfoA returns (the
// resource RT_VERSION 16, id 1, as stored in the file), the answers of
// VerQueryValueA on it, and the name VerLanguageNameA gives a language id.
// The fifteen texts (common/version_info.h) are written once on top of this.
#ifndef COMMON_VERSION_INFO_SYSTEM_H
#define COMMON_VERSION_INFO_SYSTEM_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/version_info_block.h"

namespace versioninfo {

// One file's version block, owned by the caller and released when destroyed.
class VersionBlock {
 public:
  virtual ~VersionBlock() = default;
  // The block's own bytes: its declared length, cut at the bytes really read.
  virtual ByteView Bytes() const = 0;
  // VerQueryValueA on the block; nothing when the path is not found.
  virtual std::optional<QueryResult> Query(const std::string& subBlock) const = 0;
};

class VersionSystem {
 public:
  virtual ~VersionSystem() = default;
  // True on the Windows NT family: its blocks are in the UTF-16 layout.
  virtual bool IsWindowsNTPlatform() const = 0;
  // The file's version block, or nothing (no version resource, no such file,
  // unreadable file).
  virtual std::unique_ptr<VersionBlock> ReadVersionBlock(const std::string& fileName) const = 0;
  // The platform's name of a language id; empty when it has none.
  virtual std::string LanguageName(uint32_t languageId) const = 0;
};

// Reads the version resource out of the PE file itself (bounds-checked; a
// malformed file gives no block). It answers as the NT family does, because
// the block it reads is the file's UTF-16 resource unchanged, which is what
// the NT family returns; so IsWindowsNTPlatform is true here, on Linux too.
// Language names come from a table measured from the Windows function.
// A bare file name is opened as a path relative to the working directory.
const VersionSystem& PortableVersionSystem();

#ifdef _WIN32
// The system's own functions (Windows builds only).
const VersionSystem& WindowsVersionSystem();
#endif

// What the programs use: WindowsVersionSystem on Windows, else the portable one.
const VersionSystem& DefaultVersionSystem();

// Pieces of the portable system, for tests that build their own blocks.
std::unique_ptr<VersionBlock> MakePortableBlock(std::vector<uint8_t> bytes);
std::string PortableLanguageName(uint32_t languageId);

// The version resource of a PE file held in memory, as GetFileVersionInfoA
// would copy it; nothing when the file has none or it cannot be read whole.
std::optional<std::vector<uint8_t>> ReadVersionResource(ByteView file);

}  // namespace versioninfo

#endif  // COMMON_VERSION_INFO_SYSTEM_H

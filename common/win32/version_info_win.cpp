// The version unit on the system's own functions.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "common/version_info_system.h"
#include "common/win32/utf16.h"

namespace versioninfo {

namespace {

constexpr DWORD kLanguageNameRoom = 240;
constexpr DWORD kMaxBufferBytes = 2 * 0x10000 + 4;

class WindowsBlock : public VersionBlock {
 public:
  explicit WindowsBlock(std::vector<uint8_t> buffer) : buffer_(std::move(buffer)) {
    // The system copies the resource into the first part of the buffer and
    // keeps the rest (twice the resource and 4 bytes) for 8-bit copies of
    // its texts; only the copied part is the block.
    ByteView all(buffer_.data(), buffer_.size());
    size_t copied = buffer_.size();
    if (!IsEightBitLayout(all) && copied >= 4) copied = (copied - 4) / 2;
    bytes_ = UsableBlock(all.Sub(0, copied));
  }

  ByteView Bytes() const override { return bytes_; }

  std::optional<QueryResult> Query(const std::string& subBlock) const override {
    // The system trusts the lengths inside the block and writes the 8-bit
    // copies of texts behind it: ask it only for values that the block really
    // holds, so a malformed file cannot make it read or write past the buffer.
    auto checked = QueryBlock(bytes_, subBlock);
    if (!checked || !ValueInsideBlock(subBlock)) return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    std::vector<uint8_t>& buffer = const_cast<std::vector<uint8_t>&>(buffer_);
    const uint8_t* begin = buffer_.data();
    const uint8_t* end = begin + buffer_.size();
    QueryResult result;
    result.IsText = checked->IsText;
    if (IsEightBitLayout(bytes_)) {
      // A 16-bit file's block holds 8-bit texts: the 8-bit query hands them
      // over as stored, with no conversion through a code page.
      if (!VerQueryValueA(buffer.data(), subBlock.c_str(), &value, &length)) return std::nullopt;
    } else if (!VerQueryValueW(buffer.data(), common::Wide(subBlock).c_str(), &value, &length)) {
      return std::nullopt;
    }
    const uint8_t* p = static_cast<const uint8_t*>(value);
    if (!p || p < begin || p > end) return std::nullopt;
    size_t available = static_cast<size_t>(end - p);
    if (result.IsText) {
      // The UTF-16 text inside the block (its length counts characters),
      // given as the unit's 8-bit text.
      size_t units = std::min<size_t>(available / 2, length);
      std::vector<uint16_t> wide(units);
      if (units) std::memcpy(wide.data(), p, units * 2);
      std::string text = Utf16ToAnsi(wide.data(), wide.size());
      result.Value.assign(text.begin(), text.end());
      result.Length = static_cast<uint32_t>(text.size());
    } else {
      result.Length = length;
      result.Value.assign(p, p + std::min<size_t>(available, length));
    }
    return result;
  }

 private:
  // Walks the same path over the block's own bytes and checks that the node's
  // value ends inside them.
  bool ValueInsideBlock(const std::string& subBlock) const {
    auto declared = bytes_.U16(0);
    if (!declared || *declared != bytes_.Size()) return false;
    auto end = ValueEnd(bytes_, subBlock);
    return end && *end <= bytes_.Size();
  }

  std::vector<uint8_t> buffer_;
  ByteView bytes_;
};

class Windows : public VersionSystem {
 public:
  bool IsWindowsNTPlatform() const override {
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // 276 bytes
    if (!GetVersionExW(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  }

  std::unique_ptr<VersionBlock> ReadVersionBlock(const std::string& fileName) const override {
    DWORD handle = 0;
    std::wstring wideName = common::Wide(fileName);
    DWORD size = GetFileVersionInfoSizeW(wideName.c_str(), &handle);
    if (size == 0) return nullptr;
    // A block states its length in 16 bits; a larger resource is padding or
    // a hostile size. Room for that much and its 8-bit copies is enough.
    size = std::min<DWORD>(size, kMaxBufferBytes);
    std::vector<uint8_t> buffer;
    try {
      buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    if (!GetFileVersionInfoW(wideName.c_str(), 0, size, buffer.data())) return nullptr;
    return std::make_unique<WindowsBlock>(std::move(buffer));
  }

  std::string LanguageName(uint32_t languageId) const override {
    wchar_t name[kLanguageNameRoom + 1] = {};
    VerLanguageNameW(languageId, name, kLanguageNameRoom);
    // The unit's texts are 8-bit (see version_info_block.h).
    std::vector<uint16_t> units(name, name + wcsnlen(name, kLanguageNameRoom));
    return Utf16ToAnsi(units.data(), units.size());
  }
};

}  // namespace

const VersionSystem& WindowsVersionSystem() {
  static const Windows system;
  return system;
}

const VersionSystem& DefaultVersionSystem() {
  return WindowsVersionSystem();
}

}  // namespace versioninfo

// Builders of version blocks for the unit's tests, and a system that serves
// them as files.
#ifndef COMMON_VERSION_INFO_TEST_UTIL_H
#define COMMON_VERSION_INFO_TEST_UTIL_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/version_info_system.h"

namespace versioninfo::testing {

// One node of a block. Serialize() computes the lengths; set ValueLength to
// override the stored value length.
struct TestNode {
  TestNode(std::string key, std::vector<uint8_t> value = {}, uint16_t type = 0)
      : Key(std::move(key)), Value(std::move(value)), Type(type) {}
  std::string Key;
  std::vector<uint8_t> Value;
  uint16_t Type = 0;  // 1: text (UTF-16 layout)
  int ValueLength = -1;
  std::vector<TestNode> Children;
};

inline void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
inline void Pad4(std::vector<uint8_t>& out, size_t start) {
  while ((out.size() - start) % 4) out.push_back(0);
}

// The UTF-16 layout (eightBit false) or the 8-bit one.
inline std::vector<uint8_t> Serialize(const TestNode& node, bool eightBit = false) {
  std::vector<uint8_t> out;
  Put16(out, 0);  // length, patched below
  int valueLength = node.ValueLength;
  if (valueLength < 0) {
    valueLength =
        static_cast<int>((!eightBit && node.Type) ? node.Value.size() / 2 : node.Value.size());
  }
  Put16(out, static_cast<uint16_t>(valueLength));
  if (eightBit) {
    for (char c : node.Key) out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  } else {
    Put16(out, node.Type);
    for (char c : node.Key) Put16(out, static_cast<uint8_t>(c));
    Put16(out, 0);
  }
  Pad4(out, 0);
  if (eightBit && node.Type) {
    // Text values are 8-bit in this layout: keep the low byte of each unit.
    for (size_t i = 0; i < node.Value.size(); i += 2) out.push_back(node.Value[i]);
  } else {
    out.insert(out.end(), node.Value.begin(), node.Value.end());
  }
  for (const TestNode& child : node.Children) {
    Pad4(out, 0);
    std::vector<uint8_t> bytes = Serialize(child, eightBit);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out[0] = static_cast<uint8_t>(out.size());
  out[1] = static_cast<uint8_t>(out.size() >> 8);
  return out;
}

inline std::vector<uint8_t> Utf16Z(const std::u16string& text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) Put16(out, c);
  Put16(out, 0);
  return out;
}

struct Fixed {
  uint32_t FileMS = 0x00030002, FileLS = 0x00010000;
  uint32_t ProductMS = 0x00040000, ProductLS = 0x00000001;
  uint32_t Flags = 0, OS = 0x40004, Type = 1, Subtype = 0;
};

inline std::vector<uint8_t> FixedBytes(const Fixed& f) {
  std::vector<uint8_t> out;
  Put32(out, 0xFEEF04BD);
  Put32(out, 0x00010000);
  Put32(out, f.FileMS);
  Put32(out, f.FileLS);
  Put32(out, f.ProductMS);
  Put32(out, f.ProductLS);
  Put32(out, 0x3F);
  Put32(out, f.Flags);
  Put32(out, f.OS);
  Put32(out, f.Type);
  Put32(out, f.Subtype);
  Put32(out, 0);
  Put32(out, 0);
  return out;
}

using StringTable = std::vector<std::pair<std::string, std::u16string>>;

// A whole block: fixed information, string tables by their eight hex digits,
// and the translations (language, code page) in order.
inline TestNode Block(const Fixed& fixed, const std::map<std::string, StringTable>& tables,
                      const std::vector<std::pair<uint16_t, uint16_t>>& translations) {
  TestNode root{"VS_VERSION_INFO", FixedBytes(fixed)};
  TestNode strings{"StringFileInfo", {}, 1};
  for (const auto& [name, values] : tables) {
    TestNode table{name, {}, 1};
    for (const auto& [key, value] : values) table.Children.push_back({key, Utf16Z(value), 1});
    strings.Children.push_back(table);
  }
  TestNode vars{"VarFileInfo", {}, 1};
  std::vector<uint8_t> pairs;
  for (auto [language, codePage] : translations) {
    Put16(pairs, language);
    Put16(pairs, codePage);
  }
  vars.Children.push_back({"Translation", pairs, 0});
  root.Children.push_back(strings);
  root.Children.push_back(vars);
  return root;
}

// Files by name, each one version block; names not listed have none.
class BlockSystem : public VersionSystem {
 public:
  explicit BlockSystem(bool windowsNT = true) : windowsNT_(windowsNT) {}
  void Add(const std::string& name, std::vector<uint8_t> bytes) { files_[name] = std::move(bytes); }
  bool IsWindowsNTPlatform() const override { return windowsNT_; }
  std::unique_ptr<VersionBlock> ReadVersionBlock(const std::string& fileName) const override {
    auto it = files_.find(fileName);
    if (it == files_.end()) return nullptr;
    return MakePortableBlock(it->second);
  }
  std::string LanguageName(uint32_t languageId) const override {
    return PortableLanguageName(languageId);
  }

 private:
  bool windowsNT_;
  std::map<std::string, std::vector<uint8_t>> files_;
};

}  // namespace versioninfo::testing

#endif  // COMMON_VERSION_INFO_TEST_UTIL_H

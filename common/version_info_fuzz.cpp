// libFuzzer target: arbitrary bytes as a PE file and as a version block,
// through the resource search, the block walk and all fifteen texts.
#include <cstddef>
#include <cstdint>

#include "common/version_info.h"

namespace {

class InputSystem : public versioninfo::VersionSystem {
 public:
  InputSystem(const uint8_t* data, size_t size, bool asFile)
      : data_(data), size_(size), asFile_(asFile) {}
  bool IsWindowsNTPlatform() const override { return size_ % 2 == 0; }
  std::unique_ptr<versioninfo::VersionBlock> ReadVersionBlock(const std::string&) const override {
    versioninfo::ByteView bytes(data_, size_);
    if (!asFile_) return versioninfo::MakePortableBlock(std::vector<uint8_t>(data_, data_ + size_));
    auto resource = versioninfo::ReadVersionResource(bytes);
    if (!resource) return nullptr;
    return versioninfo::MakePortableBlock(std::move(*resource));
  }
  std::string LanguageName(uint32_t languageId) const override {
    return versioninfo::PortableLanguageName(languageId);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  bool asFile_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool asFile : {true, false}) {
    InputSystem system(data, size, asFile);
    for (const versioninfo::NamedOperation& op : versioninfo::kVersionTextOperations) {
      versioninfo::VersionText text = op.Operation(system, "input", 240);
      if (text.Length < 0 || (text.Length <= 240 && text.Text.size() != size_t(text.Length))) {
        __builtin_trap();
      }
    }
  }
  return 0;
}

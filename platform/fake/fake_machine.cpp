#include "platform/fake/fake_machine.h"

#include <algorithm>
#include <cctype>

namespace platform::fake {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class FakeView : public MappedFile {
 public:
  FakeView(const std::string& bytes, int* live) : bytes_(bytes), live_(live) { ++*live_; }
  ~FakeView() override { --*live_; }
  std::span<const uint8_t> Bytes() const override {
    return {reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()};
  }

 private:
  std::string bytes_;
  int* live_;
};

}  // namespace

std::string FakeRegistry::Id(RegistryRoot root, const std::string& key) {
  return std::to_string(static_cast<int>(root)) + ":" + Lower(key);
}

FakeRegistry::Key* FakeRegistry::Find(RegistryRoot root, const std::string& key) {
  auto it = keys_.find(Id(root, key));
  return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::Key* FakeRegistry::Find(RegistryRoot root, const std::string& key) const {
  auto it = keys_.find(Id(root, key));
  return it == keys_.end() ? nullptr : &it->second;
}

bool FakeRegistry::KeyExists(RegistryRoot root, const std::string& key) {
  return Find(root, key) != nullptr;
}

bool FakeRegistry::Refused(RegistryRoot root) const {
  return failWrites || (refuseMachineWrites && root != RegistryRoot::CurrentUser);
}

bool FakeRegistry::CreateKey(RegistryRoot root, const std::string& key) {
  if (Refused(root)) return false;
  Make(root, key);
  return true;
}

void FakeRegistry::Make(RegistryRoot root, const std::string& key) {
  // Parents exist whenever a child does, as in the real registry.
  for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) {
    std::string parent = key.substr(0, at);
    if (!Find(root, parent)) keys_[Id(root, parent)] = Key{parent, {}};
  }
  if (!Find(root, key)) keys_[Id(root, key)] = Key{key, {}};
}

bool FakeRegistry::DeleteKey(RegistryRoot root, const std::string& key) {
  if (Refused(root) || !Find(root, key)) return false;
  if (!SubKeys(root, key).empty()) return false;
  keys_.erase(Id(root, key));
  deletedKeys.push_back(key);
  return true;
}

std::optional<std::vector<uint8_t>> FakeRegistry::ReadValue(RegistryRoot root,
                                                            const std::string& key,
                                                            const std::string& name,
                                                            size_t maxBytes) {
  const Value* value = Get(root, key, name);
  if (!value) return std::nullopt;
  std::vector<uint8_t> bytes;
  if (auto* d = std::get_if<uint32_t>(value)) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(*d >> (8 * i)));
  } else if (auto* s = std::get_if<std::string>(value)) {
    bytes.assign(s->begin(), s->end());
    bytes.push_back(0);
  } else {
    bytes = std::get<std::vector<uint8_t>>(*value);
  }
  if (bytes.size() > maxBytes) return std::nullopt;
  return bytes;
}

std::optional<std::string> FakeRegistry::ReadString(RegistryRoot root, const std::string& key,
                                                    const std::string& name) {
  const Value* value = Get(root, key, name);
  if (!value) return std::nullopt;
  if (auto* s = std::get_if<std::string>(value)) return *s;
  return std::nullopt;
}

std::optional<uint32_t> FakeRegistry::ReadDword(RegistryRoot root, const std::string& key,
                                                const std::string& name) {
  const Value* value = Get(root, key, name);
  if (!value) return std::nullopt;
  if (auto* d = std::get_if<uint32_t>(value)) return *d;
  return std::nullopt;
}

bool FakeRegistry::WriteString(RegistryRoot root, const std::string& key, const std::string& name,
                               const std::string& value) {
  if (Refused(root)) return false;
  Set(root, key, name, value);
  return true;
}

bool FakeRegistry::WriteDword(RegistryRoot root, const std::string& key, const std::string& name,
                              uint32_t value) {
  if (Refused(root)) return false;
  Set(root, key, name, value);
  return true;
}

std::vector<std::string> FakeRegistry::SubKeys(RegistryRoot root, const std::string& key) {
  std::string prefix = Id(root, key) + "\\";
  std::vector<std::string> names;
  for (const auto& [id, k] : keys_) {
    if (id.compare(0, prefix.size(), prefix) == 0 &&
        id.find('\\', prefix.size()) == std::string::npos) {
      names.push_back(k.Path.substr(key.size() + 1));
    }
  }
  return names;
}

void FakeRegistry::Set(RegistryRoot root, const std::string& key, const std::string& name,
                       Value value) {
  Make(root, key);
  Find(root, key)->Values[Lower(name)] = {name, std::move(value)};
}

const FakeRegistry::Value* FakeRegistry::Get(RegistryRoot root, const std::string& key,
                                             const std::string& name) const {
  const Key* k = Find(root, key);
  if (!k) return nullptr;
  auto it = k->Values.find(Lower(name));
  return it == k->Values.end() ? nullptr : &it->second.second;
}

std::vector<std::string> FakeRegistry::ValueNames(RegistryRoot root, const std::string& key) const {
  std::vector<std::string> names;
  if (const Key* k = Find(root, key)) {
    for (const auto& [lower, entry] : k->Values) names.push_back(entry.first);
  }
  return names;
}

std::unique_ptr<MappedFile> FakeFileSystem::MapReadOnly(const std::string& path, MapError* error) {
  opened.push_back(path);
  auto it = files.find(path);
  if (it == files.end()) {
    if (error) error->Message = "The system cannot find the file specified.";
    return nullptr;
  }
  return std::make_unique<FakeView>(it->second, &liveMappings);
}

bool FakeAutomationServer::Call(const std::string& name, const std::vector<std::string>& args) {
  for (const auto& method : started.Methods) {
    if (Lower(method.Name) == Lower(name) &&
        std::none_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; })) {
      method.Invoke(args);
      return true;
    }
  }
  return false;
}

}  // namespace platform::fake

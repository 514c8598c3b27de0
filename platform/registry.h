// The registry, as far as the programs use it: keys under the current user
// and the classes root, DWORD and text values.
#ifndef PLATFORM_REGISTRY_H
#define PLATFORM_REGISTRY_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RegistryRoot { CurrentUser, ClassesRoot, LocalMachine };

class Registry {
 public:
  virtual ~Registry() = default;
  virtual bool KeyExists(RegistryRoot root, const std::string& key) = 0;
  // Creates the key and its missing parents.
  virtual bool CreateKey(RegistryRoot root, const std::string& key) = 0;
  // Deletes a key that has no subkeys.
  virtual bool DeleteKey(RegistryRoot root, const std::string& key) = 0;
  // Raw value bytes (at most maxBytes are read; a longer value gives nullopt).
  // A text value comes as its UTF-8 bytes with the closing NUL, and maxBytes
  // counts those.
  virtual std::optional<std::vector<uint8_t>> ReadValue(RegistryRoot root, const std::string& key,
                                                        const std::string& name,
                                                        size_t maxBytes) = 0;
  virtual std::optional<std::string> ReadString(RegistryRoot root, const std::string& key,
                                                const std::string& name) = 0;
  virtual std::optional<uint32_t> ReadDword(RegistryRoot root, const std::string& key,
                                            const std::string& name) = 0;
  // Writers create the key when it is missing. name "" = the default value.
  virtual bool WriteString(RegistryRoot root, const std::string& key, const std::string& name,
                           const std::string& value) = 0;
  virtual bool WriteDword(RegistryRoot root, const std::string& key, const std::string& name,
                          uint32_t value) = 0;
  // Subkey names of a key (empty when missing).
  virtual std::vector<std::string> SubKeys(RegistryRoot root, const std::string& key) = 0;
};

}  // namespace platform

#endif  // PLATFORM_REGISTRY_H

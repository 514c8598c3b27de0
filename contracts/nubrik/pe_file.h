// Whole-file reading for tools and tests.
#ifndef CONTRACTS_NUBRIK_PE_FILE_H
#define CONTRACTS_NUBRIK_PE_FILE_H

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace nubrik {

inline std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_PE_FILE_H

// Test files that make much text of few bytes, written with the fixtures'
// PE writer (for the browser's and the command line's tests).
#ifndef VISTREL_BROWSER_AMPLIFYING_FILE_H
#define VISTREL_BROWSER_AMPLIFYING_FILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fixtures/pe_writer.h"

namespace vistrel::testfiles {

// 1,025 import descriptors that share one module name and one entry array,
// whose entries all point at one 4,095-character function name: a 25 KB
// file that would make 168 MB of text.
inline std::vector<uint8_t> AmplifyingFile(size_t descriptors = 1025, size_t entries = 40,
                                           const std::string& moduleName = "amplify.dll") {
  fixtures::PeWriter w;
  uint32_t module = w.AddString(moduleName);
  // Hint 0, the name, its NUL.
  std::vector<uint8_t> hintName(2 + 4095 + 1, 'f');
  hintName[0] = hintName[1] = hintName.back() = 0;
  uint32_t name = w.Add(hintName);
  std::vector<uint8_t> thunks((entries + 1) * 4, 0);
  uint32_t array = w.Add(thunks);
  for (size_t i = 0; i < entries; ++i) w.Put32(array + static_cast<uint32_t>(4 * i), name);
  std::vector<uint8_t> table((descriptors + 1) * 20, 0);
  uint32_t rva = w.Add(table);
  for (size_t i = 0; i < descriptors; ++i) {
    uint32_t at = rva + static_cast<uint32_t>(20 * i);
    w.Put32(at, array);        // OriginalFirstThunk
    w.Put32(at + 12, module);  // Name
    w.Put32(at + 16, array);   // FirstThunk
  }
  w.SetDirectory(1, rva, static_cast<uint32_t>(table.size()));
  return w.Build();
}

}  // namespace vistrel::testfiles

#endif  // VISTREL_BROWSER_AMPLIFYING_FILE_H

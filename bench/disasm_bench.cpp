// Decodes the whole .text of a large Wine DLL (linear sweep, Intel text for
// every instruction) and, in the same run, times objdump -d -M intel on the
// same section. Prints both times and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/nubrik/disasm/disasm.h"
#include "contracts/nubrik/disasm/disasm_oracle.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Section {
  uint64_t Size = 0, Vma = 0, FileOffset = 0;
};

// The .text row of `objdump -h`: "Idx Name Size VMA LMA File-off Algn".
bool FindText(const std::string& file, Section& s) {
  std::istringstream in(
      nubrik::disasm::RunCommand("x86_64-w64-mingw32-objdump -h '" + file + "' 2>/dev/null"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string idx, name, size, vma, lma, off;
    if (row >> idx >> name >> size >> vma >> lma >> off && name == ".text") {
      s.Size = std::strtoull(size.c_str(), nullptr, 16);
      s.Vma = std::strtoull(vma.c_str(), nullptr, 16);
      s.FileOffset = std::strtoull(off.c_str(), nullptr, 16);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file =
      argc > 1 ? argv[1] : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/wined3d.dll";
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  Section text;
  if (bytes.empty() || !FindText(file, text) || text.FileOffset > bytes.size() ||
      text.Size > bytes.size() - text.FileOffset) {
    std::fprintf(stderr, "disasm_bench: cannot read the .text of %s\n", file.c_str());
    return 1;
  }
  const uint8_t* begin = bytes.data() + text.FileOffset;
  const uint8_t* end = begin + text.Size;

  double best = 1e9;
  size_t count = 0, chars = 0;
  for (int run = 0; run < 3; ++run) {
    auto t0 = Clock::now();
    count = chars = 0;
    char line[128];
    for (const uint8_t* p = begin; p < end;) {
      int n = nubrik::disasm::Decode(p, end, text.Vma + (p - begin), 64, line, sizeof(line));
      chars += line[0];
      p += n;
      ++count;
    }
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }

  double objdumpBest = 1e9;
  for (int run = 0; run < 3; ++run) {
    auto t0 = Clock::now();
    std::string cmd = "x86_64-w64-mingw32-objdump -d -M intel -j .text '" + file + "' > /dev/null";
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "disasm_bench: objdump failed\n");
      return 1;
    }
    objdumpBest = std::min(objdumpBest, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  std::printf("%s .text: %llu bytes, %zu instructions (checksum %zu)\n", file.c_str(),
              static_cast<unsigned long long>(text.Size), count, chars);
  std::printf("nubrik disasm: %.3f s (%.1f M instructions/s)\n", best, count / best / 1e6);
  std::printf("objdump -d -M intel: %.3f s\n", objdumpBest);
  std::printf("ratio objdump/nubrik: %.1fx\n", objdumpBest / best);
  return 0;
}

// Differential test: our decoder against objdump -M intel on real code.
// 64-bit: a sample of Wine's DLLs; 32-bit: objects compiled for the purpose
// (-O2, SSE4.2, AVX2, x87). Prints the three agreement figures.
#include "contracts/nubrik/disasm/disasm_oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace nubrik::disasm {
namespace {

namespace fs = std::filesystem;

void Report(const char* what, const Agreement& a) {
  auto pct = [&](size_t n) { return a.Instructions ? 100.0 * n / a.Instructions : 0.0; };
  std::printf("%s: %zu instructions; lengths %.4f%%, mnemonics %.4f%%, operands %.4f%%\n", what,
              a.Instructions, pct(a.Lengths), pct(a.Mnemonics), pct(a.OperandTexts));
  for (const auto& s : a.Samples) std::printf("  %s\n", s.c_str());
}

void ExpectAgreement(const Agreement& a, size_t atLeast) {
  ASSERT_GE(a.Instructions, atLeast);
  EXPECT_EQ(a.Lengths, a.Instructions) << "instruction boundaries differ";
  EXPECT_GE(a.Mnemonics * 1000.0, a.Instructions * 999.0) << "mnemonics below 99.9%";
  EXPECT_GE(a.OperandTexts * 100.0, a.Instructions * 99.0) << "operand texts below 99%";
}

Agreement Sweep(const std::string& objdump, const std::string& file, int bits) {
  std::string listing = RunCommand(objdump + " -d -M intel '" + file + "' 2>/dev/null");
  return Compare(ParseObjdump(listing), bits, 8);
}

TEST(DisasmOracle, NormalisationRemovesOnlySpelling) {
  auto n = Normalise("lea    rcx,[rip+0x2fff5]        # 7b631000 <.rodata>");
  EXPECT_EQ(n.Mnemonic, "lea");
  EXPECT_EQ(n.Operands, "rcx,[0x7b631000]");
  n = Normalise("call   7b62f7e0 <__wine_spec_unimplemented_stub>");
  EXPECT_EQ(n.Operands, "0x7b62f7e0");
  n = Normalise("rep stos QWORD PTR es:[rdi],rax");
  EXPECT_EQ(n.Mnemonic, "stos");
  EXPECT_EQ(n.Operands, "qword ptr es:[rdi],rax");
  n = Normalise("mov eax,DWORD PTR [rcx+0x8]");
  EXPECT_EQ(n.Operands, "eax,dword ptr [rcx+0x8]");
  n = Normalise("data16 cs nop WORD PTR [rax+rax*1+0x0]");
  EXPECT_EQ(n.Mnemonic, "nop");
  EXPECT_EQ(Normalise("nop word ptr cs:[rax+rax*1+0x0]").Operands, n.Operands);
  EXPECT_EQ(Normalise("ds").Mnemonic, "ds");  // a lone prefix stays itself
}

TEST(DisasmOracle, ParsesWrappedInstructions) {
  std::string listing =
      "Disassembly of section .text:\n\n"
      "0000000000001000 <f>:\n"
      "    1000:\t48 b8 88 77 66 55 44 \tmovabs rax,0x1122334455667788\n"
      "    1007:\t33 22 11 \n"
      "    100a:\tc3                   \tret\n"
      "\t...\n";
  auto lines = ParseObjdump(listing);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Bytes.size(), 10u);
  EXPECT_EQ(lines[1].Address, 0x100au);
  Agreement a = Compare(lines, 64, 4);
  EXPECT_EQ(a.Lengths, 2u);
  EXPECT_EQ(a.OperandTexts, 2u);
}

TEST(DisasmOracle, WineDlls64) {
  const fs::path dir = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
  if (!fs::exists(dir)) GTEST_SKIP() << "no Wine DLLs";
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".dll") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  // Every DLL when asked, otherwise every fourth one (a fixed sample).
  const bool all = std::getenv("DISASM_ORACLE_ALL") != nullptr;
  Agreement total;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!all && i % 4 != 0) continue;
    total.Add(Sweep("x86_64-w64-mingw32-objdump", files[i], 64));
  }
  Report("x86-64 Wine DLLs", total);
  ExpectAgreement(total, 100000);
}

TEST(DisasmOracle, Fixtures32) {
  const std::string dir = DISASM_FIXTURE_DIR;
  Agreement total;
  for (const char* name : {"fixture_int.o", "fixture_simd.o", "fixture_x87.o", "fixture_avx512.o"})
    total.Add(Sweep("i686-w64-mingw32-objdump", dir + "/" + name, 32));
  Report("i686 fixtures", total);
  ExpectAgreement(total, 800);
}

TEST(DisasmOracle, Avx512Fixture64) {
  // The EVEX-only instructions and forms, in 64-bit code (Wine's DLLs hold
  // no AVX-512).
  const std::string file = std::string(DISASM_FIXTURE_DIR) + "/fixture_avx512_64.o";
  if (!fs::exists(file)) GTEST_SKIP() << "no x86-64 compiler for the AVX-512 fixture";
  Agreement total = Sweep("x86_64-w64-mingw32-objdump", file, 64);
  Report("x86-64 AVX-512 fixture", total);
  ExpectAgreement(total, 1000);
  EXPECT_EQ(total.Mnemonics, total.Instructions);
}

TEST(DisasmOracle, MingwLibraries32) {
  // The cross toolchain's own 32-bit libraries: real compiler output, data
  // in code included.
  const char* const kLibs[] = {"/usr/i686-w64-mingw32/lib/libmingwex.a",
                               "/usr/lib/gcc/i686-w64-mingw32/12-posix/libgcc.a"};
  Agreement total;
  for (const char* lib : kLibs)
    if (fs::exists(lib)) total.Add(Sweep("i686-w64-mingw32-objdump", lib, 32));
  if (total.Instructions == 0) GTEST_SKIP() << "no i686 MinGW libraries";
  Report("i686 MinGW libraries", total);
  ExpectAgreement(total, 10000);
}

}  // namespace
}  // namespace nubrik::disasm

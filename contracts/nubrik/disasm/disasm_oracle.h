// Comparison of the decoder with objdump's Intel-syntax listing, shared by
// the differential test and the benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nubrik::disasm {

struct OracleLine {
  uint64_t Address = 0;
  std::vector<uint8_t> Bytes;
  std::string Text;
};

// Parses `objdump -d` output: one entry per instruction, long instructions
// wrapped over continuation lines joined back. Headers, labels and "..."
// lines are skipped.
std::vector<OracleLine> ParseObjdump(const std::string& listing);

// Runs a command and returns its standard output ("" when it cannot start).
std::string RunCommand(const std::string& command);

// Spelling differences between objdump and our text, removed before
// comparing: case; runs of blanks; "<symbol>" annotations; branch targets
// written without 0x; RIP-relative "[rip+d] # target" as "[0xtarget]";
// "cs:"/"ds:" overrides before a bracket (objdump omits them when it writes
// the prefix as a separate word); prefix words (lock, rep*, bnd, notrack,
// data16, cs, rex.W...) are not part of the mnemonic.
struct Normalised {
  std::string Mnemonic;
  std::string Operands;
};
Normalised Normalise(const std::string& text);

struct Agreement {
  size_t Instructions = 0;
  size_t Lengths = 0;
  size_t Mnemonics = 0;
  size_t OperandTexts = 0;
  std::vector<std::string> Samples;  // the first disagreements, for the log
  void Add(const Agreement& o);
};

// Decodes each oracle instruction from its own bytes (end = exactly its
// length) and counts what agrees. Lines objdump could not decode are left out.
Agreement Compare(const std::vector<OracleLine>& lines, int bits, size_t maxSamples);

}  // namespace nubrik::disasm

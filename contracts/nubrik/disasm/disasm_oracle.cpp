#include "contracts/nubrik/disasm/disasm_oracle.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "contracts/nubrik/disasm/disasm.h"

namespace nubrik::disasm {

namespace {

bool IsHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// "  7b601000:\t48 83 ec 28          \tsub    rsp,0x28"
bool ParseLine(const std::string& line, uint64_t& address, std::vector<uint8_t>& bytes,
               std::string& text, bool& hasText) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  size_t start = i;
  while (i < line.size() && IsHex(line[i])) ++i;
  if (i == start || i >= line.size() || line[i] != ':' || i + 1 >= line.size() ||
      line[i + 1] != '\t')
    return false;
  address = std::strtoull(line.substr(start, i - start).c_str(), nullptr, 16);
  i += 2;
  size_t tab = line.find('\t', i);
  std::string hex = line.substr(i, tab == std::string::npos ? std::string::npos : tab - i);
  bytes.clear();
  for (size_t k = 0; k + 1 < hex.size();) {
    if (hex[k] == ' ') {
      ++k;
      continue;
    }
    if (!IsHex(hex[k]) || !IsHex(hex[k + 1])) return false;
    bytes.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(k, 2).c_str(), nullptr, 16)));
    k += 2;
  }
  if (bytes.empty()) return false;
  hasText = tab != std::string::npos;
  text = hasText ? line.substr(tab + 1) : std::string();
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsPrefixWord(const std::string& w) {
  static const char* const kWords[] = {
      "lock",   "rep",     "repz",     "repnz",    "repe",  "repne",  "data16",   "data32",
      "addr16", "addr32",  "cs",       "ds",       "es",    "ss",     "fs",       "gs",
      "bnd",    "notrack", "xacquire", "xrelease", "{vex}", "{evex}", "{disp32}", "fwait"};
  for (const char* k : kWords)
    if (w == k) return true;
  return w.rfind("rex", 0) == 0;
}

bool IsBranch(const std::string& m) {
  return (m[0] == 'j') || m == "call" || m.rfind("loop", 0) == 0 || m == "xbegin";
}

}  // namespace

void Agreement::Add(const Agreement& o) {
  Instructions += o.Instructions;
  Lengths += o.Lengths;
  Mnemonics += o.Mnemonics;
  OperandTexts += o.OperandTexts;
  for (const auto& s : o.Samples)
    if (Samples.size() < 60) Samples.push_back(s);
}

std::vector<OracleLine> ParseObjdump(const std::string& listing) {
  std::vector<OracleLine> out;
  size_t pos = 0;
  uint64_t address;
  std::vector<uint8_t> bytes;
  std::string text;
  bool hasText;
  while (pos < listing.size()) {
    size_t nl = listing.find('\n', pos);
    if (nl == std::string::npos) nl = listing.size();
    std::string line = listing.substr(pos, nl - pos);
    pos = nl + 1;
    if (!ParseLine(line, address, bytes, text, hasText)) continue;
    if (!hasText) {
      // The wrapped tail of the previous instruction.
      if (!out.empty() && out.back().Address + out.back().Bytes.size() == address)
        out.back().Bytes.insert(out.back().Bytes.end(), bytes.begin(), bytes.end());
      continue;
    }
    out.push_back({address, bytes, text});
  }
  return out;
}

std::string RunCommand(const std::string& command) {
  std::string result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), pipe)) > 0) result.append(buf, n);
  pclose(pipe);
  return result;
}

Normalised Normalise(const std::string& input) {
  std::string text = Lower(input);
  // RIP-relative: objdump writes [rip+0xd] and the target in a comment.
  size_t hash = text.find('#');
  std::string comment;
  if (hash != std::string::npos) {
    comment = text.substr(hash + 1);
    text.erase(hash);
  }
  size_t rip = text.find("[rip");
  if (rip != std::string::npos && !comment.empty()) {
    size_t close = text.find(']', rip);
    size_t a = comment.find_first_not_of(' ');
    if (a != std::string::npos && comment.compare(a, 2, "0x") == 0) a += 2;
    size_t b = comment.find_first_of(" <", a);
    if (close != std::string::npos && a != std::string::npos)
      text.replace(rip, close - rip + 1, "[0x" + comment.substr(a, b - a) + "]");
  }
  // Symbol annotations.
  for (size_t lt; (lt = text.find('<')) != std::string::npos;) {
    size_t gt = text.find('>', lt);
    text.erase(lt, gt == std::string::npos ? std::string::npos : gt - lt + 1);
  }
  // Words: prefixes, then the mnemonic, then the operands.
  std::vector<std::string> words;
  std::string cur;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!cur.empty()) words.push_back(cur), cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) words.push_back(cur);
  Normalised n;
  size_t i = 0;
  while (i + 1 < words.size() && IsPrefixWord(words[i])) ++i;
  if (i < words.size()) n.Mnemonic = words[i++];
  for (; i < words.size(); ++i) {
    if (!n.Operands.empty()) n.Operands += ' ';
    n.Operands += words[i];
  }
  for (const char* seg : {"cs:[", "ds:["}) {
    for (size_t s; (s = n.Operands.find(seg)) != std::string::npos;) {
      // keep string-instruction operands, where the segment is part of the text
      if (s >= 4 && n.Operands.compare(s - 4, 4, "ptr ") == 0 &&
          (n.Mnemonic.rfind("movs", 0) == 0 || n.Mnemonic.rfind("cmps", 0) == 0 ||
           n.Mnemonic.rfind("lods", 0) == 0 || n.Mnemonic.rfind("outs", 0) == 0 ||
           n.Mnemonic == "xlat"))
        break;
      n.Operands.erase(s, 3);
    }
  }
  if (!n.Mnemonic.empty() && IsBranch(n.Mnemonic) && !n.Operands.empty() &&
      n.Operands.rfind("0x", 0) != 0 && IsHex(n.Operands[0])) {
    bool allHex = true;
    for (char c : n.Operands) allHex = allHex && IsHex(c);
    if (allHex) n.Operands = "0x" + n.Operands;
  }
  return n;
}

Agreement Compare(const std::vector<OracleLine>& lines, int bits, size_t maxSamples) {
  Agreement a;
  std::string mine;
  for (const OracleLine& l : lines) {
    if (l.Text.find("(bad)") != std::string::npos || l.Text.find(".byte") != std::string::npos ||
        l.Text.empty())
      continue;
    ++a.Instructions;
    int length = Decode(l.Bytes.data(), l.Bytes.data() + l.Bytes.size(), l.Address, bits, mine);
    Normalised theirs = Normalise(l.Text);
    Normalised ours = Normalise(mine);
    bool lenOk = length == static_cast<int>(l.Bytes.size());
    bool mnOk = theirs.Mnemonic == ours.Mnemonic;
    bool opOk = mnOk && theirs.Operands == ours.Operands;
    a.Lengths += lenOk;
    a.Mnemonics += mnOk;
    a.OperandTexts += opOk;
    if ((!lenOk || !opOk) && a.Samples.size() < maxSamples) {
      char addr[32];
      std::snprintf(addr, sizeof(addr), "%llx:", static_cast<unsigned long long>(l.Address));
      std::string hex;
      for (uint8_t b : l.Bytes) {
        char h[4];
        std::snprintf(h, sizeof(h), "%02x ", b);
        hex += h;
      }
      a.Samples.push_back(std::string(addr) + " " + hex + "| objdump: " + theirs.Mnemonic + " " +
                          theirs.Operands + " | ours(" + std::to_string(length) + "): " + mine);
    }
  }
  return a;
}

}  // namespace nubrik::disasm

// Table-driven x86/x86-64 decoder. Each opcode maps to a text "mnemonic
// operands" where operands use the usual opcode-map notation (Ev, Gb, Ib, Vx,
// Wx...). Bytes are consumed in encoding order (prefixes, opcode, ModRM, SIB,
// displacement, immediates); the text is produced at the end because
// RIP-relative operands need the instruction's full length.
#include "contracts/nubrik/disasm/disasm.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace nubrik::disasm {
namespace {

#include "contracts/nubrik/disasm/disasm_tables.inc"

// ---------------------------------------------------------------- output

struct Out {
  char buf[160];
  size_t n = 0;
  void Add(const char* s) {
    while (*s && n + 1 < sizeof(buf)) buf[n++] = *s++;
  }
  void Char(char c) {
    if (n + 1 < sizeof(buf)) buf[n++] = c;
  }
  void Hex(uint64_t v) {
    char tmp[20];
    int i = sizeof(tmp);
    tmp[--i] = '\0';
    do {
      tmp[--i] = "0123456789abcdef"[v & 15];
      v >>= 4;
    } while (v);
    tmp[--i] = 'x';
    tmp[--i] = '0';
    Add(tmp + i);
  }
};

uint64_t Mask(uint64_t v, int bits) {
  return bits >= 64 ? v : (v & ((uint64_t{1} << bits) - 1));
}

// ---------------------------------------------------------------- decoder

enum OperandKind : uint8_t { kNoOperand, kRegister, kMemory, kImmediate, kTarget, kAbsolute };

struct Operand {
  OperandKind kind = kNoOperand;
  const char* reg = nullptr;
  uint64_t value = 0;  // immediate, target
  int size = 0;        // memory size in bytes, 0 when none is shown
  bool segPrefix = false;
};

struct Memory {
  const char* base = nullptr;
  const char* index = nullptr;
  int scale = 1;
  int64_t disp = 0;
  bool hasDisp = false;
  bool rip = false;
  bool absolute = false;  // no base nor index: seg:0x...
};

class Decoder {
 public:
  Decoder(const uint8_t* code, const uint8_t* end, uint64_t address, int bits)
      : start_(code), end_(end), p_(code), address_(address), bits_(bits) {
    // Never look further than the longest instruction.
    if (end_ - start_ > kMaxLength) end_ = start_ + kMaxLength;
  }

  int Run(Out& out);

 private:
  uint8_t Byte() {
    if (p_ >= end_) {
      bad_ = true;
      return 0;
    }
    return *p_++;
  }
  uint8_t PeekByte(bool& ok) const {
    ok = p_ < end_;
    return ok ? *p_ : 0;
  }
  uint64_t Unsigned(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t{Byte()} << (8 * i);
    return v;
  }
  int64_t Signed(int bytes) {
    uint64_t v = Unsigned(bytes);
    int shift = 64 - 8 * bytes;
    return static_cast<int64_t>(v << shift) >> shift;
  }

  bool Prefixes();
  bool DecodeOpcode();
  void ReadModrm();
  void ReadMemory();
  void ReadMemory16();
  bool Operands(const char* pattern);
  bool OperandToken(const char* t, size_t len);
  bool Group(const char* name, const char* operands);
  bool X87(uint8_t op);
  bool SseEntryFor(int map, uint8_t op, int pfx);
  bool VexInstruction();
  bool EvexInstruction(int map, uint8_t op);
  bool ThreeByte(int map, uint8_t op);

  const char* Gpr(int size, int n) const {
    switch (size) {
      case 1:
        return rex_ || n >= 8 ? kReg8Rex[n & 15] : kReg8[n & 7];
      case 2:
        return kReg16[n & 15];
      case 4:
        return kReg32[n & 15];
      default:
        return kReg64[n & 15];
    }
  }
  const char* Vec(int n, int size) const {
    if (size >= 64) return kZmm[n & 31];
    if (size >= 32) return kYmm[n & 31];
    return kXmm[n & 31];
  }
  int VecSize() const { return evex_ ? (16 << (vexL_ > 2 ? 2 : vexL_)) : (vexL_ ? 32 : 16); }
  int StackSize() const { return bits_ == 64 ? (opsize_ ? 2 : 8) : (opsize_ ? 2 : 4); }
  void AddReg(const char* r) {
    Operand& o = ops_[nops_ < 5 ? nops_++ : 4];
    o.kind = kRegister;
    o.reg = r;
  }
  void AddImm(uint64_t v) {
    Operand& o = ops_[nops_ < 5 ? nops_++ : 4];
    o.kind = kImmediate;
    o.value = v;
  }
  void AddMem(int size) {
    Operand& o = ops_[nops_ < 5 ? nops_++ : 4];
    o.kind = kMemory;
    o.size = size;
  }
  bool RmOperand(int size, const char* regName) {
    if (!hasModrm_) ReadModrm();
    if (mod_ == 3) {
      AddReg(regName);
    } else {
      AddMem(size);
    }
    return true;
  }
  void SetMnemonic(const char* m) {
    size_t i = 0;
    for (; m[i] && i + 1 < sizeof(mnem_); ++i) mnem_[i] = m[i];
    mnem_[i] = '\0';
  }
  void Format(Out& out);
  void FormatMemory(Out& out, const Operand& o);

  const uint8_t* start_;
  const uint8_t* end_;
  const uint8_t* p_;
  uint64_t address_;
  int bits_;
  bool bad_ = false;

  bool opsize_ = false, adsize_ = false, lock_ = false;
  int rep_ = 0;  // last of F2/F3
  int seg_ = -1;
  uint8_t rex_ = 0;
  bool rexW_ = false, rexR_ = false, rexX_ = false, rexB_ = false;
  int vex_ = 0;  // 0, 2 (VEX) or 4 (EVEX)
  bool evex_ = false;
  int vexL_ = 0, vexV_ = 0, vexPP_ = 0, vexMap_ = 0;
  int evexAaa_ = 0;
  bool evexZ_ = false, evexB_ = false, evexRR_ = false;
  uint8_t opcode_ = 0;

  bool hasModrm_ = false;
  int mod_ = 0, reg_ = 0, rm_ = 0;
  Memory mem_;
  bool vsib_ = false;
  int disp8Scale_ = 0;  // EVEX: the unit of a compressed displacement, when not the operand's size
  bool kmask_ = false;
  bool onlyPrefixes_ = false;
  bool strandedRex_ = false;
  bool waitPrefix_ = false;
  int vsibSize_ = 16;
  char far_[40] = {};
  int strSeg_[5] = {-1, -1, -1, -1, -1};

  char mnem_[32] = {};
  Operand ops_[5];
  int nops_ = 0;
  int osz_ = 4;  // operand size in bytes
  int asz_ = 4;  // address size in bytes
  bool stringOp_ = false;
};

bool Decoder::Prefixes() {
  for (;;) {
    bool ok;
    uint8_t b = PeekByte(ok);
    if (!ok) return onlyPrefixes_ = true, false;
    switch (b) {
      case 0x66:
        opsize_ = true;
        break;
      case 0x67:
        adsize_ = true;
        break;
      case 0xf0:
        lock_ = true;
        break;
      case 0xf2:
      case 0xf3:
        rep_ = b;
        break;
      case 0x26:
        seg_ = 0;
        break;
      case 0x2e:
        seg_ = 1;
        break;
      case 0x36:
        seg_ = 2;
        break;
      case 0x3e:
        seg_ = 3;
        break;
      case 0x64:
        seg_ = 4;
        break;
      case 0x65:
        seg_ = 5;
        break;
      default:
        if (bits_ == 64 && (b & 0xf0) == 0x40) {
          ++p_;
          rex_ = b;
          // A REX prefix counts only right before the opcode.
          bool more;
          uint8_t next = PeekByte(more);
          if (!more) return onlyPrefixes_ = true, false;
          if ((next & 0xf0) == 0x40 || next == 0x66 || next == 0x67 || next == 0xf0 ||
              next == 0xf2 || next == 0xf3 || next == 0x26 || next == 0x2e || next == 0x36 ||
              next == 0x3e || next == 0x64 || next == 0x65 || next == 0x9b) {
            // The processor ignores it there; the bytes so far stand alone,
            // as a run of prefixes.
            strandedRex_ = true;
            return false;
          }
          rexW_ = b & 8;
          rexR_ = b & 4;
          rexX_ = b & 2;
          rexB_ = b & 1;
          return true;
        }
        return true;
    }
    ++p_;
    if (p_ - start_ >= kMaxLength) return false;
  }
}

void Decoder::ReadModrm() {
  if (hasModrm_) return;
  hasModrm_ = true;
  uint8_t m = Byte();
  mod_ = m >> 6;
  reg_ = (m >> 3) & 7;
  rm_ = m & 7;
  if (mod_ == 3) return;
  if (asz_ == 2) {
    ReadMemory16();
  } else {
    ReadMemory();
  }
}

void Decoder::ReadMemory() {
  const char* const* regs = asz_ == 8 ? kReg64 : kReg32;
  int base = rm_;
  if (rm_ == 4) {
    uint8_t sib = Byte();
    int scale = 1 << (sib >> 6);
    int index = ((sib >> 3) & 7) | (rexX_ ? 8 : 0);
    base = sib & 7;
    if (index != 4) {
      mem_.index = regs[index];
      mem_.scale = scale;
    } else if ((base != 4 || scale != 1) && !(base == 5 && mod_ == 0)) {
      // A SIB byte without an index, where one was not needed: shown as eiz/riz.
      mem_.index = asz_ == 8 ? "riz" : "eiz";
      mem_.scale = scale;
    }
    if (vsib_) {
      // Gathers index with a vector register.
      // EVEX.V' is the fifth bit of a vector index.
      mem_.index = Vec(((sib >> 3) & 7) | (rexX_ ? 8 : 0) | (evex_ ? (vexV_ & 16) : 0), vsibSize_);
      mem_.scale = scale;
    }
    if (base == 5 && mod_ == 0) {
      mem_.disp = Signed(4);
      mem_.hasDisp = true;
      if (!mem_.index) mem_.absolute = true;
      return;
    }
    mem_.base = regs[base | (rexB_ ? 8 : 0)];
  } else if (rm_ == 5 && mod_ == 0) {
    mem_.disp = Signed(4);
    mem_.hasDisp = true;
    if (bits_ == 64) {
      mem_.rip = true;
    } else {
      mem_.absolute = true;
    }
    return;
  } else {
    mem_.base = regs[rm_ | (rexB_ ? 8 : 0)];
  }
  if (mod_ == 1) {
    mem_.disp = Signed(1);
    mem_.hasDisp = true;
  } else if (mod_ == 2) {
    mem_.disp = Signed(4);
    mem_.hasDisp = true;
  }
}

void Decoder::ReadMemory16() {
  static const char* const kBase[8] = {"bx", "bx", "bp", "bp", "si", "di", "bp", "bx"};
  static const char* const kIndex[8] = {"si", "di", "si", "di", nullptr, nullptr, nullptr, nullptr};
  if (mod_ == 0 && rm_ == 6) {
    mem_.disp = static_cast<int64_t>(Unsigned(2));
    mem_.hasDisp = true;
    mem_.absolute = true;
    return;
  }
  mem_.base = kBase[rm_];
  mem_.index = kIndex[rm_];
  mem_.scale = 0;  // 16-bit forms print no scale
  if (mod_ == 1) {
    mem_.disp = Signed(1);
    mem_.hasDisp = true;
  } else if (mod_ == 2) {
    mem_.disp = Signed(2);
    mem_.hasDisp = true;
  }
}

// The name a prefix byte reads as when it stands alone.
const char* PrefixName(uint8_t b, int bits) {
  static const char* const kRex[16] = {
      "rex",   "rex.B",  "rex.X",  "rex.XB",  "rex.R",  "rex.RB",  "rex.RX",  "rex.RXB",
      "rex.W", "rex.WB", "rex.WX", "rex.WXB", "rex.WR", "rex.WRB", "rex.WRX", "rex.WRXB"};
  if (bits == 64 && (b & 0xf0) == 0x40) return kRex[b & 15];
  switch (b) {
    case 0x26:
      return "es";
    case 0x2e:
      return "cs";
    case 0x36:
      return "ss";
    case 0x3e:
      return "ds";
    case 0x64:
      return "fs";
    case 0x65:
      return "gs";
    case 0x66:
      return "data16";
    case 0x67:
      return bits == 64 ? "addr32" : "addr16";
    case 0xf0:
      return "lock";
    case 0xf2:
      return "repnz";
    case 0xf3:
      return "repz";
    default:
      return "(bad)";
  }
}

// Whether an operand token takes its value from a ModRM byte.
bool NeedsModrm(const char* t, size_t len) {
  if (len == 2 && std::strchr("ECSDFG", t[0]) && t[1] == 'S') return false;  // ES, CS... GS
  if (len == 2 && (!std::strncmp(t, "DX", 2) || !std::strncmp(t, "CL", 2))) return false;
  return std::strchr("EGMRSCDVWUPQNK", t[0]) != nullptr;
}

bool Decoder::Operands(const char* pattern) {
  // Read ModRM (and its SIB and displacement) first: immediates follow them.
  for (const char* t = pattern; *t;) {
    const char* e = t;
    while (*e && *e != ',') ++e;
    if (NeedsModrm(t, e - t)) {
      ReadModrm();
      break;
    }
    t = *e ? e + 1 : e;
  }
  for (const char* t = pattern; *t;) {
    const char* e = t;
    while (*e && *e != ',') ++e;
    if (!OperandToken(t, e - t)) return false;
    if (bad_) return false;
    t = *e ? e + 1 : e;
  }
  return !bad_;
}

bool Decoder::OperandToken(const char* t, size_t len) {
  auto is = [&](const char* s) { return std::strlen(s) == len && !std::strncmp(t, s, len); };
  const int rmReg = rm_ | (rexB_ ? 8 : 0);
  const int regReg = reg_ | (rexR_ ? 8 : 0);
  const int vecRm = rmReg | (evex_ && rexX_ ? 16 : 0);
  const int vecReg = regReg | (evexRR_ ? 16 : 0);
  const int ysize = rexW_ ? 8 : 4;
  const bool maybeFixed = len == 1 || (len > 1 && (std::isupper(static_cast<unsigned char>(t[1])) ||
                                                   std::isdigit(static_cast<unsigned char>(t[1]))));
  if (maybeFixed) {
    if (is("AL")) return AddReg("al"), true;
    if (is("CL")) return AddReg("cl"), true;
    if (is("DX")) return AddReg("dx"), true;
    if (is("1")) return AddReg("1"), true;
    if (is("X0")) return AddReg("xmm0"), true;
    if (is("eAX")) return AddReg(Gpr(osz_, 0)), true;
    if (is("ES")) return AddReg("es"), true;
    if (is("CS")) return AddReg("cs"), true;
    if (is("SS")) return AddReg("ss"), true;
    if (is("DS")) return AddReg("ds"), true;
    if (is("FS")) return AddReg("fs"), true;
    if (is("GS")) return AddReg("gs"), true;
    if (is("ST0")) return AddReg("st"), true;
    if (is("STi")) return AddReg(kSt[rm_]), true;
  }
  auto sizeOf = [&](char c) {
    switch (c) {
      case 'b':
        return 1;
      case 'w':
        return 2;
      case 'd':
        return 4;
      case 'q':
        return 8;
      case 't':
        return 10;
      case 'o':
        return 16;
      case 'O':
        return 17;
      case 'B':
        return osz_ * 2;  // "oword": how cmpxchg16b's operand is spelt
      case 'v':
        return osz_;
      case 'y':
        return ysize;
      case 'z':
        return osz_ == 2 ? 2 : 4;
      case 'x':
        return VecSize();
      case 'p':
        return osz_ == 2 ? 4 : osz_ == 4 ? 6 : 10;
      default:
        return 0;
    }
  };
  const char kind = t[0];
  const char sz = len > 1 ? t[1] : 0;
  switch (kind) {
    case 'E':
      if (sz == 'k') return RmOperand(2, Gpr(osz_, rmReg));
      if (sz == 'r') return RmOperand(2, Gpr(4, rmReg));  // word in memory, 32-bit register
      if (sz == 'c') return RmOperand(1, Gpr(4, rmReg));
      return RmOperand(sizeOf(sz), Gpr(sizeOf(sz), rmReg));
    case 'G':
      return AddReg(Gpr(sizeOf(sz), regReg)), true;
    case 'M':
      if (mod_ == 3) return false;
      AddMem(sizeOf(sz));
      return true;
    case 'R':
      return AddReg(Gpr(bits_ == 64 ? 8 : 4, rmReg)), true;
    case 'C':
      return AddReg(kCr[regReg]), true;
    case 'D':
      return AddReg(kDr[regReg]), true;
    case 'S':
      if (reg_ > 5) return false;
      return AddReg(kSeg[reg_]), true;
    case 'I': {
      if (sz == 'b') return AddImm(Byte()), true;
      if (sz == 'w') return AddImm(Unsigned(2)), true;
      if (sz == 'z') {
        int64_t v = osz_ == 2 ? Signed(2) : Signed(4);
        return AddImm(Mask(static_cast<uint64_t>(v), osz_ * 8)), true;
      }
      if (sz == 'Z') {  // push imm16/32, extended to the stack width
        int64_t v = opsize_ ? Signed(2) : Signed(4);
        return AddImm(Mask(static_cast<uint64_t>(v), StackSize() * 8)), true;
      }
      if (sz == 'v') return AddImm(Unsigned(osz_)), true;
      if (sz == 's') return AddImm(Mask(static_cast<uint64_t>(Signed(1)), osz_ * 8)), true;
      if (sz == 'S') return AddImm(Mask(static_cast<uint64_t>(Signed(1)), StackSize() * 8)), true;
      if (sz == 'c') {  // comparison predicate folded into the mnemonic
        static const char* const kPred[32] = {
            "eq",    "lt",     "le",     "unord",    "neq",    "nlt",    "nle",    "ord",
            "eq_uq", "nge",    "ngt",    "false",    "neq_oq", "ge",     "gt",     "true",
            "eq_os", "lt_oq",  "le_oq",  "unord_s",  "neq_us", "nlt_uq", "nle_uq", "ord_s",
            "eq_us", "nge_uq", "ngt_uq", "false_os", "neq_os", "ge_oq",  "gt_oq",  "true_us"};
        uint8_t v = Byte();
        if (v < (vex_ ? 32 : 8)) {
          char m[32];
          const char* rest = std::strstr(mnem_, "cmp") + 3;
          size_t headLen = static_cast<size_t>(rest - mnem_);
          std::snprintf(m, sizeof(m), "%.*s%s%s", static_cast<int>(headLen), mnem_, kPred[v], rest);
          SetMnemonic(m);
          return true;
        }
        return AddImm(v), true;
      }
      if (sz == 'p') {  // integer comparison predicate (vpcmp*): 3 and 7 stay numbers
        static const char* const kIntPred[8] = {"eq",  "lt",  "le",  nullptr,
                                                "neq", "nlt", "nle", nullptr};
        uint8_t v = Byte();
        if (v < 8 && kIntPred[v]) {
          char m[32];
          std::snprintf(m, sizeof(m), "vpcmp%s%s", kIntPred[v], mnem_ + 5);
          SetMnemonic(m);
          return true;
        }
        return AddImm(v), true;
      }
      return false;
    }
    case 'J': {
      int64_t rel = sz == 'b' ? Signed(1) : (bits_ == 32 && opsize_) ? Signed(2) : Signed(4);
      Operand& o = ops_[nops_ < 5 ? nops_++ : 4];
      o.kind = kTarget;
      o.value = static_cast<uint64_t>(rel);
      return true;
    }
    case 'A': {
      if (bits_ == 64) return false;
      uint64_t off = Unsigned(osz_ == 2 ? 2 : 4);
      uint64_t sel = Unsigned(2);
      std::snprintf(far_, sizeof(far_), "0x%llx:0x%llx", static_cast<unsigned long long>(sel),
                    static_cast<unsigned long long>(off));
      return AddReg(far_), true;
    }
    case 'O':
      mem_.absolute = true;
      mem_.disp = static_cast<int64_t>(Unsigned(asz_));
      mem_.hasDisp = true;
      AddMem(0);  // the register names the size
      return true;
    case 'Z': {
      int n = (opcode_ & 7) | (rexB_ ? 8 : 0);
      int size = sz == 'b' ? 1 : sz == 's' ? StackSize() : sz == 'y' ? ysize : osz_;
      return AddReg(Gpr(size, n)), true;
    }
    case 'X':
    case 'Y': {
      // String operands: ds:[rsi] (overridable) and es:[rdi].
      static const char* const kSi[3] = {"si", "esi", "rsi"};
      static const char* const kDi[3] = {"di", "edi", "rdi"};
      static const char* const kBx[3] = {"bx", "ebx", "rbx"};
      int a = asz_ == 2 ? 0 : asz_ == 4 ? 1 : 2;
      int size = sz == 'b' || sz == 'l' ? 1 : sz == 'z' ? (osz_ == 2 ? 2 : 4) : osz_;
      Operand& o = ops_[nops_ < 5 ? nops_++ : 4];
      o.kind = kMemory;
      o.size = size;
      o.segPrefix = true;
      o.reg = kind == 'Y' ? kDi[a] : sz == 'l' ? kBx[a] : kSi[a];
      strSeg_[&o - ops_] = kind == 'Y' ? 0 : (seg_ >= 0 ? seg_ : 3);
      stringOp_ = true;
      return true;
    }
    case 'V':
      if (sz == 'h') return AddReg(Vec(vecReg, VecSize() / 2 < 16 ? 16 : VecSize() / 2)), true;
      return AddReg(Vec(vecReg, sz == 'o' ? 16 : VecSize())), true;
    case 'H':
      if (!vex_) return true;
      return AddReg(Vec(vexV_, sz == 'o' ? 16 : VecSize())), true;
    case 'W': {
      int vs = VecSize();
      int memSize = 0, regSize = 16;
      switch (sz) {
        case 'x':
          memSize = regSize = vs;
          break;
        case 'o':
          memSize = 16;
          break;
        case 'h':
          memSize = vs / 2;
          regSize = vs / 2 < 16 ? 16 : vs / 2;
          break;
        case 'f':
          memSize = vs / 4;
          regSize = vs / 4 < 16 ? 16 : vs / 4;
          break;
        case 'e':
          memSize = vs / 8;
          regSize = 16;
          break;
        default:
          memSize = sizeOf(sz);
      }
      return RmOperand(memSize, Vec(vecRm, regSize));
    }
    case 'U':
      if (mod_ != 3) return false;
      return AddReg(Vec(vecRm, sz == 'o' ? 16 : VecSize())), true;
    case 'P':
      return AddReg(kMmx[reg_]), true;
    case 'Q':
      return RmOperand(sizeOf(sz), kMmx[rm_]);
    case 'N':
      if (mod_ != 3) return false;
      return AddReg(kMmx[rm_]), true;
    case 'B':
      return AddReg(Gpr(ysize, vexV_ & 15)), true;
    case 'K': {
      static const char* const kK[8] = {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7"};
      if (sz == 'r') return AddReg(kK[reg_]), true;
      if (sz == 'v') return AddReg(kK[vexV_ & 7]), true;
      int kSize = mnem_[std::strlen(mnem_) - 1] == 'q'   ? 8
                  : mnem_[std::strlen(mnem_) - 1] == 'd' ? 4
                  : mnem_[std::strlen(mnem_) - 1] == 'w' ? 2
                                                         : 1;
      return RmOperand(kSize, kK[rm_]);
    }
    case 'L': {
      uint8_t v = Byte();
      return AddReg(Vec(bits_ == 64 ? (v >> 4) : ((v >> 4) & 7), VecSize())), true;
    }
    default:
      return false;
  }
}

// A mnemonic and operand text from a table entry. '|' separates the 16, 32
// and 64-bit operand-size forms; '*' is 'd' or 'q' by REX.W/VEX.W.
bool Decoder::Group(const char* name, const char* operands) {
  const char* variants = name;
  char m[32];
  size_t n = 0;
  int want = osz_ == 2 ? 0 : osz_ == 4 ? 1 : 2;
  int idx = 0;
  const char* s = variants;
  const char* chosen = s;
  const char* chosenEnd = nullptr;
  for (; *s; ++s) {
    if (*s == '|') {
      if (idx == want) chosenEnd = s;
      ++idx;
      if (idx <= want) chosen = s + 1;
    }
  }
  if (!chosenEnd) chosenEnd = s;
  if (want > idx) {  // fewer forms than sizes: the last one
    chosen = variants;
    for (const char* q = variants; *q; ++q)
      if (*q == '|') chosen = q + 1;
    chosenEnd = s;
  }
  if (vex_ && n < sizeof(m) - 1) m[n++] = 'v';
  for (const char* q = chosen; q < chosenEnd && n < sizeof(m) - 1; ++q) {
    if (*q == '*') {
      bool fp = q > chosen && q[-1] == 'p';
      m[n++] = fp ? (rexW_ ? 'd' : 's') : (rexW_ ? 'q' : 'd');
    } else {
      m[n++] = *q;
    }
  }
  m[n] = '\0';
  SetMnemonic(m);
  return Operands(operands);
}

bool Decoder::X87(uint8_t op) {
  ReadModrm();
  if (bad_) return false;
  const int row = op - 0xd8;
  if (mod_ != 3) {
    const X87Memory& e = kX87Memory[row][reg_];
    if (!e.name) return false;
    SetMnemonic(e.name);
    AddMem(e.size);
    return true;
  }
  static const char* const kD8[8] = {"fadd", "fmul",  "fcom", "fcomp",
                                     "fsub", "fsubr", "fdiv", "fdivr"};
  static const char* const kDc[8] = {"fadd",  "fmul", "fcom2", "fcomp3",
                                     "fsubr", "fsub", "fdivr", "fdiv"};
  static const char* const kDe[8] = {"faddp",  "fmulp", "fcomp5", nullptr,
                                     "fsubrp", "fsubp", "fdivrp", "fdivp"};
  const uint8_t modrm = static_cast<uint8_t>(0xc0 | (reg_ << 3) | rm_);
  switch (op) {
    case 0xd8:
      SetMnemonic(kD8[reg_]);
      if (reg_ == 2 || reg_ == 3) return AddReg(kSt[rm_]), true;
      AddReg("st");
      AddReg(kSt[rm_]);
      return true;
    case 0xd9: {
      if (reg_ == 0 || reg_ == 1) {
        SetMnemonic(reg_ == 0 ? "fld" : "fxch");
        return AddReg(kSt[rm_]), true;
      }
      if (reg_ == 3) return SetMnemonic("fstp1"), AddReg(kSt[rm_]), true;
      static const char* const kD9[32] = {
          "fnop",  nullptr,  nullptr,  nullptr,  nullptr,   nullptr,  nullptr,   nullptr,
          "fchs",  "fabs",   nullptr,  nullptr,  "ftst",    "fxam",   nullptr,   nullptr,
          "fld1",  "fldl2t", "fldl2e", "fldpi",  "fldlg2",  "fldln2", "fldz",    nullptr,
          "f2xm1", "fyl2x",  "fptan",  "fpatan", "fxtract", "fprem1", "fdecstp", "fincstp"};
      static const char* const kD9b[8] = {"fprem",   "fyl2xp1", "fsqrt", "fsincos",
                                          "frndint", "fscale",  "fsin",  "fcos"};
      const char* name =
          modrm >= 0xf8 ? kD9b[modrm - 0xf8] : kD9[modrm < 0xe0 ? modrm - 0xd0 : modrm - 0xd8];
      if (!name) return false;
      SetMnemonic(name);
      return true;
    }
    case 0xda: {
      static const char* const kDa[4] = {"fcmovb", "fcmove", "fcmovbe", "fcmovu"};
      if (modrm == 0xe9) return SetMnemonic("fucompp"), true;
      if (reg_ > 3) return false;
      SetMnemonic(kDa[reg_]);
      AddReg("st");
      AddReg(kSt[rm_]);
      return true;
    }
    case 0xdb: {
      static const char* const kDb[8] = {"fcmovnb", "fcmovne", "fcmovnbe", "fcmovnu",
                                         nullptr,   "fucomi",  "fcomi",    nullptr};
      if (modrm == 0xe2) return SetMnemonic("fnclex"), true;
      if (modrm == 0xe3) return SetMnemonic("fninit"), true;
      if (modrm == 0xe0) return SetMnemonic("fneni(8087 only)"), true;
      if (modrm == 0xe1) return SetMnemonic("fndisi(8087 only)"), true;
      if (modrm == 0xe4) return SetMnemonic("fNsetpm(287 only)"), true;
      if (!kDb[reg_]) return false;
      SetMnemonic(kDb[reg_]);
      AddReg("st");
      AddReg(kSt[rm_]);
      return true;
    }
    case 0xdc:
      SetMnemonic(kDc[reg_]);
      if (reg_ == 2 || reg_ == 3) return AddReg(kSt[rm_]), true;
      AddReg(kSt[rm_]);
      AddReg("st");
      return true;
    case 0xdd: {
      static const char* const kDd[8] = {"ffree", "fxch4",  "fst",   "fstp",
                                         "fucom", "fucomp", nullptr, nullptr};
      if (!kDd[reg_]) return false;
      SetMnemonic(kDd[reg_]);
      AddReg(kSt[rm_]);
      return true;
    }
    case 0xde:
      if (modrm == 0xd9) return SetMnemonic("fcompp"), true;
      if (!kDe[reg_]) return false;
      SetMnemonic(kDe[reg_]);
      if (reg_ == 2) return AddReg(kSt[rm_]), true;
      AddReg(kSt[rm_]);
      AddReg("st");
      return true;
    default:  // 0xdf
      if (modrm == 0xe0) return SetMnemonic("fnstsw"), AddReg("ax"), true;
      if (reg_ == 5 || reg_ == 6) {
        SetMnemonic(reg_ == 5 ? "fucomip" : "fcomip");
        AddReg("st");
        AddReg(kSt[rm_]);
        return true;
      }
      if (reg_ == 0) return SetMnemonic("ffreep"), AddReg(kSt[rm_]), true;
      if (reg_ == 1) return SetMnemonic("fxch7"), AddReg(kSt[rm_]), true;
      if (reg_ == 2 || reg_ == 3)
        return SetMnemonic(reg_ == 2 ? "fstp8" : "fstp9"), AddReg(kSt[rm_]), true;
      return false;
  }
}

// Looks up a prefix-dependent 0F/0F38/0F3A entry and decodes it.
bool Decoder::SseEntryFor(int map, uint8_t op, int pfx) {
  const char* text = nullptr;
  for (const SseEntry& e : kSse) {
    if (e.map == map && e.opcode == op && e.pfx == pfx) {
      text = e.text;
      break;
    }
  }
  char built[48];
  if (!text && map == 1 && op >= 0xd0 && (pfx == 0 || pfx == 1) && kSseIntD0[op - 0xd0][0]) {
    std::snprintf(built, sizeof(built), pfx == 0 ? "!%s Pq,Qq" : "%s Vx,Hx,Wx",
                  kSseIntD0[op - 0xd0]);
    text = built;
  }
  if (!text) return false;
  if (text[0] == '~') {
    if (!vex_) return false;
    ++text;
  } else if (text[0] == '!') {
    if (vex_) return false;
    ++text;
  }
  if (text[0] == '@') {
    // Shift-by-immediate groups 0F 71..73 and the F3 0F 1E group.
    ReadModrm();
    if (bad_) return false;
    if (text[1] == 'e') {
      if (mod_ == 3 && reg_ == 7 && (rm_ == 2 || rm_ == 3)) {
        SetMnemonic(rm_ == 2 ? "endbr64" : "endbr32");
        return true;
      }
      if (mod_ == 3 && reg_ == 1) return Group(rexW_ ? "rdsspq" : "rdsspd", "Ry");
      return Group("nop", "Ev");
    }
    static const char* const k71[8] = {nullptr, nullptr, "psrlw", nullptr,
                                       "psraw", nullptr, "psllw", nullptr};
    static const char* const k72[8] = {nullptr, nullptr, "psrld", nullptr,
                                       "psrad", nullptr, "pslld", nullptr};
    static const char* const k73[8] = {nullptr, nullptr, "psrlq", "psrldq",
                                       nullptr, nullptr, "psllq", "pslldq"};
    const char* const* g = op == 0x71 ? k71 : op == 0x72 ? k72 : k73;
    const char* name = g[reg_];
    bool mmx = text[3] == 'm';
    if (!name || mod_ != 3) return false;
    if (mmx && (reg_ == 3 || reg_ == 7)) return false;
    return Group(name, mmx ? "Nq,Ib" : "Hx,Ux,Ib");
  }
  const char* space = std::strchr(text, ' ');
  char name[32];
  size_t nameLen = space ? static_cast<size_t>(space - text) : std::strlen(text);
  if (nameLen >= sizeof(name)) nameLen = sizeof(name) - 1;
  std::memcpy(name, text, nameLen);
  name[nameLen] = '\0';
  const char* operands = space ? space + 1 : "";
  // Register forms with their own names.
  if (map == 1 && (op == 0x12 || op == 0x16) && pfx == 0) {
    ReadModrm();
    if (mod_ == 3) std::snprintf(name, sizeof(name), "%s", op == 0x12 ? "movhlps" : "movlhps");
    if (mod_ == 3) operands = "Vo,Ho,Uo";
  }
  if (map == 1 && (op == 0x10 || op == 0x11) && pfx >= 2 && vex_) {
    ReadModrm();
    if (mod_ != 3)
      operands = op == 0x10 ? (pfx == 2 ? "Vo,Wd" : "Vo,Wq") : (pfx == 2 ? "Wd,Vo" : "Wq,Vo");
  }
  if ((op == 0x6e || op == 0x7e) && map == 1 && rexW_ && !std::strcmp(name, "movd"))
    std::snprintf(name, sizeof(name), "movq");
  if (!std::strcmp(name, "crc32") && rexW_) operands = op == 0xf0 ? "Gq,Eb" : "Gq,Ev";
  return Group(name, operands);
}

bool Decoder::VexInstruction() {
  const int map = vexMap_;
  const uint8_t op = opcode_;
  if (map == 1 && op == 0x77 && !evex_) return SetMnemonic(vexL_ ? "vzeroall" : "vzeroupper"), true;
  if (map == 2 && evex_ && op >= 0x96 && op <= 0xbf && vexPP_ == 1 && FmaName(op)) {
    const char* order = op < 0xa0 ? "132" : op < 0xb0 ? "213" : "231";
    bool scalar = (op & 0x0f) >= 8 && (op & 1);
    char m[32];
    std::snprintf(m, sizeof(m), "v%s%s%s", FmaName(op), order,
                  scalar ? (rexW_ ? "sd" : "ss") : (rexW_ ? "pd" : "ps"));
    SetMnemonic(m);
    return Operands(scalar ? (rexW_ ? "Vo,Ho,Wq" : "Vo,Ho,Wd") : "Vx,Hx,Wx");
  }
  if (map == 1 && !evex_) {
    // Opmask instructions: suffix b/w/d/q from pp and W.
    const char sfx = vexPP_ == 0 ? (rexW_ ? 'q' : 'w') : (rexW_ ? 'd' : 'b');
    const char* name = nullptr;
    const char* pattern = nullptr;
    switch (op) {
      case 0x41:
        name = "kand";
        pattern = "Kr,Kv,Km";
        break;
      case 0x42:
        name = "kandn";
        pattern = "Kr,Kv,Km";
        break;
      case 0x44:
        name = "knot";
        pattern = "Kr,Km";
        break;
      case 0x45:
        name = "kor";
        pattern = "Kr,Kv,Km";
        break;
      case 0x46:
        name = "kxnor";
        pattern = "Kr,Kv,Km";
        break;
      case 0x47:
        name = "kxor";
        pattern = "Kr,Kv,Km";
        break;
      case 0x4a:
        name = "kadd";
        pattern = "Kr,Kv,Km";
        break;
      case 0x4b:
        name = "kunpck";
        pattern = "Kr,Kv,Km";
        break;
      case 0x90:
        name = "kmov";
        pattern = "Kr,Km";
        break;
      case 0x91:
        name = "kmov";
        pattern = "Km,Kr";
        break;
      case 0x92:
        name = "kmov";
        pattern = vexPP_ == 3 && rexW_ ? "Kr,Eq" : "Kr,Ed";
        break;
      case 0x93:
        name = "kmov";
        pattern = vexPP_ == 3 && rexW_ ? "Gq,Km" : "Gd,Km";
        break;
      case 0x98:
        name = "kortest";
        pattern = "Kr,Km";
        break;
      case 0x99:
        name = "ktest";
        pattern = "Kr,Km";
        break;
      default:
        break;
    }
    if (name) {
      char m[16];
      char c = (op == 0x92 || op == 0x93) && vexPP_ == 3 ? (rexW_ ? 'q' : 'd') : sfx;
      if (op == 0x4b) c = vexPP_ == 1 ? 'b' : (rexW_ ? 'd' : 'w');
      std::snprintf(m, sizeof(m), "%s%c", name, c);
      SetMnemonic(m);
      kmask_ = true;
      return Operands(pattern);
    }
  }
  if (map == 2 && !evex_) {
    // BMI1/BMI2 on general registers.
    if (op == 0xf2 && vexPP_ == 0)
      return Group("~andn", "Gy,By,Ey") &&
             (std::memmove(mnem_, mnem_ + 2, std::strlen(mnem_) - 1), true);
    if (op == 0xf3 && vexPP_ == 0) {
      ReadModrm();
      static const char* const k17[8] = {nullptr, "blsr",  "blsmsk", "blsi",
                                         nullptr, nullptr, nullptr,  nullptr};
      if (!k17[reg_]) return false;
      SetMnemonic(k17[reg_]);
      return Operands("By,Ey");
    }
    struct B {
      uint8_t op, pp;
      const char* name;
      const char* operands;
    };
    static const B kBmi[] = {{0xf5, 0, "bzhi", "Gy,Ey,By"},  {0xf5, 3, "pdep", "Gy,By,Ey"},
                             {0xf5, 2, "pext", "Gy,By,Ey"},  {0xf6, 3, "mulx", "Gy,By,Ey"},
                             {0xf7, 0, "bextr", "Gy,Ey,By"}, {0xf7, 1, "shlx", "Gy,Ey,By"},
                             {0xf7, 2, "sarx", "Gy,Ey,By"},  {0xf7, 3, "shrx", "Gy,Ey,By"}};
    for (const B& b : kBmi) {
      if (b.op == op && b.pp == vexPP_) {
        SetMnemonic(b.name);
        return Operands(b.operands);
      }
    }
    if (op >= 0x90 && op <= 0x93 && vexPP_ == 1) {
      // Gathers: a vector index; element size by W; the q-index forms with
      // dword elements keep an xmm destination.
      static const char* const kG[4][2] = {{"vpgatherdd", "vpgatherdq"},
                                           {"vpgatherqd", "vpgatherqq"},
                                           {"vgatherdps", "vgatherdpd"},
                                           {"vgatherqps", "vgatherqpd"}};
      SetMnemonic(kG[op - 0x90][rexW_ ? 1 : 0]);
      bool qIndex = op & 1;
      vsib_ = true;
      vsibSize_ = (!qIndex && rexW_) ? 16 : VecSize();
      ReadModrm();
      if (bad_ || mod_ == 3) return false;
      const char* dest = (qIndex && !rexW_) ? "Vo" : "Vx";
      const char* mask = (qIndex && !rexW_) ? "Ho" : "Hx";
      char pattern[24];
      std::snprintf(pattern, sizeof(pattern), "%s,%s,%s", dest, rexW_ ? "Mq" : "Md", mask);
      return Operands(pattern);
    }
    if (op >= 0x96 && op <= 0xbf && vexPP_ == 1) {
      const char* base = FmaName(op);
      if (!base) return false;
      const char* order = op < 0xa0 ? "132" : op < 0xb0 ? "213" : "231";
      bool scalar = (op & 0x0f) >= 8 && (op & 1);
      char m[32];
      std::snprintf(m, sizeof(m), "v%s%s%s", base, order,
                    scalar ? (rexW_ ? "sd" : "ss") : (rexW_ ? "pd" : "ps"));
      SetMnemonic(m);
      return Operands(scalar ? (rexW_ ? "Vo,Ho,Wq" : "Vo,Ho,Wd") : "Vx,Hx,Wx");
    }
  }
  if (map == 3 && op == 0xf0 && vexPP_ == 3 && !evex_) {
    SetMnemonic("rorx");
    return Operands("Gy,Ey,Ib");
  }
  if (evex_ && EvexInstruction(map, op)) return true;
  if (map >= 1 && map <= 3 && SseEntryFor(map, op, vexPP_)) {
    if (evex_ && map == 1) {
      char m[sizeof(mnem_) + 2];
      const char* rename = nullptr;
      if ((op == 0x6f || op == 0x7f) && vexPP_ == 1) rename = rexW_ ? "vmovdqa64" : "vmovdqa32";
      if ((op == 0x6f || op == 0x7f) && vexPP_ == 2) rename = rexW_ ? "vmovdqu64" : "vmovdqu32";
      if (op == 0xdb || op == 0xdf || op == 0xeb || op == 0xef) {
        std::snprintf(m, sizeof(m), "%s%c", mnem_, rexW_ ? 'q' : 'd');
        rename = m;
      }
      if (rename) SetMnemonic(rename);
    }
    return true;
  }
  if (!evex_) return false;
  // EVEX-only instructions: the length is what matters; name them by map
  // and opcode with their usual operand shape.
  bad_ = false;
  nops_ = 0;
  char m[32];
  std::snprintf(m, sizeof(m), "evex.m%d.%02x", map, op);
  SetMnemonic(m);
  bool imm = map == 3 ||
             (map == 1 && ((op >= 0x70 && op <= 0x73) || op == 0xc2 || (op >= 0xc4 && op <= 0xc6)));
  return Operands(imm ? "Vx,Hx,Wx,Ib" : "Vx,Hx,Wx");
}

// Instructions that exist only with an EVEX prefix, and the EVEX forms that
// differ from the VEX ones: element size by EVEX.W, an opmask destination for
// comparisons.
bool Decoder::EvexInstruction(int map, uint8_t op) {
  if (map == 2 && vexPP_ == 1 && ((op >= 0x90 && op <= 0x93) || (op >= 0xa0 && op <= 0xa3))) {
    // Gathers and scatters: a vector index (EVEX.V' its fifth bit), the
    // opmask on the data (gather) or the memory (scatter), one element's
    // size in memory and as the displacement unit. With dword data and
    // qword indexes the data register is half the index's width; with
    // qword data and dword indexes the index is half the data's.
    static const char* const kNames[2][4][2] = {{{"vpgatherdd", "vpgatherdq"},
                                                 {"vpgatherqd", "vpgatherqq"},
                                                 {"vgatherdps", "vgatherdpd"},
                                                 {"vgatherqps", "vgatherqpd"}},
                                                {{"vpscatterdd", "vpscatterdq"},
                                                 {"vpscatterqd", "vpscatterqq"},
                                                 {"vscatterdps", "vscatterdpd"},
                                                 {"vscatterqps", "vscatterqpd"}}};
    const bool scatter = op >= 0xa0;
    const bool qIndex = op & 1;
    SetMnemonic(kNames[scatter ? 1 : 0][op & 3][rexW_ ? 1 : 0]);
    vsib_ = true;
    vsibSize_ = (!qIndex && rexW_) ? (VecSize() / 2 < 16 ? 16 : VecSize() / 2) : VecSize();
    disp8Scale_ = rexW_ ? 8 : 4;
    const char* data = (qIndex && !rexW_) ? "Vh" : "Vx";
    const char* memory = rexW_ ? "Mq" : "Md";
    char pattern[16];
    std::snprintf(pattern, sizeof(pattern), "%s,%s", scatter ? memory : data,
                  scatter ? data : memory);
    return Operands(pattern);
  }
  for (const EvexEntry& e : kEvexEntries) {
    if (e.map != map || e.op != op || e.pp != vexPP_) continue;
    const char* name = e.names[rexW_ ? 1 : 0];
    if (!name) continue;
    if (e.reg >= 0) {
      ReadModrm();
      if (reg_ != e.reg) continue;
    }
    SetMnemonic(name);
    // Compress and expand move single elements: their displacement counts
    // in elements, not in vectors.
    if (map == 2 && op >= 0x88 && op <= 0x8b) disp8Scale_ = rexW_ ? 8 : 4;
    return Operands(e.operands);
  }
  return false;
}

bool Decoder::DecodeOpcode() {
  osz_ = rexW_ ? 8 : opsize_ ? 2 : 4;
  asz_ = bits_ == 64 ? (adsize_ ? 4 : 8) : (adsize_ ? 2 : 4);
  uint8_t op = opcode_ = Byte();
  if (bad_) return false;

  // VEX (C4/C5) and EVEX (62); in 32-bit code only when the next byte could
  // not be a memory ModRM (otherwise LES/LDS/BOUND).
  if (op == 0xc4 || op == 0xc5 || op == 0x62) {
    bool ok;
    uint8_t next = PeekByte(ok);
    if (!ok) return false;
    if (bits_ == 64 || (next & 0xc0) == 0xc0) {
      if (rex_ || opsize_ || rep_) return false;
      uint8_t b1 = Byte();
      if (op == 0xc5) {
        rexR_ = bits_ == 64 && !(b1 & 0x80);
        vexV_ = (~b1 >> 3) & 15;
        vexL_ = (b1 >> 2) & 1;
        vexPP_ = b1 & 3;
        vexMap_ = 1;
        vex_ = 2;
      } else {
        uint8_t b2 = Byte();
        if (op == 0xc4) {
          rexR_ = bits_ == 64 && !(b1 & 0x80);
          rexX_ = bits_ == 64 && !(b1 & 0x40);
          rexB_ = bits_ == 64 && !(b1 & 0x20);
          vexMap_ = b1 & 0x1f;
          rexW_ = b2 & 0x80;
          vexV_ = (~b2 >> 3) & 15;
          vexL_ = (b2 >> 2) & 1;
          vexPP_ = b2 & 3;
          vex_ = 2;
        } else {
          uint8_t b3 = Byte();
          if (bad_ || (b2 & 0x04) == 0) return false;
          rexR_ = bits_ == 64 && !(b1 & 0x80);
          rexX_ = bits_ == 64 && !(b1 & 0x40);
          rexB_ = bits_ == 64 && !(b1 & 0x20);
          evexRR_ = bits_ == 64 && !(b1 & 0x10);
          vexMap_ = b1 & 0x07;
          rexW_ = b2 & 0x80;
          vexV_ = ((~b2 >> 3) & 15) | ((b3 & 0x08) ? 0 : 16);
          vexPP_ = b2 & 3;
          evexZ_ = b3 & 0x80;
          vexL_ = (b3 >> 5) & 3;
          evexB_ = b3 & 0x10;
          evexAaa_ = b3 & 7;
          vex_ = 4;
          evex_ = true;
        }
      }
      if (bits_ != 64) vexV_ &= 7;
      osz_ = rexW_ ? 8 : 4;
      opcode_ = Byte();
      if (bad_) return false;
      return VexInstruction();
    }
  }

  if (bits_ == 64) {
    switch (op) {
      case 0x06:
      case 0x07:
      case 0x0e:
      case 0x16:
      case 0x17:
      case 0x1e:
      case 0x1f:
      case 0x27:
      case 0x2f:
      case 0x37:
      case 0x3f:
      case 0x60:
      case 0x61:
      case 0x62:
      case 0x82:
      case 0x9a:
      case 0xc4:
      case 0xc5:
      case 0xce:
      case 0xd4:
      case 0xd5:
      case 0xd6:
      case 0xea:
        return false;
      case 0x63:
        return Group("movsxd", rexW_ ? "Gv,Ed" : "Gv,Ed");
      case 0xa0:
      case 0xa1:
      case 0xa2:
      case 0xa3:
        if (asz_ == 8) {
          const char* ops[4] = {"AL,Ob", "eAX,Ov", "Ob,AL", "Ov,eAX"};
          return Group("movabs", ops[op - 0xa0]);
        }
        break;
      default:
        if (op >= 0xb8 && op <= 0xbf && rexW_) return Group("movabs", "Zv,Iv");
        break;
    }
  }
  if (op == 0x90) {
    if (rexB_) return Group("xchg", "Zv,eAX");
    if (rep_ == 0xf3) return rep_ = 0, SetMnemonic("pause"), true;
    if (opsize_) return Group("xchg", "Zv,eAX");
    return SetMnemonic("nop"), true;
  }
  if (op == 0xe3) {
    return Group(asz_ == 8 ? "jrcxz" : asz_ == 4 ? "jecxz" : "jcxz", "Jb");
  }
  if (op >= 0xd8 && op <= 0xdf) return X87(op);
  if (op == 0x9b) {
    // FWAIT before a no-wait x87 control instruction reads as its waiting form.
    bool ok1, ok2;
    uint8_t b1 = PeekByte(ok1);
    uint8_t b2 = ok1 && p_ + 1 < end_ ? p_[1] : 0;
    ok2 = ok1 && p_ + 1 < end_;
    if (ok2) {
      int r = (b2 >> 3) & 7;
      const char* name = nullptr;
      int size = 0;
      bool mem = (b2 & 0xc0) != 0xc0;
      if (b1 == 0xd9 && mem && r == 7) name = "fstcw", size = 2;
      if (b1 == 0xd9 && mem && r == 6) name = "fstenv";
      if (b1 == 0xdd && mem && r == 7) name = "fstsw", size = 2;
      if (b1 == 0xdd && mem && r == 6) name = "fsave";
      if (b1 == 0xdb && b2 == 0xe2) name = "fclex";
      if (b1 == 0xdb && b2 == 0xe3) name = "finit";
      if (b1 == 0xdf && b2 == 0xe0) name = "fstsw";
      if (name) {
        ++p_;
        ReadModrm();
        if (bad_) return false;
        SetMnemonic(name);
        if (mem) {
          AddMem(size);
        } else if (b1 == 0xdf) {
          AddReg("ax");
        }
        return true;
      }
      if (b1 >= 0xd8 && b1 <= 0xdf) {
        // Any other x87 instruction: the wait belongs to it.
        ++p_;
        waitPrefix_ = true;
        return X87(b1);
      }
    }
  }
  if (op == 0x0f) return ThreeByte(0, Byte());

  const char* text = kOneByte[op];
  if (!text[0]) return false;
  if ((op >= 0x70 && op <= 0x7f) || op == 0xe8 || op == 0xe9 || op == 0xeb || op == 0xc2 ||
      op == 0xc3 || (op >= 0xe0 && op <= 0xe2)) {
    // Near branches and returns use 64-bit operands in 64-bit code.
    if (bits_ == 64) osz_ = 8;
  }
  if (op == 0x9c || op == 0x9d || op == 0xc9 || op == 0xc8) {
    if (bits_ == 64) osz_ = opsize_ ? 2 : 8;
  }
  const char* space = std::strchr(text, ' ');
  char name[24];
  size_t nameLen = space ? static_cast<size_t>(space - text) : std::strlen(text);
  std::memcpy(name, text, nameLen);
  name[nameLen] = '\0';
  const char* operands = space ? space + 1 : "";
  if (name[0] != '@') return Group(name, operands);

  ReadModrm();
  if (bad_) return false;
  if (!std::strcmp(name, "@1")) return Group(kGroup1[reg_], operands);
  if (!std::strcmp(name, "@1a")) {
    if (reg_ != 0) return false;
    return Group("pop", bits_ == 64 ? (opsize_ ? "Ew" : "Eq") : "Ev");
  }
  if (!std::strcmp(name, "@2")) return Group(kGroup2[reg_], operands);
  if (!std::strcmp(name, "@3")) {
    static const char* const k3[8] = {"test", "test", "not", "neg", "mul", "imul", "div", "idiv"};
    if (reg_ < 2) return Group("test", op == 0xf6 ? "Eb,Ib" : "Ev,Iz");
    return Group(k3[reg_], operands);
  }
  if (!std::strcmp(name, "@4")) {
    if (reg_ > 1) return false;
    return Group(reg_ ? "dec" : "inc", "Eb");
  }
  if (!std::strcmp(name, "@5")) {
    const char* near = bits_ == 64 ? (opsize_ ? "Ew" : "Eq") : "Ev";
    switch (reg_) {
      case 0:
        return Group("inc", "Ev");
      case 1:
        return Group("dec", "Ev");
      case 2:
        return Group("call", near);
      case 3:
        return Group("call", "Mp");
      case 4:
        return Group("jmp", near);
      case 5:
        return Group("jmp", "Mp");
      case 6:
        return Group("push", near);
      default:
        return false;
    }
  }
  if (!std::strcmp(name, "@11")) {
    if (reg_ == 0) return Group("mov", operands);
    if (mod_ == 3 && reg_ == 7 && rm_ == 0) {
      if (op == 0xc6) return Group("xabort", "Ib");
      if (bits_ == 64) osz_ = 8;
      return Group("xbegin", "Jz");
    }
    return false;
  }
  return false;
}

// The 0F map (map 0 here means "0F seen, opcode in hand").
bool Decoder::ThreeByte(int, uint8_t op) {
  if (bad_) return false;
  opcode_ = op;
  if (op == 0x38 || op == 0x3a) {
    uint8_t op2 = Byte();
    if (bad_) return false;
    opcode_ = op2;
    int map = op == 0x38 ? 2 : 3;
    int pfx = rep_ == 0xf3 ? 2 : rep_ == 0xf2 ? 3 : opsize_ ? 1 : 0;
    // crc32 takes F2 along with an operand-size 66.
    if (map == 2 && rep_ == 0xf2 && (op2 == 0xf0 || op2 == 0xf1)) {
      rep_ = 0;
      return SseEntryFor(2, op2, 3);
    }
    if (map == 2 && (op2 == 0xf0 || op2 == 0xf1) && !rep_) {
      return SseEntryFor(2, op2, opsize_ ? 1 : 0);
    }
    if (pfx == 1) osz_ = rexW_ ? 8 : 4;
    if (pfx >= 2) rep_ = 0;
    if (pfx == 1) opsize_ = false;
    return SseEntryFor(map, op2, pfx);
  }
  const char* text = kTwoByte[op];
  if (!text[0]) return false;
  if (op >= 0x80 && op <= 0x8f && bits_ == 64) osz_ = 8;
  if (text[0] == '%') {
    int pfx = rep_ == 0xf3 ? 2 : rep_ == 0xf2 ? 3 : opsize_ ? 1 : 0;
    if (op == 0xb8 || op == 0xbc || op == 0xbd) {
      pfx = rep_ == 0xf3 ? 2 : rep_ == 0xf2 ? 3 : 0;
    } else if (pfx == 1) {
      opsize_ = false;
      osz_ = rexW_ ? 8 : 4;
    }
    if (pfx >= 2) rep_ = 0;
    return SseEntryFor(1, op, pfx);
  }
  const char* space = std::strchr(text, ' ');
  char name[24];
  size_t nameLen = space ? static_cast<size_t>(space - text) : std::strlen(text);
  std::memcpy(name, text, nameLen);
  name[nameLen] = '\0';
  const char* operands = space ? space + 1 : "";
  if (op == 0xa0 || op == 0xa1 || op == 0xa8 || op == 0xa9) {
    if (bits_ == 64) osz_ = opsize_ ? 2 : 8;
  }
  if (op == 0x20 || op == 0x21 || op == 0x22 || op == 0x23) {
    ReadModrm();
    if (bad_) return false;
    mod_ = 3;
  }
  if (name[0] != '@') return Group(name, operands);
  ReadModrm();
  if (bad_) return false;
  const uint8_t modrm = static_cast<uint8_t>((mod_ << 6) | (reg_ << 3) | rm_);
  switch (name[1]) {
    case '6': {
      static const char* const k6[8] = {"sldt", "str",  "lldt",  "ltr",
                                        "verr", "verw", nullptr, nullptr};
      if (!k6[reg_]) return false;
      return Group(k6[reg_], mod_ == 3 && reg_ < 2 ? "Ev" : "Ew");
    }
    case '7': {
      if (mod_ != 3) {
        static const char* const k7[8] = {"sgdt", "sidt",  "lgdt", "lidt",
                                          "smsw", nullptr, "lmsw", "invlpg"};
        if (!k7[reg_]) return false;
        if (reg_ < 4 && bits_ == 32) {
          char m[8];
          std::snprintf(m, sizeof(m), "%s%c", k7[reg_], opsize_ ? 'w' : 'd');
          return Group(m, "M");
        }
        return Group(k7[reg_], reg_ == 4 || reg_ == 6 ? "Ew" : reg_ == 7 ? "Mb" : "M");
      }
      struct R {
        uint8_t modrm;
        const char* name;
      };
      static const R k7r[] = {
          {0xc1, "vmcall"},  {0xc2, "vmlaunch"}, {0xc3, "vmresume"}, {0xc4, "vmxoff"},
          {0xc8, "monitor"}, {0xc9, "mwait"},    {0xca, "clac"},     {0xcb, "stac"},
          {0xcf, "encls"},   {0xd0, "xgetbv"},   {0xd1, "xsetbv"},   {0xd4, "vmfunc"},
          {0xd5, "xend"},    {0xd6, "xtest"},    {0xd7, "enclu"},    {0xd8, "vmrun"},
          {0xd9, "vmmcall"}, {0xda, "vmload"},   {0xdb, "vmsave"},   {0xdc, "stgi"},
          {0xdd, "clgi"},    {0xde, "skinit"},   {0xdf, "invlpga"},  {0xee, "rdpkru"},
          {0xef, "wrpkru"},  {0xf8, "swapgs"},   {0xf9, "rdtscp"},   {0xfa, "monitorx"},
          {0xfb, "mwaitx"},  {0xfc, "clzero"}};
      for (const R& r : k7r)
        if (r.modrm == modrm) return SetMnemonic(r.name), true;
      if (reg_ == 4) return Group("smsw", "Ev");
      if (reg_ == 6) return Group("lmsw", "Ew");
      return false;
    }
    case '8': {
      if (reg_ < 4) return false;
      static const char* const k8[4] = {"bt", "bts", "btr", "btc"};
      return Group(k8[reg_ - 4], operands);
    }
    case '9': {
      if (mod_ != 3) {
        if (reg_ == 1) return rexW_ ? Group("cmpxchg16b", "MO") : Group("cmpxchg8b", "Mq");
        static const char* const k9[8] = {nullptr,  nullptr,  nullptr,   "xrstors",
                                          "xsavec", "xsaves", "vmptrld", "vmptrst"};
        if (!k9[reg_]) return false;
        if (reg_ == 6 && opsize_) return Group("vmclear", "Mq");
        if (reg_ == 6 && rep_ == 0xf3) return rep_ = 0, Group("vmxon", "Mq");
        return Group(k9[reg_], reg_ >= 6 ? "Mq" : "M");
      }
      if (reg_ == 6) return Group("rdrand", "Ev");
      if (reg_ == 7 && rep_ == 0xf3) return rep_ = 0, Group("rdpid", "R");
      if (reg_ == 7) return Group("rdseed", "Ev");
      return false;
    }
    case '1': {  // @15 (0F AE) or @16 (0F 18)
      if (name[2] == '6') {
        static const char* const k16[4] = {"prefetchnta", "prefetcht0", "prefetcht1", "prefetcht2"};
        if (mod_ != 3 && reg_ < 4) return Group(k16[reg_], "Mb");
        return Group("nop", "Ev");
      }
      if (mod_ == 3) {
        if (rep_ == 0xf3 && reg_ < 4) {
          static const char* const kFs[4] = {"rdfsbase", "rdgsbase", "wrfsbase", "wrgsbase"};
          rep_ = 0;
          return Group(kFs[reg_], "Ey");
        }
        if (reg_ == 5) return SetMnemonic("lfence"), true;
        if (reg_ == 6) return SetMnemonic("mfence"), true;
        if (reg_ == 7) return SetMnemonic("sfence"), true;
        return false;
      }
      static const char* const k15[8] = {"fxsave", "fxrstor", "ldmxcsr",  "stmxcsr",
                                         "xsave",  "xrstor",  "xsaveopt", "clflush"};
      static const char* const k15w[8] = {"fxsave64", "fxrstor64", "ldmxcsr",    "stmxcsr",
                                          "xsave64",  "xrstor64",  "xsaveopt64", "clflush"};
      if (opsize_ && reg_ == 6) return opsize_ = false, Group("clwb", "Mb");
      if (opsize_ && reg_ == 7) return opsize_ = false, Group("clflushopt", "Mb");
      const char* n = rexW_ ? k15w[reg_] : k15[reg_];
      return Group(n, reg_ == 2 || reg_ == 3 ? "Md" : reg_ == 7 ? "Mb" : "M");
    }
    case 'p': {
      if (mod_ == 3) return Group("nop", "Ev");
      static const char* const kP[8] = {"prefetch", "prefetchw", "prefetchwt1", "prefetch",
                                        "prefetch", "prefetch",  "prefetch",    "prefetch"};
      return Group(kP[reg_], "Mb");
    }
    default:
      return false;
  }
}

void Decoder::FormatMemory(Out& out, const Operand& o) {
  static const char* const kSizeName[65] = {nullptr, "byte",  "word",  nullptr, "dword", nullptr,
                                            "fword", nullptr, "qword", nullptr, "tbyte"};
  int size = o.size;
  const char* sizeName = nullptr;
  if (size == 16)
    sizeName = "xmmword";
  else if (size == 17)
    sizeName = "oword";
  else if (size == 32)
    sizeName = "ymmword";
  else if (size == 64)
    sizeName = "zmmword";
  else if (size > 0 && size <= 10)
    sizeName = kSizeName[size];
  if (evex_ && evexB_ && mod_ != 3) {
    // Embedded broadcast of one element.
    out.Add(rexW_ ? "qword bcst " : "dword bcst ");
  } else if (sizeName) {
    out.Add(sizeName);
    out.Add(" ptr ");
  }
  const int idx = static_cast<int>(&o - ops_);
  if (o.segPrefix) {
    out.Add(kSeg[strSeg_[idx]]);
    out.Add(":[");
    out.Add(o.reg);
    out.Char(']');
    return;
  }
  if (seg_ >= 0) {
    out.Add(kSeg[seg_]);
    out.Char(':');
  }
  int64_t disp = mem_.disp;
  if (evex_ && mod_ == 1 && size > 0) {
    disp *= disp8Scale_ ? disp8Scale_ : evexB_ ? (rexW_ ? 8 : 4) : (size == 17 ? 16 : size);
  }
  if (mem_.absolute) {
    if (seg_ < 0) out.Add("ds:");
    out.Hex(Mask(static_cast<uint64_t>(disp), asz_ * 8));
    return;
  }
  out.Char('[');
  if (mem_.rip) {
    uint64_t next = address_ + static_cast<uint64_t>(p_ - start_);
    out.Hex(Mask(next + static_cast<uint64_t>(disp), asz_ * 8));
    out.Char(']');
    return;
  }
  if (mem_.base) out.Add(mem_.base);
  if (mem_.index) {
    if (mem_.base) out.Char('+');
    out.Add(mem_.index);
    if (mem_.scale) {
      char s[4] = {'*', static_cast<char>('0' + mem_.scale), 0, 0};
      out.Add(s);
    }
  }
  if (mem_.hasDisp) {
    if (disp < 0) {
      out.Char('-');
      out.Hex(static_cast<uint64_t>(-disp));
    } else {
      out.Char('+');
      out.Hex(static_cast<uint64_t>(disp));
    }
  }
  out.Char(']');
}

void Decoder::Format(Out& out) {
  // Prefixes the processor applies to this instruction, as readers expect them.
  if (lock_) out.Add("lock ");
  if (waitPrefix_) out.Add("fwait ");
  const uint8_t op = opcode_;
  bool branch = !vex_ && ((op >= 0x70 && op <= 0x7f) || op == 0xe8 || op == 0xe9 || op == 0xeb ||
                          op == 0xc2 || op == 0xc3 || (op == 0xff && (reg_ == 2 || reg_ == 4)));
  if (rep_ == 0xf3) {
    bool plainRep = stringOp_ && std::strncmp(mnem_, "cmps", 4) && std::strncmp(mnem_, "scas", 4);
    out.Add(plainRep ? "rep " : "repz ");
  } else if (rep_ == 0xf2) {
    out.Add(branch ? "bnd " : "repnz ");
  }
  if (seg_ == 3 && op == 0xff && (reg_ == 2 || reg_ == 4) && !vex_) out.Add("notrack ");
  int first = 0;
  if ((!std::strcmp(mnem_, "pclmulqdq") || !std::strcmp(mnem_, "vpclmulqdq")) && nops_ > 0 &&
      ops_[nops_ - 1].kind == kImmediate) {
    // The four useful selectors have names of their own.
    static const char* const kSel[4] = {"lqlq", "hqlq", "lqhq", "hqhq"};
    uint64_t v = ops_[nops_ - 1].value;
    if (v == 0x00 || v == 0x01 || v == 0x10 || v == 0x11) {
      out.Add(vex_ ? "vpclmul" : "pclmul");
      out.Add(kSel[(v & 1) | ((v >> 3) & 2)]);
      out.Add("dq");
      --nops_;
      first = -1;
    }
  }
  if (first == 0) out.Add(mnem_);
  for (int i = 0; i < nops_; ++i) {
    out.Char(i == 0 ? ' ' : ',');
    const Operand& o = ops_[i];
    switch (o.kind) {
      case kRegister:
        out.Add(o.reg);
        break;
      case kImmediate:
        out.Hex(o.value);
        break;
      case kMemory:
        FormatMemory(out, o);
        break;
      case kTarget: {
        uint64_t next = address_ + static_cast<uint64_t>(p_ - start_);
        int width = bits_ == 64 ? 64 : (opsize_ ? 16 : 32);
        out.Hex(Mask(next + o.value, width));
        break;
      }
      default:
        break;
    }
    if (i == 0 && evex_ && evexAaa_) {
      char k[8] = {'{', 'k', static_cast<char>('0' + evexAaa_), '}', 0};
      out.Add(k);
      if (evexZ_) out.Add("{z}");
    }
  }
}

int Decoder::Run(Out& out) {
  bool ok = Prefixes() && !bad_ && DecodeOpcode() && !bad_;
  if (ok && p_ - start_ > kMaxLength) ok = false;
  if (!ok) {
    out.n = 0;
    // A prefix with nothing valid after it reads as the prefix alone.
    if (strandedRex_) {
      for (const uint8_t* q = start_; q < p_; ++q) {
        if (q != start_) out.Char(' ');
        out.Add(PrefixName(*q, bits_));
      }
      return static_cast<int>(p_ - start_);
    }
    const char* name = "(bad)";
    if (onlyPrefixes_) name = PrefixName(start_[0], bits_);
    out.Add(name);
    return 1;
  }
  Format(out);
  return static_cast<int>(p_ - start_);
}

}  // namespace

int Decode(const uint8_t* code, const uint8_t* end, uint64_t address, int bits, char* text,
           size_t textSize) {
  if (text && textSize > 0) text[0] = '\0';
  if (!code || !end || code >= end || !text || textSize == 0) return 0;
  if (bits != 32 && bits != 64) bits = 64;
  Decoder d(code, end, address, bits);
  Out out;
  int length = d.Run(out);
  size_t n = out.n < textSize - 1 ? out.n : textSize - 1;
  std::memcpy(text, out.buf, n);
  text[n] = '\0';
  return length;
}

int Decode(const uint8_t* code, const uint8_t* end, uint64_t address, int bits, std::string& text) {
  char buf[200];
  int length = Decode(code, end, address, bits, buf, sizeof(buf));
  text = buf;
  return length;
}

}  // namespace nubrik::disasm

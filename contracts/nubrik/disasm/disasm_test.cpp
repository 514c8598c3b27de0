// Decoder cases that are easy to get wrong: prefixes, address forms, branch
// targets, x87, VEX/EVEX lengths, truncated and undefined input.
#include "contracts/nubrik/disasm/disasm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"

namespace nubrik::disasm {
namespace {

struct Case {
  std::vector<uint8_t> Bytes;
  const char* Text;
};

// Decodes `bytes` (end exactly after them) at `address`; expects the whole
// sequence to be one instruction.
std::string One(const std::vector<uint8_t>& bytes, int bits, uint64_t address = 0x1000,
                int* length = nullptr) {
  std::string text;
  int n = Decode(bytes.data(), bytes.data() + bytes.size(), address, bits, text);
  if (length) *length = n;
  return text;
}

void ExpectAll(const std::vector<Case>& cases, int bits, uint64_t address = 0x1000) {
  for (const Case& c : cases) {
    int length = 0;
    std::string text = One(c.Bytes, bits, address, &length);
    EXPECT_EQ(text, c.Text);
    EXPECT_EQ(length, static_cast<int>(c.Bytes.size())) << c.Text;
  }
}

TEST(Disasm, PrefixCombinations64) {
  ExpectAll({{{0x66, 0x89, 0xc8}, "mov ax,cx"},
             {{0x48, 0x89, 0xc8}, "mov rax,rcx"},
             {{0x66, 0x48, 0x89, 0xc8}, "mov rax,rcx"},  // REX.W wins over 66
             {{0x40, 0x88, 0xe0}, "mov al,spl"},
             {{0x88, 0xe0}, "mov al,ah"},
             {{0xf0, 0x48, 0x0f, 0xb1, 0x0a}, "lock cmpxchg qword ptr [rdx],rcx"},
             {{0xf3, 0x48, 0xab}, "rep stos qword ptr es:[rdi],rax"},
             {{0xf3, 0xa6}, "repz cmps byte ptr ds:[rsi],byte ptr es:[rdi]"},
             {{0xf2, 0xae}, "repnz scas al,byte ptr es:[rdi]"},
             {{0xf3, 0xc3}, "repz ret"},
             {{0x66, 0x90}, "xchg ax,ax"},
             {{0xf3, 0x90}, "pause"},
             {{0x41, 0x90}, "xchg r8d,eax"},
             {{0xf3, 0x0f, 0x1e, 0xfa}, "endbr64"},
             {{0x66, 0x2e, 0x0f, 0x1f, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00},
              "nop word ptr cs:[rax+rax*1+0x0]"},
             {{0xf3, 0x48, 0x0f, 0xb8, 0xc1}, "popcnt rax,rcx"},
             {{0x66, 0xf3, 0x0f, 0xbc, 0xc1}, "tzcnt ax,cx"}},
            64);
}

TEST(Disasm, AddressForms64) {
  // RIP-relative: resolved from the end of the instruction.
  ExpectAll({{{0x48, 0x8d, 0x05, 0x10, 0x00, 0x00, 0x00}, "lea rax,[0x1017]"},
             {{0x8b, 0x05, 0xf0, 0xff, 0xff, 0xff}, "mov eax,dword ptr [0xff6]"},
             {{0xc7, 0x05, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00},
              "mov dword ptr [0x110a],0x5"},  // the immediate counts in the length
             {{0x67, 0x8b, 0x05, 0x00, 0x00, 0x00, 0x00}, "mov eax,dword ptr [0x1007]"},
             {{0x8b, 0x04, 0x25, 0x30, 0x00, 0x00, 0x00}, "mov eax,dword ptr ds:0x30"},
             {{0x65, 0x48, 0x8b, 0x04, 0x25, 0x30, 0x00, 0x00, 0x00}, "mov rax,qword ptr gs:0x30"},
             {{0x42, 0x8b, 0x44, 0xa5, 0xf8}, "mov eax,dword ptr [rbp+r12*4-0x8]"},
             {{0x41, 0x8b, 0x04, 0x24}, "mov eax,dword ptr [r12]"},
             {{0x41, 0x8b, 0x45, 0x00}, "mov eax,dword ptr [r13+0x0]"},
             {{0x8d, 0x04, 0x8d, 0x00, 0x00, 0x00, 0x00}, "lea eax,[rcx*4+0x0]"},
             {{0x8d, 0x74, 0x26, 0x00}, "lea esi,[rsi+riz*1+0x0]"},
             {{0x48, 0xa1, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11},
              "movabs rax,ds:0x1122334455667788"},
             {{0x48, 0xb8, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11},
              "movabs rax,0x1122334455667788"},
             {{0x48, 0x83, 0xc0, 0xff}, "add rax,0xffffffffffffffff"},
             {{0x66, 0x83, 0xc0, 0xff}, "add ax,0xffff"},
             {{0x6a, 0xff}, "push 0xffffffffffffffff"},
             {{0x8c, 0xd8}, "mov eax,ds"}},
            64, 0x1000);
}

TEST(Disasm, BranchTargets) {
  ExpectAll({{{0xeb, 0xfe}, "jmp 0x1000"},
             {{0x74, 0x10}, "je 0x1012"},
             {{0xe8, 0x00, 0x00, 0x00, 0x00}, "call 0x1005"},
             {{0xe9, 0xfb, 0xef, 0xff, 0xff}, "jmp 0x0"},
             {{0x0f, 0x85, 0x00, 0x01, 0x00, 0x00}, "jne 0x1106"},
             {{0xe2, 0xfe}, "loop 0x1000"},
             {{0xe3, 0x00}, "jrcxz 0x1002"},
             {{0xff, 0x15, 0x00, 0x00, 0x00, 0x00}, "call qword ptr [0x1006]"},
             {{0x3e, 0xff, 0xe0}, "notrack jmp rax"},
             {{0xf2, 0xe9, 0x00, 0x00, 0x00, 0x00}, "bnd jmp 0x1006"}},
            64);
  // 32-bit targets wrap at 4 GiB; 66 makes them 16-bit.
  EXPECT_EQ(One({0xe9, 0x00, 0x00, 0x00, 0x00}, 32, 0xfffffffe), "jmp 0x3");
  EXPECT_EQ(One({0xe8, 0xfb, 0xff, 0xff, 0xff}, 32, 0x401000), "call 0x401000");
  EXPECT_EQ(One({0x66, 0xe9, 0x00, 0x00}, 32, 0x1234fff0), "jmp 0xfff4");
  EXPECT_EQ(One({0xe3, 0x00}, 32), "jecxz 0x1002");
}

TEST(Disasm, Operands32) {
  ExpectAll({{{0x66, 0x89, 0xc8}, "mov ax,cx"},
             {{0x8b, 0x05, 0x00, 0x10, 0x40, 0x00}, "mov eax,dword ptr ds:0x401000"},
             {{0x64, 0xa1, 0x18, 0x00, 0x00, 0x00}, "mov eax,fs:0x18"},
             {{0x26, 0x8b, 0x07}, "mov eax,dword ptr es:[edi]"},
             {{0x67, 0x8b, 0x00}, "mov eax,dword ptr [bx+si]"},
             {{0x67, 0x8b, 0x46, 0x04}, "mov eax,dword ptr [bp+0x4]"},
             {{0x40}, "inc eax"},
             {{0x66, 0x48}, "dec ax"},
             {{0x6a, 0xff}, "push 0xffffffff"},
             {{0x66, 0x6a, 0x05}, "pushw 0x5"},
             {{0x60}, "pusha"},
             {{0x62, 0x03}, "bound eax,qword ptr [ebx]"},
             {{0x9a, 0x78, 0x56, 0x34, 0x12, 0x10, 0x00}, "call 0x10:0x12345678"},
             {{0xc4, 0x08}, "les ecx,fword ptr [eax]"},
             {{0x0f, 0x20, 0xc0}, "mov eax,cr0"},
             {{0xc2, 0x08, 0x00}, "ret 0x8"},
             {{0xc8, 0x10, 0x00, 0x00}, "enter 0x10,0x0"},
             {{0xd1, 0xe0}, "shl eax,1"},
             {{0xf6, 0xc1, 0x01}, "test cl,0x1"},
             {{0xd7}, "xlat byte ptr ds:[ebx]"}},
            32);
}

TEST(Disasm, X87) {
  ExpectAll({{{0xd9, 0xe8}, "fld1"},
             {{0xd9, 0xee}, "fldz"},
             {{0xd9, 0xc9}, "fxch st(1)"},
             {{0xd8, 0xc1}, "fadd st,st(1)"},
             {{0xdc, 0xe9}, "fsub st(1),st"},  // the DC/DE register forms are swapped
             {{0xde, 0xf9}, "fdivp st(1),st"},
             {{0xdd, 0xd8}, "fstp st(0)"},
             {{0xdf, 0xe0}, "fnstsw ax"},
             {{0x9b, 0xdf, 0xe0}, "fstsw ax"},
             {{0x9b, 0xd9, 0x7c, 0x24, 0x04}, "fstcw word ptr [esp+0x4]"},
             {{0xdb, 0x28}, "fld tbyte ptr [eax]"},
             {{0xdd, 0x00}, "fld qword ptr [eax]"},
             {{0xdf, 0x38}, "fistp qword ptr [eax]"},
             {{0xd9, 0x30}, "fnstenv [eax]"},
             {{0xdb, 0xe8}, "fucomi st,st(0)"}},
            32);
}

TEST(Disasm, SseAndVex) {
  ExpectAll({{{0x0f, 0x28, 0xc1}, "movaps xmm0,xmm1"},
             {{0x66, 0x0f, 0xef, 0xc0}, "pxor xmm0,xmm0"},
             {{0x0f, 0xef, 0xc0}, "pxor mm0,mm0"},
             {{0xf2, 0x0f, 0x10, 0x00}, "movsd xmm0,qword ptr [rax]"},
             {{0xf3, 0x0f, 0x7e, 0x00}, "movq xmm0,qword ptr [rax]"},
             {{0x66, 0x48, 0x0f, 0x6e, 0xc0}, "movq xmm0,rax"},
             {{0xf2, 0x48, 0x0f, 0x2a, 0xc0}, "cvtsi2sd xmm0,rax"},
             {{0x0f, 0xc2, 0xc1, 0x01}, "cmpltps xmm0,xmm1"},
             {{0x66, 0x0f, 0x3a, 0x44, 0xc1, 0x11}, "pclmulhqhqdq xmm0,xmm1"},
             {{0x66, 0x0f, 0x38, 0x00, 0xc1}, "pshufb xmm0,xmm1"},
             {{0xf2, 0x0f, 0x38, 0xf1, 0xc1}, "crc32 eax,ecx"},
             {{0xc5, 0xf8, 0x77}, "vzeroupper"},
             {{0xc5, 0xfc, 0x28, 0x00}, "vmovaps ymm0,ymmword ptr [rax]"},
             {{0xc5, 0xf4, 0x58, 0xc2}, "vaddps ymm0,ymm1,ymm2"},
             {{0xc4, 0xe2, 0x7d, 0x58, 0xc0}, "vpbroadcastd ymm0,xmm0"},
             {{0xc4, 0xe3, 0x7d, 0x39, 0xc1, 0x01}, "vextracti128 xmm1,ymm0,0x1"},
             {{0xc4, 0xe2, 0x75, 0xb8, 0xc2}, "vfmadd231ps ymm0,ymm1,ymm2"},
             {{0xc4, 0xe2, 0x70, 0xf2, 0xc2}, "andn eax,ecx,edx"},
             {{0xc4, 0xe2, 0xf3, 0xf6, 0xc2}, "mulx rax,rcx,rdx"},
             {{0xc5, 0xfa, 0x10, 0xc1}, "vmovss xmm0,xmm0,xmm1"},
             {{0xc5, 0xfa, 0x10, 0x00}, "vmovss xmm0,dword ptr [rax]"}},
            64);
}

TEST(Disasm, EvexLengths) {
  // vmovups zmm0,[rax+0x40] with a compressed disp8 of 1: 7 bytes.
  int length = 0;
  std::string text = One({0x62, 0xf1, 0x7c, 0x48, 0x10, 0x40, 0x01}, 64, 0, &length);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(text, "vmovups zmm0,zmmword ptr [rax+0x40]");
  // vpternlogd zmm0,zmm1,zmm2,0xff: map 3 carries an immediate.
  One({0x62, 0xf3, 0x75, 0x48, 0x25, 0xc2, 0xff}, 64, 0, &length);
  EXPECT_EQ(length, 7);
  // Masked and zeroing: {k1}{z} on the destination.
  text = One({0x62, 0xf1, 0x7c, 0xc9, 0x58, 0xc2}, 64, 0, &length);
  EXPECT_EQ(length, 6);
  EXPECT_EQ(text, "vaddps zmm0{k1}{z},zmm0,zmm2");
  // Embedded broadcast: one element, not the vector.
  EXPECT_EQ(One({0x62, 0xf1, 0xe5, 0x5a, 0x58, 0x10}, 64, 0, &length),
            "vaddpd zmm2{k2},zmm3,qword bcst [rax]");
  EXPECT_EQ(length, 6);
  // Opmask instructions are VEX-encoded.
  EXPECT_EQ(One({0xc5, 0xf8, 0x92, 0xc8}, 64, 0, &length), "kmovw k1,eax");
  EXPECT_EQ(One({0xc5, 0xec, 0x41, 0xcb}, 64, 0, &length), "kandw k1,k2,k3");
  // An EVEX-only instruction without a table entry (here vpdpbusd) keeps
  // its length.
  One({0x62, 0xf2, 0x75, 0x48, 0x50, 0x44, 0x24, 0x04}, 64, 0, &length);
  EXPECT_EQ(length, 8);
  // In 32-bit code 62 with a memory ModRM is BOUND.
  EXPECT_EQ(One({0x62, 0x03}, 32), "bound eax,qword ptr [ebx]");
}

TEST(Disasm, BadAndTruncated) {
  int length = 0;
  // Undefined: one byte of "(bad)".
  EXPECT_EQ(One({0x0f, 0x0b}, 64), "ud2");
  EXPECT_EQ(One({0x06}, 64, 0, &length), "(bad)");
  EXPECT_EQ(length, 1);
  EXPECT_EQ(One({0x0f, 0x04}, 64, 0, &length), "(bad)");
  EXPECT_EQ(length, 1);
  // A prefix with nothing after it reads as that prefix, one byte.
  EXPECT_EQ(One({0x3e}, 64, 0, &length), "ds");
  EXPECT_EQ(length, 1);
  EXPECT_EQ(One({0xf0, 0x66}, 64, 0, &length), "lock");
  EXPECT_EQ(length, 1);
  // Truncated at every possible point: (bad), one byte, never beyond end.
  const std::vector<uint8_t> full = {0x48, 0xc7, 0x84, 0x88, 0x00, 0x01,
                                     0x00, 0x00, 0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(One(full, 64, 0, &length), "mov qword ptr [rax+rcx*4+0x100],0x12345678");
  EXPECT_EQ(length, 12);
  for (size_t cut = 1; cut < full.size(); ++cut) {
    std::vector<uint8_t> part(full.begin(), full.begin() + cut);
    EXPECT_EQ(One(part, 64, 0, &length), cut == 1 ? "rex.W" : "(bad)") << cut;
    EXPECT_EQ(length, 1);
  }
  // A REX prefix followed by another prefix has no effect: it stands alone,
  // with the prefixes before it, and decoding resumes after it.
  EXPECT_EQ(One({0x2e, 0x43, 0xf0, 0x01, 0x00}, 64, 0, &length), "cs rex.XB");
  EXPECT_EQ(length, 2);
  EXPECT_EQ(One({0x48, 0x9b}, 64, 0, &length), "rex.W");
  EXPECT_EQ(length, 1);
  EXPECT_EQ(One({0x48, 0x66, 0x89, 0xc8}, 64, 0, &length), "rex.W");
  EXPECT_EQ(length, 1);
  // An undefined segment register.
  EXPECT_EQ(One({0x8e, 0xf0}, 64, 0, &length), "(bad)");
  EXPECT_EQ(length, 1);
  // More than 15 bytes of prefixes.
  std::vector<uint8_t> longOne(15, 0x66);
  longOne.push_back(0x90);
  EXPECT_EQ(One(longOne, 64, 0, &length), "(bad)");
  EXPECT_EQ(length, 1);
  // Nothing to read: 0 and empty text.
  char text[8] = "xxx";
  const uint8_t b = 0x90;
  EXPECT_EQ(Decode(&b, &b, 0, 64, text, sizeof(text)), 0);
  EXPECT_STREQ(text, "");
}

TEST(Disasm, EvexOnlyInstructions) {
  ExpectAll({// Comparisons write an opmask; integer predicates 3 and 7 stay numbers.
             {{0x62, 0xf3, 0x65, 0x48, 0x1f, 0xc9, 0x02}, "vpcmpled k1,zmm3,zmm1"},
             {{0x62, 0xf3, 0x7d, 0x48, 0x1f, 0xc9, 0x03}, "vpcmpd k1,zmm0,zmm1,0x3"},
             {{0x62, 0xf1, 0xd5, 0x48, 0xc2, 0xca, 0x01}, "vcmpltpd k1,zmm5,zmm2"},
             {{0x62, 0xf2, 0xfd, 0x48, 0x29, 0x01}, "vpcmpeqq k0,zmm0,zmmword ptr [rcx]"},
             // EVEX.W picks the element size where VEX has one form only.
             {{0x62, 0xf2, 0xed, 0x48, 0x40, 0x0c, 0x02},
              "vpmullq zmm1,zmm2,zmmword ptr [rdx+rax*1]"},
             {{0x62, 0xf1, 0xfd, 0x28, 0x72, 0xe0, 0x03}, "vpsraq ymm0,ymm0,0x3"},
             {{0x62, 0xf1, 0x7f, 0xc9, 0x6f, 0xc4}, "vmovdqu8 zmm0{k1}{z},zmm4"},
             // Broadcast from a general register, narrowing store, mask moves.
             {{0x62, 0xd2, 0x7d, 0x48, 0x7c, 0xca}, "vpbroadcastd zmm1,r10d"},
             {{0x62, 0xf2, 0x7e, 0x48, 0x35, 0x01}, "vpmovqd ymmword ptr [rcx],zmm0"},
             {{0x62, 0xf2, 0x7e, 0x48, 0x39, 0xc0}, "vpmovd2m k0,zmm0"},
             {{0x62, 0xf2, 0x7e, 0x48, 0x38, 0xc0}, "vpmovm2d zmm0,k0"},
             {{0x62, 0xd3, 0x75, 0x48, 0x25, 0x01, 0x96},
              "vpternlogd zmm0,zmm1,zmmword ptr [r9],0x96"},
             // Compress counts its compressed displacement in elements.
             {{0x62, 0xf2, 0x7d, 0x49, 0x8a, 0x41, 0x04},
              "vcompressps zmmword ptr [rcx+0x10]{k1},zmm0"},
             // Gathers and scatters: a vector index, one element in memory.
             {{0x62, 0xf2, 0x7d, 0x49, 0x90, 0x04, 0x8a},
              "vpgatherdd zmm0{k1},dword ptr [rdx+zmm1*4]"},
             {{0x62, 0xf2, 0xfd, 0x49, 0x92, 0x04, 0xca},
              "vgatherdpd zmm0{k1},qword ptr [rdx+ymm1*8]"},
             {{0x62, 0xf2, 0x7d, 0x49, 0x93, 0x04, 0x8a},
              "vgatherqps ymm0{k1},dword ptr [rdx+zmm1*4]"},
             {{0x62, 0xf2, 0x7d, 0x49, 0xa0, 0x0c, 0x81},
              "vpscatterdd dword ptr [rcx+zmm0*4]{k1},zmm1"},
             // EVEX.V' selects index registers 16-31.
             {{0x62, 0xf2, 0x7d, 0x41, 0x90, 0x04, 0x8a},
              "vpgatherdd zmm0{k1},dword ptr [rdx+zmm17*4]"},
             {{0x62, 0xd2, 0x75, 0x48, 0x50, 0x01}, "vpdpbusd zmm0,zmm1,zmmword ptr [r9]"}},
            64);
}

TEST(Disasm, TextSizeIsHonoured) {
  const uint8_t code[] = {0x48, 0x8b, 0x84, 0x88, 0x00, 0x01, 0x00, 0x00};
  char text[12];
  std::memset(text, 'X', sizeof(text));
  EXPECT_EQ(Decode(code, code + sizeof(code), 0, 64, text, 8), 8);
  EXPECT_STREQ(text, "mov rax");
  EXPECT_EQ(text[8], 'X');
  EXPECT_EQ(Decode(code, code + sizeof(code), 0, 64, text, 1), 8);
  EXPECT_STREQ(text, "");
}

TEST(Disasm, CInterface) {
  const unsigned char code[] = {0x55, 0x48, 0x89, 0xe5, 0xc3};
  const unsigned char* p = code;
  char text[100];
  EXPECT_EQ(NubrikDisassembleEx(&p, code + sizeof(code), 0x2000, 64, text, sizeof(text)), 1);
  EXPECT_STREQ(text, "push rbp");
  EXPECT_EQ(p, code + 1);
  EXPECT_EQ(NubrikDisassembleEx(&p, code + sizeof(code), 0x2001, 32, text, sizeof(text)), 1);
  EXPECT_STREQ(text, "dec eax");  // 48 is an instruction of its own in 32-bit code
  EXPECT_EQ(NubrikDisassembleEx(&p, code + sizeof(code), 0x2002, 64, text, 0), 0);
  EXPECT_EQ(NubrikDisassembleEx(&p, code + sizeof(code), 0x2002, 16, text, sizeof(text)), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(NubrikDisassembleEx(&p, p, 0x2002, 64, text, sizeof(text)), 0);
  EXPECT_STREQ(text, "");

  // Ordinal 24: this build's width, labels from the pointer itself, moves on.
  const unsigned char buffer[32] = {0xe8, 0x00, 0x00, 0x00, 0x00, 0x90};
  const unsigned char* q = buffer;
  EXPECT_EQ(NubrikDisassemble(&q, text), 5);
  EXPECT_EQ(q, buffer + 5);
  char expected[40];
  std::snprintf(expected, sizeof(expected), "call 0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(buffer + 5)));
  EXPECT_STREQ(text, expected);
  EXPECT_EQ(NubrikDisassemble(&q, text), 1);
  EXPECT_STREQ(text, "nop");
}

}  // namespace
}  // namespace nubrik::disasm

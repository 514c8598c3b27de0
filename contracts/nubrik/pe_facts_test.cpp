#include "contracts/nubrik/pe_facts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/fixtures/pe_writer.h"

namespace pe {
namespace {

using fixtures::PeWriter;

std::vector<uint8_t> Le32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return out;
}

TEST(PeFacts, RelocationsAreCountedByTypeAndStopAtAnEmptyBlock) {
  PeWriter w;
  // Two blocks: three HIGHLOW entries and a padding entry, then one DIR64;
  // then a block of size 0, which ends the walk.
  std::vector<uint8_t> blocks = Le32s({0x1000, 16});
  for (uint16_t e : {0x3004, 0x3008, 0x300C, 0x0000}) {
    blocks.push_back(static_cast<uint8_t>(e));
    blocks.push_back(static_cast<uint8_t>(e >> 8));
  }
  for (uint8_t b : Le32s({0x2000, 10})) blocks.push_back(b);
  blocks.push_back(0x10);
  blocks.push_back(0xA0);
  for (uint8_t b : Le32s({0x3000, 0, 0x4000, 12})) blocks.push_back(b);
  uint32_t rva = w.Add(blocks);
  w.SetDirectory(5, rva, static_cast<uint32_t>(blocks.size()));
  auto bytes = w.Build();
  Image image(bytes.data(), bytes.size());
  auto summary = Relocations(image);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->Blocks, 2u);
  EXPECT_EQ(summary->Entries, 5u);
  EXPECT_EQ(summary->ByType, (std::map<uint32_t, uint32_t>{{0, 1}, {3, 3}, {10, 1}}));
  // A block that claims more than the directory holds is counted as far as
  // it goes.
  PeWriter cut;
  std::vector<uint8_t> big = Le32s({0x1000, 0x10000, 0x3004});
  uint32_t cutRva = cut.Add(big);
  cut.SetDirectory(5, cutRva, static_cast<uint32_t>(big.size()));
  auto cutBytes = cut.Build();
  Image cutImage(cutBytes.data(), cutBytes.size());
  EXPECT_EQ(Relocations(cutImage)->Entries, 2u);
  EXPECT_FALSE(Relocations(Image(bytes.data(), 0x100)));
}

TEST(PeFacts, TlsCallbacksUpToTheTerminator) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide);
    PeWriter w(wide);
    const uint64_t base = wide ? 0x180000000ull : 0x10000000u;
    const uint32_t list = w.AddZeros(64);
    std::vector<uint8_t> tls(wide ? 40 : 24, 0);
    const uint64_t at = base + list;
    for (int i = 0; i < (wide ? 8 : 4); ++i)
      tls[(wide ? 24 : 12) + i] = static_cast<uint8_t>(at >> (8 * i));
    uint32_t rva = w.Add(tls);
    w.SetDirectory(9, rva, static_cast<uint32_t>(tls.size()));
    w.Put32(list, 0x10001234);
    if (wide) {
      w.Put32(list + 8, 0x10005678);
      w.Put32(list + 12, 0x1);
    } else {
      w.Put32(list + 4, 0x10005678);
    }
    auto bytes = w.Build();
    Image image(bytes.data(), bytes.size());
    auto callbacks = TlsCallbacks(image);
    ASSERT_TRUE(callbacks);
    EXPECT_EQ(*callbacks, (std::vector<uint64_t>{0x10001234, wide ? 0x110005678ull : 0x10005678}));
  }
  PeWriter none;
  auto bytes = none.Build();
  EXPECT_FALSE(TlsCallbacks(Image(bytes.data(), bytes.size())));
}

TEST(PeFacts, DelayImportsInBothForms) {
  PeWriter w;
  const uint32_t name = w.AddString("late.dll");
  const uint32_t hintName = w.Add({7, 0, 'G', 'o', 0, 0});
  const uint32_t names = w.Add(Le32s({hintName, 0x80000009u, 0}));
  const uint32_t iat = w.Add(Le32s({0, 0, 0}));
  // New form (attributes bit 0): RVAs; old form: virtual addresses.
  std::vector<uint8_t> table = Le32s({1, name, 0, iat, names, 0, 0, 0x5EED});
  for (uint8_t b :
       Le32s({0, 0x10000000u + name, 0, 0x10000000u + iat, 0x10000000u + names, 0, 0, 0}))
    table.push_back(b);
  table.resize(table.size() + 32, 0);
  uint32_t rva = w.Add(table);
  w.SetDirectory(13, rva, static_cast<uint32_t>(table.size()));
  auto bytes = w.Build();
  Image image(bytes.data(), bytes.size());
  auto delay = DelayImports(image);
  ASSERT_EQ(delay.size(), 2u);
  for (const auto& d : delay) {
    EXPECT_EQ(d.ModuleName, "late.dll");
    ASSERT_EQ(d.Functions.size(), 2u);
    EXPECT_EQ(d.Functions[0].Name, "Go");
    EXPECT_EQ(d.Functions[0].Hint, 7);
    EXPECT_TRUE(d.Functions[1].ByOrdinal);
    EXPECT_EQ(d.Functions[1].Ordinal, 9);
  }
  EXPECT_EQ(delay[0].TimeDateStamp, 0x5EEDu);
}

TEST(PeFacts, BoundImportsWithTheirForwardersUpToTheEmptyDescriptor) {
  PeWriter w;
  // KERNEL32 bound with one forwarder (NTDLL), USER32 with none, the end,
  // then a descriptor after the end that is not read. Names follow at
  // offsets from the directory's start.
  auto entry = [](uint32_t stamp, uint16_t name, uint16_t count) {
    std::vector<uint8_t> e = Le32s({stamp});
    for (uint16_t v : {name, count}) {
      e.push_back(static_cast<uint8_t>(v));
      e.push_back(static_cast<uint8_t>(v >> 8));
    }
    return e;
  };
  std::vector<uint8_t> table;
  for (const auto& e : {entry(0x11111111, 48, 1), entry(0x22222222, 61, 0),
                        entry(0x33333333, 67, 0), entry(0, 0, 0), entry(0x44444444, 48, 0)}) {
    table.insert(table.end(), e.begin(), e.end());
  }
  table.resize(48, 0);
  for (const char* name : {"KERNEL32.dll", "NTDLL.dll", "USER32.dll"}) {
    table.insert(table.end(), name, name + std::strlen(name) + 1);
  }
  // The second entry is KERNEL32's forwarder; the names are at 48, 61, 71.
  table[16 + 4] = 71;
  uint32_t rva = w.Add(table);
  w.SetDirectory(11, rva, static_cast<uint32_t>(table.size()));
  std::vector<uint8_t> file = w.Build();
  Image image(file.data(), file.size());
  std::vector<BoundImport> bound = BoundImports(image);
  ASSERT_EQ(bound.size(), 2u);
  EXPECT_EQ(bound[0].Module.Name, "KERNEL32.dll");
  EXPECT_EQ(bound[0].Module.TimeDateStamp, 0x11111111u);
  ASSERT_EQ(bound[0].Forwarders.size(), 1u);
  EXPECT_EQ(bound[0].Forwarders[0].Name, "NTDLL.dll");
  EXPECT_EQ(bound[1].Module.Name, "USER32.dll");
  EXPECT_EQ(bound[1].Module.TimeDateStamp, 0x33333333u);
  EXPECT_TRUE(bound[1].Forwarders.empty());

  // Cut in the middle of the table: what is whole is read, nothing past the file.
  std::vector<uint8_t> cut(file.begin(), file.begin() + PeWriter::kSectionOffset + 12);
  Image cutImage(cut.data(), cut.size());
  std::vector<BoundImport> part = BoundImports(cutImage);
  ASSERT_LE(part.size(), 1u);
  if (!part.empty()) {
    EXPECT_TRUE(part[0].Forwarders.empty());
  }
}

TEST(PeFacts, CodeViewRecordsAndTheirGuid) {
  PeWriter w;
  // The CodeView entry after an entry of another type.
  uint32_t debug = w.AddDebugEntries({4, 2}, "C:\\x\\a.pdb") + 28;
  auto bytes = w.Build();
  Image image(bytes.data(), bytes.size());
  auto cv = FindCodeView(image);
  ASSERT_TRUE(cv);
  EXPECT_EQ(cv->Signature, "RSDS");
  EXPECT_EQ(cv->Age, 3u);
  EXPECT_EQ(cv->PdbPath, "C:\\x\\a.pdb");
  EXPECT_EQ(GuidText(cv->Guid), "{04030201-0605-0807-090A-0B0C0D0E0F10}");
  // A record cut inside its GUID is none.
  w.Put32(debug + 16, 10);
  auto cut = w.Build();
  EXPECT_FALSE(FindCodeView(Image(cut.data(), cut.size())));
}

TEST(PeFacts, OverlayAndEntropy) {
  PeWriter w;
  w.Add(std::vector<uint8_t>(512, 0x41));
  auto bytes = w.Build();
  Image plain(bytes.data(), bytes.size());
  EXPECT_FALSE(FindOverlay(plain));
  const SectionHeader& s = plain.Sections().at(0);
  EXPECT_DOUBLE_EQ(SectionEntropy(plain, s), 0.0);  // one byte value
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  Image more(bytes.data(), bytes.size());
  auto overlay = FindOverlay(more);
  ASSERT_TRUE(overlay);
  EXPECT_EQ(overlay->Size, 5u);
  EXPECT_EQ(overlay->Offset, bytes.size() - 5);
  // Every byte value once: eight bits a byte.
  PeWriter all;
  std::vector<uint8_t> values(256);
  for (int i = 0; i < 256; ++i) values[i] = static_cast<uint8_t>(i);
  all.Add(values);
  all.Add(values);
  auto allBytes = all.Build();
  Image image(allBytes.data(), allBytes.size());
  EXPECT_NEAR(SectionEntropy(image, image.Sections().at(0)), 8.0, 1e-9);
}

TEST(PeFacts, RichHeaderBehindItsKey) {
  PeWriter w;
  w.LfaNew = 0xC0;
  auto bytes = w.Build();
  // "DanS", three padding words, two tools, "Rich" and the key, all but the
  // last two words hidden by the key.
  const uint32_t key = 0x12345678;
  const uint32_t words[] = {
      0x536E6144 ^ key,         key,     key,        key, (19u << 16 | 8078) ^ key, 7 ^ key,
      (18u << 16 | 8444) ^ key, 1 ^ key, 0x68636952, key};
  for (size_t i = 0; i < std::size(words); ++i) {
    for (int b = 0; b < 4; ++b) bytes[0x80 + 4 * i + b] = static_cast<uint8_t>(words[i] >> (8 * b));
  }
  Image image(bytes.data(), bytes.size());
  auto rich = FindRichHeader(image);
  ASSERT_TRUE(rich);
  EXPECT_EQ(rich->Offset, 0x80u);
  EXPECT_EQ(rich->Key, key);
  ASSERT_EQ(rich->Entries.size(), 2u);
  EXPECT_EQ(rich->Entries[0].ProductId, 19);
  EXPECT_EQ(rich->Entries[0].Build, 8078);
  EXPECT_EQ(rich->Entries[0].Count, 7u);
  EXPECT_EQ(rich->Entries[1].Count, 1u);
  // Without its "DanS" there is none.
  bytes[0x80] ^= 1;
  EXPECT_FALSE(FindRichHeader(Image(bytes.data(), bytes.size())));
}

TEST(PeFacts, ImportHashTextNamesTheWellKnownOrdinals) {
  PeWriter w;
  w.AddImports({{"KERNEL32.dll", {"GetTickCount", "#5"}},
                {"WS2_32.dll", {"#1", "#23", "#9999"}},
                {"wsock32.dll", {"#116"}},
                {"OLEAUT32.DLL", {"#2", "VariantClear"}},
                {"ws2_32", {"#1"}},  // no extension: not the module the names are for
                {"mscoree.ocx", {"Main"}}});
  auto bytes = w.Build();
  EXPECT_EQ(ImportHashText(Image(bytes.data(), bytes.size())),
            "kernel32.gettickcount,kernel32.ord5,ws2_32.accept,ws2_32.socket,ws2_32.ord9999,"
            "wsock32.wsacleanup,oleaut32.sysallocstring,oleaut32.variantclear,ws2_32.ord1,"
            "mscoree.main");
}

}  // namespace
}  // namespace pe

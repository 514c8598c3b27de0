// The typed client: each buffer's fields at their offsets, and the calls on
// small files written for each case.
#include "contracts/nubrik/client.h"

#include <gtest/gtest.h>

#include <numeric>

#include "contracts/nubrik/scoped_heap.h"
#include "tests/fixtures/pe_writer.h"

namespace nubrik {
namespace {

using fixtures::PeWriter;

// A buffer whose byte i is i + 1: every field then has a value that names
// its own offset.
template <size_t N>
std::array<uint8_t, N> Counting() {
  std::array<uint8_t, N> b{};
  std::iota(b.begin(), b.end(), uint8_t{1});
  return b;
}

// The little-endian value of `size` counting bytes from `at`.
uint64_t At(size_t at, size_t size) {
  uint64_t v = 0;
  for (size_t i = size; i-- > 0;) v = v << 8 | static_cast<uint8_t>(at + i + 1);
  return v;
}

TEST(ClientDecode, FileSectionAndDebugFieldsSitAtTheirOffsets) {
  auto file = Counting<20>();
  pe::FileHeader h = DecodeFileHeader(file);
  EXPECT_EQ(h.Machine, At(0, 2));
  EXPECT_EQ(h.NumberOfSections, At(2, 2));
  EXPECT_EQ(h.TimeDateStamp, At(4, 4));
  EXPECT_EQ(h.PointerToSymbolTable, At(8, 4));
  EXPECT_EQ(h.NumberOfSymbols, At(12, 4));
  EXPECT_EQ(h.SizeOfOptionalHeader, At(16, 2));
  EXPECT_EQ(h.Characteristics, At(18, 2));

  auto section = Counting<40>();
  pe::SectionHeader s = DecodeSectionHeader(section);
  EXPECT_EQ(s.Name[0], 1);
  EXPECT_EQ(s.Name[7], 8);
  EXPECT_EQ(s.VirtualSize, At(8, 4));
  EXPECT_EQ(s.VirtualAddress, At(12, 4));
  EXPECT_EQ(s.SizeOfRawData, At(16, 4));
  EXPECT_EQ(s.PointerToRawData, At(20, 4));
  EXPECT_EQ(s.PointerToRelocations, At(24, 4));
  EXPECT_EQ(s.PointerToLinenumbers, At(28, 4));
  EXPECT_EQ(s.NumberOfRelocations, At(32, 2));
  EXPECT_EQ(s.NumberOfLinenumbers, At(34, 2));
  EXPECT_EQ(s.Characteristics, At(36, 4));

  auto debug = Counting<28>();
  DebugEntry d = DecodeDebugEntry(debug);
  EXPECT_EQ(d.Characteristics, At(0, 4));
  EXPECT_EQ(d.TimeDateStamp, At(4, 4));
  EXPECT_EQ(d.MajorVersion, At(8, 2));
  EXPECT_EQ(d.MinorVersion, At(10, 2));
  EXPECT_EQ(d.Type, At(12, 4));
  EXPECT_EQ(d.SizeOfData, At(16, 4));
  EXPECT_EQ(d.AddressOfRawData, At(20, 4));
  EXPECT_EQ(d.PointerToRawData, At(24, 4));
}

TEST(ClientDecode, OptionalHeaderOfBothWidths) {
  struct Case {
    size_t Size;
    size_t ImageBase, ImageBaseSize, BaseOfData;  // BaseOfData 0: none
    size_t Stack, SizeWidth, LoaderFlags, Directories;
  };
  for (const Case& c :
       {Case{224, 28, 4, 24, 72, 4, 88, 96}, Case{240, 24, 8, 0, 72, 8, 104, 112}}) {
    SCOPED_TRACE(c.Size);
    std::vector<uint8_t> b(c.Size);
    std::iota(b.begin(), b.end(), uint8_t{1});
    // Four directories, so the rest stay zero.
    size_t countAt = c.LoaderFlags + 4;
    b[countAt] = 4, b[countAt + 1] = b[countAt + 2] = b[countAt + 3] = 0;
    auto h = DecodeOptionalHeader(b);
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->Magic, At(0, 2));
    EXPECT_EQ(h->MajorLinkerVersion, 3);
    EXPECT_EQ(h->MinorLinkerVersion, 4);
    EXPECT_EQ(h->SizeOfCode, At(4, 4));
    EXPECT_EQ(h->SizeOfUninitializedData, At(12, 4));
    EXPECT_EQ(h->AddressOfEntryPoint, At(16, 4));
    EXPECT_EQ(h->BaseOfCode, At(20, 4));
    EXPECT_EQ(h->BaseOfData, c.BaseOfData ? At(c.BaseOfData, 4) : 0);
    EXPECT_EQ(h->ImageBase, At(c.ImageBase, c.ImageBaseSize));
    EXPECT_EQ(h->SectionAlignment, At(32, 4));
    EXPECT_EQ(h->FileAlignment, At(36, 4));
    EXPECT_EQ(h->MajorOperatingSystemVersion, At(40, 2));
    EXPECT_EQ(h->MinorSubsystemVersion, At(50, 2));
    EXPECT_EQ(h->SizeOfImage, At(56, 4));
    EXPECT_EQ(h->SizeOfHeaders, At(60, 4));
    EXPECT_EQ(h->CheckSum, At(64, 4));
    EXPECT_EQ(h->Subsystem, At(68, 2));
    EXPECT_EQ(h->SizeOfStackReserve, At(c.Stack, c.SizeWidth));
    EXPECT_EQ(h->SizeOfStackCommit, At(c.Stack + c.SizeWidth, c.SizeWidth));
    EXPECT_EQ(h->SizeOfHeapReserve, At(c.Stack + 2 * c.SizeWidth, c.SizeWidth));
    EXPECT_EQ(h->SizeOfHeapCommit, At(c.Stack + 3 * c.SizeWidth, c.SizeWidth));
    EXPECT_EQ(h->LoaderFlags, At(c.LoaderFlags, 4));
    EXPECT_EQ(h->NumberOfRvaAndSizes, 4u);
    EXPECT_EQ(h->Directories[3].VirtualAddress, At(c.Directories + 24, 4));
    EXPECT_EQ(h->Directories[3].Size, At(c.Directories + 28, 4));
    EXPECT_EQ(h->Directories[4].VirtualAddress, 0u);
  }
  EXPECT_FALSE(DecodeOptionalHeader(std::vector<uint8_t>(223)).has_value());
}

TEST(ClientDecode, NameLists) {
  const char names[] = "A\0BC\0\0D";
  EXPECT_EQ(DecodeNameList(names, 3), (std::vector<std::string>{"A", "BC", ""}));
  EXPECT_TRUE(DecodeNameList(names, 0).empty());
  EXPECT_TRUE(DecodeNameList(names, -1).empty());
  EXPECT_TRUE(DecodeNameList(nullptr, 2).empty());
}

TEST(Client, EveryCallOnOneFileOfEachWidth) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide);
    PeWriter w(wide);
    w.AddImports({{"kernel32.dll", {"Sleep", "#17"}}, {"KERNEL32.dll", {"ExitProcess"}}});
    w.AddExports("x.dll", 3, {0x1234, 0, 0, 0, 0x1300}, {{"Foo", 0}});
    w.AddResources({{uint32_t{16}, uint32_t{1}, 0x409, {1, 2, 3}}});
    w.AddDebugEntry(2);
    std::vector<uint8_t> file = w.Build();
    ScopedHeap heap;
    Client client(file);
    EXPECT_EQ(client.Signature(), static_cast<uint32_t>(NUBRIK_SIG_PE));
    EXPECT_EQ(client.NewHeaderOffset(), w.LfaNew);
    auto h = client.FileHeader();
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->TimeDateStamp, 0x5F5E1000u);
    EXPECT_EQ(h->Characteristics, w.Characteristics);
    auto o = client.OptionalHeader();
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->Is64(), wide);
    EXPECT_EQ(o->ImageBase, wide ? 0x180000000ull : 0x10000000ull);
    EXPECT_EQ(o->BaseOfCode, PeWriter::kSectionRva);
    EXPECT_EQ(client.EntryPoint(), w.AddressOfEntryPoint);
    EXPECT_EQ(client.SectionNames(heap.Handle()), (std::vector<std::string>{".data"}));
    auto s = client.SectionByName(".data");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->VirtualAddress, PeWriter::kSectionRva);
    EXPECT_EQ(s->PointerToRawData, PeWriter::kSectionOffset);
    EXPECT_FALSE(client.SectionByName(".text").has_value());
    EXPECT_EQ(client.ImportModules(heap.Handle()),
              (std::vector<std::string>{"kernel32.dll", "KERNEL32.dll"}));
    EXPECT_EQ(client.ImportFunctions(heap.Handle(), "KERNEL32.DLL", 0),
              (std::vector<std::string>{"Sleep", "Ordinal 17"}));
    EXPECT_EQ(client.ImportFunctions(heap.Handle(), "KERNEL32.DLL", 1),
              (std::vector<std::string>{"ExitProcess"}));
    EXPECT_TRUE(client.ImportFunctions(heap.Handle(), "KERNEL32.DLL", 2).empty());
    auto exports = client.Exports(heap.Handle());
    ASSERT_EQ(exports.size(), 2u);
    EXPECT_EQ(exports[0].Name, "Foo");
    EXPECT_EQ(exports[0].Ordinal, 3);
    EXPECT_EQ(exports[0].EntryRva, 0x1234u);
    EXPECT_FALSE(exports[1].Name.has_value());
    EXPECT_EQ(exports[1].Ordinal, 7);
    auto resources = client.Resources(heap.Handle());
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].Type, 16u);
    EXPECT_EQ(resources[0].Name, "1");
    EXPECT_EQ(resources[0].Language, 0x409u);
    EXPECT_EQ(resources[0].Size, 3u);
    auto debug = client.Debug();
    ASSERT_TRUE(debug.has_value());
    EXPECT_EQ(debug->Type, 2u);
  }
}

TEST(Client, FilesWithoutTheStructuresGiveNothing) {
  ScopedHeap heap;
  std::vector<uint8_t> dos = fixtures::DosFile();
  std::vector<uint8_t> empty;
  for (const auto* file : {&dos, &empty}) {
    Client client(*file);
    EXPECT_FALSE(client.FileHeader().has_value());
    EXPECT_FALSE(client.OptionalHeader().has_value());
    EXPECT_EQ(client.EntryPoint(), 0u);
    EXPECT_TRUE(client.SectionNames(heap.Handle()).empty());
    EXPECT_TRUE(client.ImportModules(heap.Handle()).empty());
    EXPECT_TRUE(client.Exports(heap.Handle()).empty());
    EXPECT_TRUE(client.Resources(heap.Handle()).empty());
    EXPECT_FALSE(client.Debug().has_value());
  }
  EXPECT_EQ(Client(dos).Signature(), static_cast<uint32_t>(NUBRIK_SIG_MZ));
  EXPECT_EQ(Client(empty).Signature(), 0u);
  EXPECT_FALSE(Client(empty).NewHeaderOffset().has_value());
}

}  // namespace
}  // namespace nubrik

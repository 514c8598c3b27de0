// The reader on written files: the structures no linker makes and the
// hostile shapes it must survive.
#include "contracts/nubrik/pe_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/fixtures/pe_writer.h"

namespace {

using fixtures::PeWriter;

pe::Image Read(const std::vector<uint8_t>& bytes) {
  return pe::Image(bytes.data(), bytes.size());
}

TEST(ByteViewTest, RangesAreCheckedWithoutOverflow) {
  const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  pe::ByteView view(bytes, sizeof bytes);
  EXPECT_TRUE(view.Has(0, 8));
  EXPECT_TRUE(view.Has(8, 0));
  EXPECT_FALSE(view.Has(1, 8));
  EXPECT_FALSE(view.Has(9, 0));
  EXPECT_FALSE(view.Has(4, UINT64_MAX));
  EXPECT_FALSE(view.Has(UINT64_MAX, 2));
  EXPECT_EQ(view.U32(4), 0x08070605u);
  EXPECT_EQ(view.U64(0), 0x0807060504030201ull);
  EXPECT_FALSE(view.U32(5));
  EXPECT_FALSE(view.U64(UINT64_MAX - 3));
}

TEST(ByteViewTest, TextIsCutAtTheFileEndOrTheLimit) {
  const char bytes[] = {'a', 'b', 0, 'c', 'd'};
  pe::ByteView view(bytes, sizeof bytes);
  EXPECT_EQ(view.CString(0, 100), "ab");
  EXPECT_EQ(view.CString(3, 100), "cd");  // no NUL before the end
  EXPECT_EQ(view.CString(3, 1), "c");
  EXPECT_FALSE(view.CString(5, 100));
}

TEST(SignatureTest, DosNeLePeAndOther) {
  EXPECT_EQ(Read(fixtures::DosFile()).GetSignature(), pe::Signature::kMZ);
  EXPECT_EQ(Read(fixtures::FileWithSignature("NE")).GetSignature(), pe::Signature::kNE);
  EXPECT_EQ(Read(fixtures::FileWithSignature("LE")).GetSignature(), pe::Signature::kLE);
  EXPECT_EQ(Read(fixtures::FileWithSignature("LX")).GetSignature(), pe::Signature::kMZ);
  EXPECT_EQ(Read(PeWriter().Build()).GetSignature(), pe::Signature::kPE);
  EXPECT_EQ(Read({'Z', 'M', 0, 0}).GetSignature(), pe::Signature::kNone);
  EXPECT_EQ(Read({}).GetSignature(), pe::Signature::kNone);
  // "PE" needs its two NULs; e_lfanew beyond the file leaves a DOS file.
  auto pe = PeWriter().Build();
  pe[0x42] = 'X';
  EXPECT_EQ(Read(pe).GetSignature(), pe::Signature::kMZ);
  auto far = PeWriter().Build();
  far[0x3C] = 0xF0;
  far[0x3F] = 0x7F;
  EXPECT_EQ(Read(far).GetSignature(), pe::Signature::kMZ);
  EXPECT_FALSE(Read(far).GetFileHeader());
}

TEST(HeadersTest, Pe32AndPe32PlusFields) {
  for (bool wide : {false, true}) {
    PeWriter w(wide);
    w.AddZeros(16);
    auto bytes = w.Build();
    auto image = Read(bytes);
    ASSERT_TRUE(image.GetFileHeader());
    EXPECT_EQ(image.GetFileHeader()->Machine, wide ? 0x8664 : 0x14C);
    ASSERT_TRUE(image.GetOptionalHeader());
    const auto& o = *image.GetOptionalHeader();
    EXPECT_EQ(o.Is64(), wide);
    EXPECT_EQ(o.ImageBase, wide ? 0x180000000ull : 0x10000000ull);
    EXPECT_EQ(o.BaseOfData, wide ? 0u : 0x1000u);
    EXPECT_EQ(o.SectionAlignment, 0x1000u);
    EXPECT_EQ(o.SizeOfHeaders, 0x200u);
    EXPECT_EQ(o.NumberOfRvaAndSizes, 16u);
    uint8_t buffer[240];
    EXPECT_EQ(image.CopyOptionalHeader(buffer, 224), !wide);
    EXPECT_EQ(image.CopyOptionalHeader(buffer, 240), wide);
  }
}

TEST(HeadersTest, OptionalHeaderCutByTheFileEndIsZeroFilled) {
  auto bytes = PeWriter().Build();
  bytes.resize(0x40 + 24 + 100);  // the fixed fields and one directory
  auto image = Read(bytes);
  ASSERT_TRUE(image.GetOptionalHeader());
  uint8_t buffer[224];
  std::memset(buffer, 0xCC, sizeof buffer);
  ASSERT_TRUE(image.CopyOptionalHeader(buffer, 224));
  EXPECT_EQ(buffer[0], 0x0B);
  EXPECT_EQ(buffer[223], 0);
  EXPECT_TRUE(image.Sections().empty());
  bytes.resize(0x40 + 24 + 50);  // not even the fixed fields
  EXPECT_FALSE(Read(bytes).GetOptionalHeader());
}

TEST(SectionsTest, TableIsCutWhereTheFileEnds) {
  PeWriter w;
  w.NumberOfSections = 0xFFFF;  // absurd count
  auto bytes = w.Build();
  bytes.resize(0x400);
  auto image = Read(bytes);
  // Only the headers that fit in the file are read.
  EXPECT_EQ(image.Sections().size(), (0x400u - (0x40 + 24 + 224)) / 40);
  EXPECT_EQ(image.Sections()[0].NameText(), ".data");
  ASSERT_NE(image.FindSection(".data"), nullptr);
  EXPECT_EQ(image.FindSection(".nope"), nullptr);
  EXPECT_EQ(image.FindSection(".data_too_long"), nullptr);
}

TEST(SectionsTest, RvaToOffsetMapsSectionsAndHeaders) {
  PeWriter w;
  w.AddZeros(0x100);
  auto bytes = w.Build();
  auto image = Read(bytes);
  EXPECT_EQ(image.RvaToOffset(0x1000), 0x200u);
  EXPECT_EQ(image.RvaToOffset(0x10FF), 0x2FFu);
  EXPECT_EQ(image.RvaToOffset(0x40), 0x40u);  // in the headers
  EXPECT_FALSE(image.RvaToOffset(0x900));     // between headers and section
  EXPECT_FALSE(image.RvaToOffset(0x5000));    // beyond every section
  EXPECT_FALSE(image.AtRva(0x11FF, 2));       // last byte of the file and beyond
}

TEST(ImportsTest, TwoDescriptorsOfOneModuleAndOrdinals) {
  for (bool wide : {false, true}) {
    PeWriter w(wide);
    w.AddImports({{"KERNEL32.dll", {"GetTickCount", "#17"}},
                  {"user32.dll", {"MessageBoxA"}},
                  {"kernel32.DLL", {"Sleep"}}});
    auto bytes = w.Build();
    auto imports = Read(bytes).Imports();
    ASSERT_EQ(imports.size(), 3u);
    EXPECT_EQ(imports[0].ModuleName, "KERNEL32.dll");
    ASSERT_EQ(imports[0].Functions.size(), 2u);
    EXPECT_EQ(imports[0].Functions[0].Name, "GetTickCount");
    EXPECT_TRUE(imports[0].Functions[1].ByOrdinal);
    EXPECT_EQ(imports[0].Functions[1].Ordinal, 17);
    EXPECT_EQ(imports[2].ModuleName, "kernel32.DLL");
    EXPECT_EQ(imports[2].Functions[0].Name, "Sleep");
  }
}

TEST(ImportsTest, TableRunningOutOfTheFileIsCut) {
  PeWriter w;
  w.AddImports({{"A.dll", {"F"}}});
  auto bytes = w.Build();
  auto image = Read(bytes);
  auto dir = image.Directory(pe::kImportDirectory);
  ASSERT_TRUE(dir);
  // Point the table at the last 30 bytes of the file: one descriptor fits,
  // its name and thunks lie outside.
  auto patched = bytes;
  const uint32_t lastRva = 0x1000 + static_cast<uint32_t>(bytes.size() - 0x200 - 30);
  std::fill(patched.end() - 30, patched.end(), 0x41);
  const size_t dirField = 0x40 + 24 + 96 + 8;
  patched[dirField] = static_cast<uint8_t>(lastRva);
  patched[dirField + 1] = static_cast<uint8_t>(lastRva >> 8);
  auto imports = Read(patched).Imports();
  ASSERT_EQ(imports.size(), 1u);
  EXPECT_TRUE(imports[0].ModuleName.empty());
  EXPECT_TRUE(imports[0].Functions.empty());
}

TEST(ImportsTest, ManyDescriptorsSharingOneThunkArrayStayBounded) {
  // Every descriptor points at the same long thunk array: the work and the
  // result stay proportional to the file size.
  PeWriter w;
  uint32_t hint = w.Add({0, 0, 'F', 0});
  std::vector<uint8_t> thunks(4 * 2000);
  for (size_t i = 0; i < 2000; ++i) {
    thunks[4 * i] = static_cast<uint8_t>(hint);
    thunks[4 * i + 1] = static_cast<uint8_t>(hint >> 8);
  }
  uint32_t thunkRva = w.Add(thunks);
  w.AddZeros(4);
  uint32_t name = w.AddString("X.dll");
  std::vector<uint8_t> descriptors(20 * 3000);
  for (size_t i = 0; i < 3000; ++i) {
    descriptors[20 * i] = static_cast<uint8_t>(thunkRva);
    descriptors[20 * i + 1] = static_cast<uint8_t>(thunkRva >> 8);
    descriptors[20 * i + 12] = static_cast<uint8_t>(name);
    descriptors[20 * i + 13] = static_cast<uint8_t>(name >> 8);
  }
  w.SetDirectory(1, w.Add(descriptors), 0);
  auto bytes = w.Build();
  size_t total = 0;
  for (const auto& d : Read(bytes).Imports()) total += d.Functions.size();
  EXPECT_LE(total, bytes.size() / 4 + 4096);
  EXPECT_GT(total, 2000u);
}

TEST(ExportsTest, NamedThenOrdinalOnlyAndForwarders) {
  PeWriter w;
  w.AddExports("x.dll", 10, {0x1100, 0, 0x1200, 0x1300}, {{"Alpha", 2}, {"Beta", 0}});
  auto bytes = w.Build();
  auto exports = Read(bytes).Exports();
  ASSERT_EQ(exports.size(), 3u);
  EXPECT_EQ(exports[0].Name, "Alpha");
  EXPECT_EQ(exports[0].Ordinal, 12u);
  EXPECT_EQ(exports[0].Rva, 0x1200u);
  EXPECT_EQ(exports[1].Name, "Beta");
  EXPECT_EQ(exports[1].Ordinal, 10u);
  EXPECT_FALSE(exports[2].Name);  // by ordinal only; ordinal 11 is an empty slot
  EXPECT_EQ(exports[2].Ordinal, 13u);
  EXPECT_FALSE(exports[2].Forwarder);

  // A function RVA inside the export directory's range is a forwarder text.
  PeWriter f;
  uint32_t dir = f.AddExports("y.dll", 1, {0}, {{"Fwd", 0}});
  uint32_t text = f.AddString("OTHER.Func");
  f.Put32(f.Get32(dir + 28), text);
  f.SetDirectory(0, dir, text + 11 - dir);
  auto fbytes = f.Build();
  auto fexports = Read(fbytes).Exports();
  ASSERT_EQ(fexports.size(), 1u);
  EXPECT_EQ(fexports[0].Rva, text);
  EXPECT_EQ(fexports[0].Forwarder, "OTHER.Func");
}

TEST(ExportsTest, AbsurdCountsAreCappedByTheFile) {
  PeWriter w;
  auto dir = w.AddExports("x.dll", 1, {0x1100}, {{"A", 0}});
  w.Put32(dir + 20, 0xFFFFFFFF);  // NumberOfFunctions
  w.Put32(dir + 24, 0xFFFFFFFF);  // NumberOfNames
  auto bytes = w.Build();
  auto exports = Read(bytes).Exports();
  EXPECT_LE(exports.size(), bytes.size() / 4);
  ASSERT_FALSE(exports.empty());
  EXPECT_EQ(exports[0].Name, "A");
}

TEST(ResourcesTest, LeavesInDirectoryOrderWithNamesAndLanguages) {
  PeWriter w;
  w.AddResources({{3u, 1u, 0x409, {1, 2}},
                  {u"MYTYPE", 7u, 0x409, {3}},
                  {3u, u"NAMED\u00e9\u0416", 0x407, {4, 5, 6}},
                  {3u, 1u, 0x407, {7}}});
  auto bytes = w.Build();
  auto resources = Read(bytes).Resources();
  ASSERT_EQ(resources.size(), 4u);
  // Named entries come first at each level.
  EXPECT_FALSE(resources[0].TypeId);
  EXPECT_EQ(resources[0].TypeName, "MYTYPE");
  EXPECT_EQ(resources[0].Name, "7");
  EXPECT_EQ(resources[1].TypeId, 3u);
  EXPECT_EQ(resources[1].Name, "NAMED\xE9?");
  EXPECT_FALSE(resources[1].NameId);
  EXPECT_EQ(resources[1].Size, 3u);
  EXPECT_EQ(resources[2].Name, "1");
  EXPECT_EQ(resources[2].Language, 0x409u);
  EXPECT_EQ(resources[3].Language, 0x407u);
  auto image = Read(bytes);
  const uint8_t* data = image.AtRva(resources[1].OffsetToData, 3);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[0], 4);
}

TEST(ResourcesTest, LoopsEndAndDepthIsLimited) {
  PeWriter w;
  uint32_t root = w.AddResources({{3u, 1u, 0x409, {1}}, {4u, 2u, 0x409, {2}}});
  // The second type entry points back at the root: a loop.
  w.Put32(root + 16 + 8 + 4, 0x80000000u);
  auto bytes = w.Build();
  auto resources = Read(bytes).Resources();
  ASSERT_EQ(resources.size(), 1u);
  EXPECT_EQ(resources[0].TypeId, 3u);

  // A language entry that is a directory (a fourth level) is no resource.
  PeWriter deep;
  uint32_t r = deep.AddResources({{3u, 1u, 0x409, {1}}});
  const uint32_t nameDir = r + 16 + 8 + 16 + 8;
  deep.Put32(nameDir + 16 + 4, 0x80000000u | (nameDir - r));
  auto deepBytes = deep.Build();
  EXPECT_TRUE(Read(deepBytes).Resources().empty());
}

TEST(ResourcesTest, AbsurdEntryCountsStayBounded) {
  PeWriter w;
  uint32_t root = w.AddResources({{3u, 1u, 0x409, {1}}});
  w.Put16(root + 12, 0xFFFF);
  w.Put16(root + 14, 0xFFFF);
  auto bytes = w.Build();
  auto resources = Read(bytes).Resources();
  EXPECT_LE(resources.size(), bytes.size() / 8);
}

TEST(DebugTest, FirstEntryOnlyWhenWhollyInside) {
  PeWriter w;
  uint32_t entry = w.AddDebugEntry(2);
  auto bytes = w.Build();
  auto image = Read(bytes);
  const uint8_t* first = image.FirstDebugEntry();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[12], 2);
  EXPECT_EQ(first, bytes.data() + 0x200 + (entry - 0x1000));
  // Cut the file inside the entry.
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 0x200 + (entry - 0x1000) + 27);
  EXPECT_EQ(Read(cut).FirstDebugEntry(), nullptr);
  // A directory shorter than one entry holds none.
  PeWriter small;
  uint32_t e = small.AddDebugEntry(2);
  small.SetDirectory(6, e, 27);
  auto smallBytes = small.Build();
  EXPECT_EQ(Read(smallBytes).FirstDebugEntry(), nullptr);
}

}  // namespace

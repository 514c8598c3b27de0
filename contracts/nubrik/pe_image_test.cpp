// The reader on written files: the structures no linker makes and the
// hostile shapes it must survive.
#include "contracts/nubrik/pe_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <span>

#include "contracts/nubrik/pe_layout.h"
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

TEST(ByteViewTest, PartsAndCopiesStayInside) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  pe::ByteView view(bytes, sizeof bytes);
  EXPECT_FALSE(view.Copy(SIZE_MAX, 2));
  EXPECT_FALSE(view.Copy(4, 2));
  EXPECT_EQ(view.Copy(3, 2), (std::vector<uint8_t>{4, 5}));
  EXPECT_EQ(view.Sub(3, 100).Size(), 2u);
  EXPECT_EQ(view.Sub(3, 100).U8(0), 4);
  EXPECT_EQ(view.Sub(9, 1).Size(), 0u);
  EXPECT_EQ(view.Sub(1, 2).U32(0), std::nullopt);  // the part's own end counts
  EXPECT_FALSE(view.Has(1, SIZE_MAX));
  EXPECT_FALSE(view.U16(SIZE_MAX));
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

// A directory is read only when its 8 bytes are in the file; it and the ones
// after it stay zero otherwise.
TEST(HeadersTest, DirectoriesCutByTheFileEndStayZero) {
  struct Case {
    bool Wide;
    size_t Fixed;
  };
  for (const Case& c : {Case{false, 96}, Case{true, 112}}) {
    SCOPED_TRACE(c.Wide);
    auto bytes = PeWriter(c.Wide).Build();
    const size_t directories = 0x40 + 24 + c.Fixed;
    for (size_t i = 0; i < 16; ++i) {
      bytes[directories + 8 * i] = static_cast<uint8_t>(0x10 + i);
      bytes[directories + 8 * i + 4] = static_cast<uint8_t>(0x80 + i);
    }
    bytes.resize(directories + 8 * 3 + 4);  // three directories and half of one
    auto image = Read(bytes);
    ASSERT_TRUE(image.GetOptionalHeader());
    const auto& d = image.GetOptionalHeader()->Directories;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(d[i].VirtualAddress, 0x10 + i);
      EXPECT_EQ(d[i].Size, 0x80 + i);
    }
    for (size_t i = 3; i < 16; ++i) {
      EXPECT_EQ(d[i].VirtualAddress, 0u) << i;
      EXPECT_EQ(d[i].Size, 0u) << i;
    }
    // The layout decoder itself wants the fixed part whole.
    EXPECT_TRUE(pe::DecodeOptionalHeader(std::span(bytes).subspan(0x40 + 24, c.Fixed), c.Wide));
    EXPECT_FALSE(
        pe::DecodeOptionalHeader(std::span(bytes).subspan(0x40 + 24, c.Fixed - 1), c.Wide));
  }
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

// The section's last file byte, its first zero-filled byte and its virtual
// end: the raw part maps, nothing after it does.
TEST(SectionsTest, RvaToOffsetAtTheEdgesOfASection) {
  PeWriter w;
  w.AddZeros(0x100);  // raw size 0x200 (512-aligned), the file ends there
  w.SectionVirtualSize = 0x800;
  auto bytes = w.Build();
  ASSERT_EQ(bytes.size(), 0x400u);
  auto image = Read(bytes);
  struct Case {
    uint32_t Rva;
    std::optional<uint64_t> Offset;
  } cases[] = {
      {0x1000, 0x200},         // first byte
      {0x11FF, 0x3FF},         // last raw byte, the file's last byte
      {0x1200, std::nullopt},  // first zero-filled byte
      {0x17FF, std::nullopt},  // last byte of the section
      {0x1800, std::nullopt},  // its virtual end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rva);
    EXPECT_EQ(image.RvaToOffset(c.Rva), c.Offset);
    pe::Image::RvaHint hint;
    EXPECT_EQ(image.RvaToOffset(0x1000, &hint), 0x200u);  // primes the hint
    EXPECT_EQ(image.RvaToOffset(c.Rva, &hint), c.Offset);
    EXPECT_EQ(image.AtRva(c.Rva, 1) != nullptr, c.Offset.has_value());
  }
  EXPECT_FALSE(image.AtRva(0x11FF, 2));  // one byte left in the file
  const auto range = image.SectionFileRange(image.Sections()[0]);
  EXPECT_EQ(range.Offset, 0x200u);
  EXPECT_EQ(range.Size, 0x200u);
}

// The loader reads a section from its pointer rounded down to 512 bytes
// whatever larger FileAlignment the file states; below 512 the file is
// mapped flat and the pointer is taken as it is.
TEST(SectionsTest, UnalignedRawPointerFollowsTheLoadersRounding) {
  struct Case {
    uint32_t FileAlignment;
    uint32_t Pointer;
    uint64_t Expected;
  } cases[] = {
      {0x100, 0x210, 0x210},  {0x200, 0x210, 0x200},
      {0x1000, 0x210, 0x200},  // not 0: the rounding is 512, not the alignment
      {0x1000, 0x3FF, 0x200}, {0x200, 0x1FF, 0x000},  // into the headers
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FileAlignment);
    SCOPED_TRACE(c.Pointer);
    PeWriter w;
    w.Add({0xA1, 0xA2});
    w.AddZeros(0x0C);
    w.Add({0xB1, 0xB2});  // at the file's 0x210
    w.AddZeros(0x200);
    w.FileAlignment = c.FileAlignment;
    w.SectionPointerToRawData = c.Pointer;
    auto bytes = w.Build();
    auto image = Read(bytes);
    EXPECT_EQ(image.RvaToOffset(0x1000), c.Expected);
    EXPECT_EQ(image.RawStart(image.Sections()[0]), c.Expected);
    const uint8_t* first = image.AtRva(0x1000, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, bytes[c.Expected]);
  }
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

// A name whose ordinal index equals NumberOfFunctions, the function table
// being the last bytes of the file: it names nothing, and nothing past the
// file is read (the bytes are an exact-size copy, for the sanitizers).
TEST(ExportsTest, NameIndexAtTheFunctionCountWithTheTableAtTheFileEnd) {
  for (uint16_t index : {uint16_t{2}, uint16_t{3}, uint16_t{0xFFFF}}) {
    SCOPED_TRACE(index);
    PeWriter w;
    const uint32_t dir = w.AddExports("x.dll", 1, {0x1100, 0x1200}, {{"A", 0}, {"B", index}});
    auto bytes = w.Build();
    // Move the function table to the file's last 8 bytes.
    const uint32_t tableRva = 0x1000 + static_cast<uint32_t>(bytes.size() - 0x200 - 8);
    const size_t dirAt = 0x200 + (dir - 0x1000);
    for (int k = 0; k < 4; ++k) bytes[dirAt + 28 + k] = static_cast<uint8_t>(tableRva >> 8 * k);
    const size_t end = bytes.size();
    bytes[end - 8] = 0x00;
    bytes[end - 7] = 0x11;
    bytes[end - 4] = 0x00;
    bytes[end - 3] = 0x12;
    const std::vector<uint8_t> exact(bytes);
    auto exports = Read(exact).Exports();
    ASSERT_EQ(exports.size(), 2u);
    EXPECT_EQ(exports[0].Name, "A");
    EXPECT_EQ(exports[0].Rva, 0x1100u);
    EXPECT_FALSE(exports[1].Name);  // index 1, by ordinal only: "B" named nothing
    EXPECT_EQ(exports[1].Ordinal, 2u);
  }
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
  EXPECT_EQ(resources[1].Name, "NAMED\xC3\xA9\xD0\x96");  // UTF-8
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

// Names in UTF-8: characters beyond Latin-1, pairs of surrogates; a NUL and
// a surrogate without its pair as U+FFFD, so nothing after them is lost.
TEST(ResourcesTest, NamesAreUtf8) {
  struct Case {
    std::u16string Stored;
    std::string Text;
  } cases[] = {
      {u"ABC", "ABC"},
      {u"\u00e9t\u00e9", "\xC3\xA9t\xC3\xA9"},
      {u"\u65e5\u672c", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::u16string(u"A\0B", 3),
       "A\xEF\xBF\xBD"
       "B"},
      {std::u16string(u"\0", 1), "\xEF\xBF\xBD"},
      {std::u16string{u'\xD800', u'x'}, "\xEF\xBF\xBDx"},  // lone high surrogate
      {std::u16string{u'x', u'\xDC00'}, "x\xEF\xBF\xBD"},  // lone low surrogate
      {std::u16string{u'\xD800'}, "\xEF\xBF\xBD"},         // high one at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    PeWriter w;
    w.AddResources({{c.Stored, c.Stored, 0x409, {1}}});
    auto bytes = w.Build();
    auto image = Read(bytes);
    const auto& views = image.ResourceViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].Name.Length(), c.Text.size());
    auto resources = image.Resources();
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].Name, c.Text);
    EXPECT_EQ(resources[0].TypeName, c.Text);
  }
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

// The C interface on the sample fixtures (both widths) and on written files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/nubrik_test_util.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/scoped_heap.h"
#include "dlv_fixtures.h"
#include "tests/fixtures/pe_writer.h"

namespace {

using nubrik::ScopedHeap;
using nubrik::test::Names;
using nubrik::test::Registered;

#define REQUIRE_FIXTURES()                                                         \
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample fixtures not built (no MinGW)"; \
  static_assert(true)

struct Sample {
  const char* Path;
  bool Wide;
};

class SampleDllTest : public ::testing::TestWithParam<Sample> {
 protected:
  void SetUp() override {
    REQUIRE_FIXTURES();
    file_ = std::make_unique<Registered>(Registered::FromFile(GetParam().Path));
    ASSERT_GT(file_->Size(), 1000u) << GetParam().Path;
  }
  const void* Image() const { return file_->Image(); }
  std::unique_ptr<Registered> file_;
};

TEST_P(SampleDllTest, HeadersAndSignature) {
  EXPECT_EQ(NubrikSignature(Image()), NUBRIK_SIG_PE);
  uint8_t dos[64];
  ASSERT_TRUE(NubrikDosHeader(Image(), dos));
  EXPECT_EQ(std::memcmp(dos, Image(), 64), 0);
  uint8_t fh[20];
  ASSERT_TRUE(NubrikFileHeader(Image(), fh));
  const uint16_t machine = fh[0] | fh[1] << 8;
  EXPECT_EQ(machine, GetParam().Wide ? 0x8664 : 0x14C);
  // Only the matching optional header call succeeds.
  uint8_t o32[224], o64[240];
  EXPECT_EQ(NubrikOptionalHeader(Image(), o32) != 0, !GetParam().Wide);
  EXPECT_EQ(NubrikOptionalHeader64(Image(), o64) != 0, GetParam().Wide);
  const uint8_t* o = GetParam().Wide ? o64 : o32;
  const uint32_t entry = o[16] | o[17] << 8 | o[18] << 16 | static_cast<uint32_t>(o[19]) << 24;
  uint32_t untouched = 0xDEADBEEF;
  EXPECT_EQ(NubrikEntryPoint(Image(), &untouched), entry);
  EXPECT_NE(entry, 0u);
  EXPECT_EQ(untouched, 0xDEADBEEFu);
}

TEST_P(SampleDllTest, SectionsByNameMatchTheNameList) {
  ScopedHeap heap;
  char* names = nullptr;
  int32_t count = NubrikSectionNames(Image(), heap.Handle(), &names);
  auto list = Names(&names, count);
  ASSERT_GE(list.size(), 4u);
  EXPECT_EQ(list[0], ".text");
  EXPECT_NE(std::find(list.begin(), list.end(), ".rsrc"), list.end());
  uint8_t header[40];
  ASSERT_TRUE(NubrikSectionByName(Image(), header, ".rsrc"));
  EXPECT_EQ(std::memcmp(header, ".rsrc\0\0", 8), 0);
  EXPECT_FALSE(NubrikSectionByName(Image(), header, ".RSRC"));
  EXPECT_FALSE(NubrikSectionByName(Image(), header, ""));
}

TEST_P(SampleDllTest, ImportsPerDescriptorWithoutCase) {
  ScopedHeap heap;
  char* modules = nullptr;
  auto list = Names(&modules, NubrikImportModules(Image(), heap.Handle(), &modules));
  ASSERT_FALSE(list.empty());
  EXPECT_NE(std::find(list.begin(), list.end(), "GDI32.dll"), list.end());
  char* functions = nullptr;
  auto gdi =
      Names(&functions, NubrikImportFunctions(Image(), heap.Handle(), "GDI32.DLL", &functions, 0));
  EXPECT_EQ(gdi, std::vector<std::string>{"GetStockObject"});
  auto advapi = Names(&functions,
                      NubrikImportFunctions(Image(), heap.Handle(), "advapi32.dll", &functions, 0));
  EXPECT_EQ(advapi, (std::vector<std::string>{"RegCloseKey", "RegOpenKeyExA"}));
  // There is one descriptor per module here: occurrence 1 is none.
  EXPECT_EQ(NubrikImportFunctions(Image(), heap.Handle(), "GDI32.DLL", &functions, 1), 0);
  EXPECT_EQ(functions, nullptr);
  EXPECT_EQ(NubrikImportFunctions(Image(), heap.Handle(), "GDI32", &functions, 0), 0);
}

TEST_P(SampleDllTest, ExportsByNameOrdinalAndForwarder) {
  ScopedHeap heap;
  const int32_t count = NubrikExportCount(Image());
  const NubrikExportRecord* records = NubrikExportTable(Image(), heap.Handle());
  ASSERT_EQ(count, 6);
  ASSERT_NE(records, nullptr);
  std::vector<std::string> lines;
  for (int32_t i = 0; i < count; ++i) {
    lines.push_back((records[i].Name ? std::string(records[i].Name) : "-") + " " +
                    std::to_string(records[i].Ordinal));
    EXPECT_NE(records[i].EntryRva, 0u);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"SampleAdd 1", "SampleCounter 6", "SampleMultiply 2",
                                             "SampleTickCount 8", "SampleUseImports 7", "- 5"}));
  // The forwarder's RVA points at its text.
  pe::Image reader(Image(), file_->Size());
  const char* text = reinterpret_cast<const char*>(reader.AtRva(records[3].EntryRva, 21));
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "kernel32.GetTickCount");
}

TEST_P(SampleDllTest, ResourcesOfEveryType) {
  ScopedHeap heap;
  const int32_t count = NubrikResourceCount(Image());
  const NubrikResourceRecord* records = NubrikResourceTable(Image(), heap.Handle());
  ASSERT_EQ(count, 17);
  ASSERT_NE(records, nullptr);
  std::vector<std::string> lines;
  for (int32_t i = 0; i < count; ++i) {
    lines.push_back(std::to_string(records[i].Type) + "/" + records[i].Name + "/" +
                    std::to_string(records[i].Language));
    EXPECT_GT(records[i].Size, 0u);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"0/502/1033", "1/1/1033", "2/2/1033", "3/1/1033",
                                             "4/100/1033", "5/200/1033", "6/1/1033", "6/2/1033",
                                             "9/300/1033", "10/NAMEDDATA/1033", "10/400/1031",
                                             "10/400/1033", "12/1/1033", "14/3/1033", "16/1/1033",
                                             "17/500/1033", "240/501/1033"}));
  // The bitmap's data is the file's picture without its 14-byte file header.
  pe::Image reader(Image(), file_->Size());
  auto picture = nubrik::ReadWholeFile(DLV_SAMPLE_BMP);
  ASSERT_TRUE(picture);
  ASSERT_EQ(records[2].Size + 14, picture->size());
  const uint8_t* data = reader.AtRva(records[2].OffsetToData, records[2].Size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::memcmp(data, picture->data() + 14, records[2].Size), 0);
}

TEST_P(SampleDllTest, DebugEntryPointsIntoTheImage) {
  const auto* entry = static_cast<const uint8_t*>(NubrikDebugEntry(Image()));
  ASSERT_NE(entry, nullptr);
  const auto* base = static_cast<const uint8_t*>(Image());
  EXPECT_GE(entry, base);
  EXPECT_LE(entry + 28, base + file_->Size());
  EXPECT_EQ(entry[12], 2);  // CodeView
}

INSTANTIATE_TEST_SUITE_P(BothWidths, SampleDllTest,
                         ::testing::Values(Sample{DLV_SAMPLE_DLL_X64, true},
                                           Sample{DLV_SAMPLE_DLL_X86, false}),
                         [](const auto& info) { return info.param.Wide ? "x64" : "x86"; });

TEST(SampleExeTest, ImportsByOrdinalAreNamedOrdinalN) {
  REQUIRE_FIXTURES();
  for (const char* path : {DLV_SAMPLE_EXE_X64, DLV_SAMPLE_EXE_X86}) {
    auto file = Registered::FromFile(path);
    ScopedHeap heap;
    char* functions = nullptr;
    auto list = Names(&functions, NubrikImportFunctions(file.Image(), heap.Handle(), "SAMPLE.DLL",
                                                        &functions, 0));
    EXPECT_EQ(list, (std::vector<std::string>{"SampleAdd", "Ordinal 5"})) << path;
    EXPECT_EQ(NubrikExportCount(file.Image()), 0);
    EXPECT_EQ(NubrikExportTable(file.Image(), heap.Handle()), nullptr);
  }
}

TEST(NamesDllTest, ResourceNamesOutsideLatin1ComeOutAsUtf8) {
  REQUIRE_FIXTURES();
  for (const char* path : {DLV_NAMES_DLL_X64, DLV_NAMES_DLL_X86}) {
    auto file = Registered::FromFile(path);
    ScopedHeap heap;
    const int32_t count = NubrikResourceCount(file.Image());
    const NubrikResourceRecord* records = NubrikResourceTable(file.Image(), heap.Handle());
    ASSERT_EQ(count, 2) << path;
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records[0].Type, 10u);
    EXPECT_STREQ(records[0].Name, "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF")
        << path;  // 日本データ
    EXPECT_EQ(records[1].Type, 240u);
    EXPECT_STREQ(records[1].Name, "\xCE\xA9MEGA") << path;  // ΩMEGA
  }
}

TEST(WrittenFileTest, OccurrencePicksTheNthDescriptorOfAModule) {
  fixtures::PeWriter w;
  w.AddImports({{"KERNEL32.dll", {"A"}}, {"USER32.dll", {"B"}}, {"kernel32.dll", {"C", "#9"}}});
  Registered file(w.Build());
  ScopedHeap heap;
  char* names = nullptr;
  EXPECT_EQ(Names(&names, NubrikImportModules(file.Image(), heap.Handle(), &names)),
            (std::vector<std::string>{"KERNEL32.dll", "USER32.dll", "kernel32.dll"}));
  EXPECT_EQ(
      Names(&names, NubrikImportFunctions(file.Image(), heap.Handle(), "KERNEL32.DLL", &names, 0)),
      std::vector<std::string>{"A"});
  EXPECT_EQ(
      Names(&names, NubrikImportFunctions(file.Image(), heap.Handle(), "KERNEL32.DLL", &names, 1)),
      (std::vector<std::string>{"C", "Ordinal 9"}));
  EXPECT_EQ(NubrikImportFunctions(file.Image(), heap.Handle(), "KERNEL32.DLL", &names, 2), 0);
  EXPECT_EQ(NubrikImportFunctions(file.Image(), heap.Handle(), "KERNEL32.DLL", &names, -1), 0);
}

// Module names match in full, without regard to ASCII case; a descriptor
// whose name is empty matches nothing.
TEST(WrittenFileTest, ModuleNameMatching) {
  fixtures::PeWriter w;
  w.AddImports({{"", {"Empty"}}, {"KERNEL32.dll", {"A"}}, {"user32.dll", {"B"}}});
  Registered file(w.Build());
  ScopedHeap heap;
  struct Case {
    const char* Module;
    std::vector<std::string> Functions;
  } cases[] = {
      {"KERNEL32.dll", {"A"}},
      {"kernel32.DLL", {"A"}},
      {"USER32.DLL", {"B"}},
      {"user32.dll", {"B"}},
      {"KERNEL32.dl", {}},
      {"KERNEL32", {}},
      {"KERNEL32.dll2", {}},
      {"KERNEL32.dll ", {}},
      {"", {}},
      {"KERNEL32.dllx", {}},
      {"k", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Module);
    char* names = reinterpret_cast<char*>(1);
    EXPECT_EQ(
        Names(&names, NubrikImportFunctions(file.Image(), heap.Handle(), c.Module, &names, 0)),
        c.Functions);
    if (c.Functions.empty()) {
      EXPECT_EQ(names, nullptr);
    }
  }
}

// Files built to amplify: 1,025 descriptors sharing one 4,095-character
// module name and one array of entries. Each call costs one lookup, not a
// comparison of the long name with every descriptor's, and no call gives
// more text than the file's allowance.
TEST(WrittenFileTest, DescriptorsSharingALongNameCostOneLookupEach) {
  fixtures::PeWriter w;
  w.AddSharedImports(1025, 4095, 4, 4095);
  w.AddZeros(1200 * 1024);  // room in the text allowance for every name
  Registered file(w.Build());
  ScopedHeap heap(512000);
  char* names = nullptr;
  auto modules = Names(&names, NubrikImportModules(file.Image(), heap.Handle(), &names));
  ASSERT_EQ(modules.size(), 1025u);
  EXPECT_EQ(modules[1024], std::string(4095, 'M'));
  const std::string module(4095, 'm');
  const auto start = std::chrono::steady_clock::now();
  size_t found = 0;
  for (int32_t i = 0; i < 1025; ++i) {
    ScopedHeap calls;
    char* functions = nullptr;
    auto list = Names(&functions, NubrikImportFunctions(file.Image(), calls.Handle(),
                                                        module.c_str(), &functions, i));
    found += list.size() == 4 && list[3].size() == 4095;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(found, 1025u);
  // A walk per call compares 4 GB of names here: minutes, not this.
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(NubrikImportFunctions(file.Image(), heap.Handle(), module.c_str(), &names, 1025), 0);
}

TEST(WrittenFileTest, SharedEntryArraysGiveAtMostTheTextAllowance) {
  fixtures::PeWriter w;
  w.AddSharedImports(1025, 8, 1000, 4095);
  auto bytes = w.Build();
  const size_t allowance = 4 * bytes.size() + 65536;
  Registered file(std::move(bytes));
  ScopedHeap heap(512000);
  for (int32_t i : {0, 1, 1024}) {
    char* names = nullptr;
    auto list = Names(&names, NubrikImportFunctions(file.Image(), heap.Handle(),
                                                    std::string(8, 'M').c_str(), &names, i));
    size_t text = 0;
    for (const auto& name : list) text += name.size() + 1;
    EXPECT_EQ(list.size(), 1000u);  // every entry, the names cut to the allowance
    EXPECT_LE(text, allowance + list.size());
  }
}

TEST(WrittenFileTest, SignaturesOfNonPeFilesAndWhatFailsOnThem) {
  struct Case {
    std::vector<uint8_t> Bytes;
    uint32_t Signature;
  };
  std::vector<Case> cases = {{fixtures::DosFile(), NUBRIK_SIG_MZ},
                             {fixtures::FileWithSignature("NE"), NUBRIK_SIG_NE},
                             {fixtures::FileWithSignature("LE"), NUBRIK_SIG_LE},
                             {{'P', 'E', 0, 0}, 0}};
  for (auto& c : cases) {
    Registered file(c.Bytes);
    ScopedHeap heap;
    EXPECT_EQ(NubrikSignature(file.Image()), c.Signature);
    uint8_t buffer[240];
    EXPECT_EQ(NubrikDosHeader(file.Image(), buffer) != 0, c.Signature != 0);
    EXPECT_FALSE(NubrikFileHeader(file.Image(), buffer));
    EXPECT_FALSE(NubrikOptionalHeader(file.Image(), buffer));
    EXPECT_FALSE(NubrikOptionalHeader64(file.Image(), buffer));
    EXPECT_EQ(NubrikEntryPoint(file.Image(), nullptr), 0u);
    char* names = reinterpret_cast<char*>(1);
    EXPECT_EQ(NubrikSectionNames(file.Image(), heap.Handle(), &names), 0);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(NubrikImportModules(file.Image(), heap.Handle(), &names), 0);
    EXPECT_EQ(NubrikExportCount(file.Image()), 0);
    EXPECT_EQ(NubrikResourceCount(file.Image()), 0);
    EXPECT_EQ(NubrikResourceTable(file.Image(), heap.Handle()), nullptr);
    EXPECT_EQ(NubrikDebugEntry(file.Image()), nullptr);
  }
}

TEST(WrittenFileTest, ResourceNamesAndTypes) {
  fixtures::PeWriter w;
  w.AddResources({{u"CUSTOM", u"ITEM", 0x409, {1, 2, 3}}, {240u, 7u, 0, {4}}});
  Registered file(w.Build());
  ScopedHeap heap;
  ASSERT_EQ(NubrikResourceCount(file.Image()), 2);
  const NubrikResourceRecord* r = NubrikResourceTable(file.Image(), heap.Handle());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r[0].Type, 0u);  // named type
  EXPECT_STREQ(r[0].Name, "ITEM");
  EXPECT_EQ(r[0].Size, 3u);
  EXPECT_EQ(r[1].Type, 240u);
  EXPECT_STREQ(r[1].Name, "7");
  EXPECT_EQ(r[1].Language, 0u);

  // Texts in UTF-8; a NUL inside a name does not cut it short.
  fixtures::PeWriter u;
  u.AddResources({{3u, u"\u65e5\u672c", 0x411, {1}}, {3u, std::u16string(u"A\0B", 3), 0, {2}}});
  Registered unicode(u.Build());
  ASSERT_EQ(NubrikResourceCount(unicode.Image()), 2);
  const NubrikResourceRecord* ur = NubrikResourceTable(unicode.Image(), heap.Handle());
  ASSERT_NE(ur, nullptr);
  EXPECT_STREQ(ur[0].Name, "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_STREQ(ur[1].Name,
               "A\xEF\xBF\xBD"
               "B");
}

TEST(RegistryTest, UnregisteredImagesAreNotReadOnTheHost) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows measures unregistered images (see the Windows test)";
#else
  fixtures::PeWriter w;
  auto bytes = w.Build();
  EXPECT_EQ(NubrikSignature(bytes.data()), 0u);
  EXPECT_EQ(NubrikSignature(nullptr), 0u);
  EXPECT_FALSE(NubrikRegisterImage(bytes.data(), 0));
  EXPECT_FALSE(NubrikRegisterImage(nullptr, 10));
  ASSERT_TRUE(NubrikRegisterImage(bytes.data(), bytes.size()));
  EXPECT_EQ(NubrikSignature(bytes.data()), NUBRIK_SIG_PE);
  // Registering again updates the size: a 2-byte image is "MZ" at most.
  ASSERT_TRUE(NubrikRegisterImage(bytes.data(), 2));
  EXPECT_EQ(NubrikSignature(bytes.data()), NUBRIK_SIG_MZ);
  NubrikUnregisterImage(bytes.data());
  EXPECT_EQ(NubrikSignature(bytes.data()), 0u);
#endif
}

TEST(RegistryTest, ThreadsRegisterAndReadTheirOwnImages) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      const std::string module = std::string("M") + static_cast<char>('0' + t) + ".dll";
      for (int i = 0; i < 200; ++i) {
        fixtures::PeWriter w(t % 2 == 1);
        w.AddImports({{module, {"F"}}});
        Registered file(w.Build());
        ScopedHeap heap;
        char* names = nullptr;
        auto list = Names(&names, NubrikImportModules(file.Image(), heap.Handle(), &names));
        if (list != std::vector<std::string>{module}) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(HeapTest, NullHeapGivesNoResults) {
  fixtures::PeWriter w;
  w.AddImports({{"A.dll", {"F"}}});
  w.AddExports("x.dll", 1, {0x1100}, {{"E", 0}});
  Registered file(w.Build());
  char* names = nullptr;
  EXPECT_EQ(NubrikImportModules(file.Image(), nullptr, &names), 0);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(NubrikExportTable(file.Image(), nullptr), nullptr);
  EXPECT_EQ(NubrikExportCount(file.Image()), 1);
}

TEST(HeapTest, LargeResultsSpanSeveralBlocks) {
  fixtures::PeWriter w;
  std::vector<std::string> functions;
  for (int i = 0; i < 3000; ++i) functions.push_back("Function_number_" + std::to_string(i));
  w.AddImports({{"BIG.dll", functions}});
  Registered file(w.Build());
  ScopedHeap heap(4096);
  char* names = nullptr;
  auto list =
      Names(&names, NubrikImportFunctions(file.Image(), heap.Handle(), "big.dll", &names, 0));
  ASSERT_EQ(list.size(), 3000u);
  EXPECT_EQ(list[2999], "Function_number_2999");
}

}  // namespace

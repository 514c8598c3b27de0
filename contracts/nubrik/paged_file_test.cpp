// Files read on demand give what the whole file gives, through every call;
// the parse kept for a registered image follows re-registration; heaps that
// reuse each other's blocks keep their own results.
#include "contracts/nubrik/paged_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "contracts/nubrik/nubrik_internal.h"
#include "contracts/nubrik/nubrik_test_util.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/scoped_heap.h"
#include "dlv_fixtures.h"

namespace {

namespace fs = std::filesystem;
using nubrik::test::Registered;

void Hex(std::string& out, const void* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = static_cast<const uint8_t*>(bytes)[i];
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  out += '\n';
}

// The first names of a name list (files with thousands of sections or
// descriptors are compared on their first ones, which keeps them quick).
std::vector<std::string> FirstNames(const char* list, int32_t count) {
  std::vector<std::string> names;
  for (int32_t i = 0; list && i < count && i < 32; ++i) {
    names.emplace_back(list);
    list += names.back().size() + 1;
  }
  return names;
}

// Everything the interface gives for a registered image, as text.
std::string Dump(const void* image) {
  std::string out;
  nubrik::ScopedHeap heap;
  uint8_t buffer[240];
  out += std::to_string(NubrikSignature(image)) + "\n";
  if (NubrikDosHeader(image, buffer)) Hex(out, buffer, 64);
  if (NubrikFileHeader(image, buffer)) Hex(out, buffer, 20);
  if (NubrikOptionalHeader(image, buffer)) Hex(out, buffer, 224);
  if (NubrikOptionalHeader64(image, buffer)) Hex(out, buffer, 240);
  out += std::to_string(NubrikEntryPoint(image, nullptr)) + "\n";
  char* list = nullptr;
  int32_t count = NubrikSectionNames(image, heap.Handle(), &list);
  const auto sections = FirstNames(list, count);
  for (size_t i = 0; i < sections.size(); ++i) {
    out += sections[i] + ":";
    if (NubrikSectionByName(image, buffer, sections[i].c_str())) Hex(out, buffer, 40);
  }
  count = NubrikImportModules(image, heap.Handle(), &list);
  const auto modules = FirstNames(list, count);
  for (size_t i = 0; i < modules.size(); ++i) {
    const auto occurrence = std::count(modules.begin(), modules.begin() + i, modules[i]);
    out += "import " + modules[i] + ":";
    char* functions = nullptr;
    const int32_t n =
        NubrikImportFunctions(image, heap.Handle(), modules[i].c_str(), &functions, occurrence);
    // The list as it came, NULs and all.
    const char* end = functions;
    for (int32_t k = 0; k < n; ++k) end += std::strlen(end) + 1;
    out.append(functions ? functions : "", static_cast<size_t>(end - functions));
    out += "\n";
  }
  const int32_t exports = NubrikExportCount(image);
  if (const NubrikExportRecord* e = NubrikExportTable(image, heap.Handle())) {
    for (int32_t i = 0; i < exports; ++i) {
      out += "export " + std::to_string(e[i].Ordinal) + " " + std::to_string(e[i].EntryRva) + " " +
             (e[i].Name ? e[i].Name : "-") + "\n";
    }
  }
  const int32_t resources = NubrikResourceCount(image);
  if (const NubrikResourceRecord* r = NubrikResourceTable(image, heap.Handle())) {
    for (int32_t i = 0; i < resources; ++i) {
      out += "resource " + std::to_string(r[i].Type) + " " + r[i].Name + " " +
             std::to_string(r[i].Language) + " " + std::to_string(r[i].OffsetToData) + " " +
             std::to_string(r[i].Size) + "\n";
    }
  }
  if (const void* d = NubrikDebugEntry(image)) Hex(out, d, 28);
  return out;
}

std::vector<fs::path> FilesIn(const char* directory, size_t stride) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    if (entry.is_regular_file() && entry.file_size() > 0) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<fs::path> picked;
  for (size_t i = 0; i < files.size(); i += stride) picked.push_back(files[i]);
  return picked;
}

// One PagedFile through a list of files of every size (its buffer reused
// from one to the next), each against the same file registered whole.
void CompareOnDemandWithWhole(const std::vector<fs::path>& files) {
  nubrik::PagedFile paged;
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    Registered whole = Registered::FromFile(path.string());
    const std::string expected = Dump(whole.Image());
    ASSERT_TRUE(paged.Open(path.string()));
    EXPECT_EQ(paged.Size(), whole.Size());
    EXPECT_EQ(Dump(paged.Image()), expected);
  }
}

TEST(PagedFileTest, GivesWhatTheWholeFileGives) {
  std::vector<fs::path> files = {DLV_SAMPLE_DLL_X64, DLV_SAMPLE_EXE_X86, DLV_SAMPLE_DLL_X86};
  auto wine = FilesIn(DLV_WINE_PE_DIR, 10);
  files.insert(files.end(), wine.begin(), wine.end());
  if (!DLV_FIXTURES_BUILT || wine.empty()) GTEST_SKIP() << "fixtures or Wine files missing";
  CompareOnDemandWithWhole(files);
}

TEST(PagedFileTest, GivesWhatTheWholeFileGivesForHostileFiles) {
  auto files = FilesIn(DLV_CORKAMI_DIR, 1);
  if (files.empty()) GTEST_SKIP() << "hostile corpus not found at " DLV_CORKAMI_DIR;
  CompareOnDemandWithWhole(files);
}

class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes)
      : path_(fs::temp_directory_path() / ("nubrik_paged_" + std::to_string(getpid()))) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

TEST(PagedFileTest, BytesThatCannotBeReadAreAbsentNotGarbage) {
  auto bytes = nubrik::ReadWholeFile(DLV_SAMPLE_DLL_X64);
  if (!bytes) GTEST_SKIP() << "fixtures missing";
  nubrik::PagedFile paged;
  EXPECT_FALSE(paged.Open((fs::temp_directory_path() / "no such nubrik file").string()));
  EXPECT_EQ(paged.Image(), nullptr);
  EXPECT_FALSE(paged.Open(fs::temp_directory_path().string()));  // a directory
  {
    TempFile empty({});
    EXPECT_FALSE(paged.Open(empty.Path().string()));
  }

  // The file shrinks to its headers after it was opened: the headers still
  // read, the tables past the new end are absent, nothing crashes.
  TempFile file(*bytes);
  ASSERT_TRUE(paged.Open(file.Path().string()));
  fs::resize_file(file.Path(), 1024);
  EXPECT_EQ(NubrikSignature(paged.Image()), NUBRIK_SIG_PE);
  nubrik::ScopedHeap heap;
  char* names = nullptr;
  EXPECT_EQ(NubrikImportModules(paged.Image(), heap.Handle(), &names), 0);
  EXPECT_EQ(NubrikExportTable(paged.Image(), heap.Handle()), nullptr);
  paged.Close();
  EXPECT_EQ(paged.Image(), nullptr);
}

TEST(RegistryTest, RegisteringAgainForgetsWhatWasParsed) {
  auto dll = nubrik::ReadWholeFile(DLV_SAMPLE_DLL_X64);
  auto exe = nubrik::ReadWholeFile(DLV_SAMPLE_EXE_X86);
  if (!dll || !exe) GTEST_SKIP() << "fixtures missing";
  std::vector<uint8_t> buffer(std::max(dll->size(), exe->size()));
  std::copy(dll->begin(), dll->end(), buffer.begin());
  ASSERT_TRUE(NubrikRegisterImage(buffer.data(), dll->size()));
  const std::string dllDump = Dump(buffer.data());
  // The same buffer holds another file now: registering it again must
  // give the new file's tables, not the parse of the old one.
  std::copy(exe->begin(), exe->end(), buffer.begin());
  ASSERT_TRUE(NubrikRegisterImage(buffer.data(), exe->size()));
  const std::string exeDump = Dump(buffer.data());
  NubrikUnregisterImage(buffer.data());
  EXPECT_NE(dllDump, exeDump);
  EXPECT_EQ(exeDump, Dump(Registered(*exe).Image()));
  EXPECT_EQ(NubrikSignature(buffer.data()), 0u);  // unregistered: nothing read
}

TEST(HeapTest, HeapsThatReuseBlocksKeepTheirOwnResults) {
  // A long-lived heap's results stay intact while other heaps come and go
  // (their blocks going to the pool and back out again).
  nubrik::ScopedHeap kept(8192);
  std::vector<std::pair<char*, size_t>> blocks;
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const size_t size = 1 + random() % 100000;
    auto* p = static_cast<char*>(nubrik::HeapAllocate(kept.Handle(), size));
    ASSERT_NE(p, nullptr);
    std::fill(p, p + size, static_cast<char>(round));
    blocks.emplace_back(p, size);
    nubrik::ScopedHeap passing(512000);
    for (int i = 0; i < 20; ++i) {
      const size_t n = 1 + random() % 200000;
      auto* q = static_cast<char*>(nubrik::HeapAllocate(passing.Handle(), n));
      ASSERT_NE(q, nullptr);
      std::fill(q, q + n, static_cast<char>(0x55));
    }
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    const auto [p, size] = blocks[i];
    EXPECT_EQ(std::count(p, p + size, static_cast<char>(i)), static_cast<long>(size)) << i;
  }
}

// The remembered section of a walk gives the offsets the full search gives,
// also in files whose sections overlap, in any order of RVAs.
TEST(RvaHintTest, AgreesWithTheFullSearch) {
  auto files = FilesIn(DLV_CORKAMI_DIR, 1);
  auto wine = FilesIn(DLV_WINE_PE_DIR, 25);
  files.insert(files.end(), wine.begin(), wine.end());
  if (files.empty()) GTEST_SKIP() << "corpora missing";
  std::mt19937 random(11);
  size_t compared = 0;
  for (const auto& path : files) {
    auto bytes = nubrik::ReadWholeFile(path.string());
    if (!bytes) continue;
    pe::Image image(bytes->data(), bytes->size());
    std::vector<uint64_t> rvas;
    for (size_t i = 0; i < image.Sections().size() && i < 64; ++i) {
      const auto& s = image.Sections()[i];
      for (uint64_t base :
           {uint64_t{s.VirtualAddress}, uint64_t{s.VirtualAddress} + s.SizeOfRawData,
            uint64_t{s.VirtualAddress} + s.VirtualSize}) {
        for (int delta = -2; delta <= 2; ++delta) rvas.push_back(base + delta);
        rvas.push_back(base + random() % 0x3000);
      }
    }
    std::shuffle(rvas.begin(), rvas.end(), random);
    pe::Image::RvaHint hint;
    for (uint64_t rva : rvas) {
      ASSERT_EQ(image.RvaToOffset(rva, &hint), image.RvaToOffset(rva))
          << path << " rva " << std::hex << rva;
      ++compared;
    }
  }
  EXPECT_GT(compared, 1000u);
}

}  // namespace

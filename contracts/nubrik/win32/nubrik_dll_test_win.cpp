// nubrik.dll as the programs use it: linked through the by-ordinal import
// library, on files mapped with the system's calls and never registered (so
// the DLL measures each view itself).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/nubrik_test_util.h"
#include "contracts/nubrik/scoped_heap.h"
#include "dlv_fixtures.h"
#include "platform/win32/win32_services.h"

namespace {

using nubrik::ScopedHeap;
using nubrik::test::Names;

// A read-only, copy-on-write view of a whole file, as the programs map one.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path)
      : view_(platform::win32::Win32FileSystem().MapReadOnly(path, nullptr)) {}
  const void* View() const { return view_ ? view_->Data() : nullptr; }

 private:
  std::unique_ptr<platform::MappedFile> view_;
};

TEST(NubrikDllTest, UnregisteredMappedViewIsMeasured) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample fixtures not built";
  MappedFile file(DLV_SAMPLE_DLL_X64);
  ASSERT_NE(file.View(), nullptr);
  ScopedHeap heap;
  EXPECT_EQ(NubrikSignature(file.View()), NUBRIK_SIG_PE);
  uint8_t header[240];
  EXPECT_TRUE(NubrikOptionalHeader64(file.View(), header));
  EXPECT_FALSE(NubrikOptionalHeader(file.View(), header));
  char* modules = nullptr;
  auto list = Names(&modules, NubrikImportModules(file.View(), heap.Handle(), &modules));
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(NubrikExportCount(file.View()), 6);
  EXPECT_EQ(NubrikResourceCount(file.View()), 17);
  const NubrikResourceRecord* r = NubrikResourceTable(file.View(), heap.Handle());
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r[9].Name, "NAMEDDATA");
  EXPECT_NE(NubrikDebugEntry(file.View()), nullptr);
}

TEST(NubrikDllTest, UnmappedOrFreedMemoryIsNotRead) {
  EXPECT_EQ(NubrikSignature(nullptr), 0u);
  void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(reserved, nullptr);
  EXPECT_EQ(NubrikSignature(reserved), 0u);
  VirtualFree(reserved, 0, MEM_RELEASE);
  // A committed page followed by a guard page: only the first is read.
  auto* page = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(VirtualAlloc(page, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  page[0] = 'M';
  page[1] = 'Z';
  page[0x3C] = 0xFC;  // e_lfanew at the very end of the committed page
  page[0x3D] = 0x0F;
  std::memcpy(page + 0xFFC, "PE\0\0", 4);
  EXPECT_EQ(NubrikSignature(page), NUBRIK_SIG_PE);
  uint8_t fh[20];
  EXPECT_FALSE(NubrikFileHeader(page, fh));  // would run into the reserved page
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST(NubrikDllTest, RegisteredSizeWinsOverTheView) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample fixtures not built";
  MappedFile file(DLV_SAMPLE_DLL_X64);
  ASSERT_NE(file.View(), nullptr);
  ASSERT_TRUE(NubrikRegisterImage(file.View(), 64));  // only the DOS header
  EXPECT_EQ(NubrikSignature(file.View()), NUBRIK_SIG_MZ);
  NubrikUnregisterImage(file.View());
  EXPECT_EQ(NubrikSignature(file.View()), NUBRIK_SIG_PE);
}

TEST(NubrikDllTest, ThisProgramImportsTheDllByOrdinal) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  MappedFile self(path);
  ASSERT_NE(self.View(), nullptr);
  ScopedHeap heap;
  char* functions = nullptr;
  auto list = Names(&functions,
                    NubrikImportFunctions(self.View(), heap.Handle(), "NUBRIK.DLL", &functions, 0));
  ASSERT_FALSE(list.empty());
  for (const auto& f : list) {
    if (f.rfind("NubrikRegisterImage", 0) == 0 || f.rfind("NubrikUnregisterImage", 0) == 0) {
      continue;  // imported by name
    }
    EXPECT_EQ(f.rfind("Ordinal ", 0), 0u) << f;
  }
}

}  // namespace

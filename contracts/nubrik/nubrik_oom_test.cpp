// Running out of memory inside the library: every call of the C interface,
// with the n-th allocation failing for n = 1, 2, ..., gives a failure (0 or
// null) or its full answer, never an abort or an exception; and once memory
// is back, the same registered image gives the full answers (nothing half
// built is kept). Its own program: it replaces the global operator new.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/nubrik_test_util.h"
#include "contracts/nubrik/scoped_heap.h"
#include "tests/fixtures/pe_writer.h"

namespace {

// Allocations left before one fails; negative: none fails.
thread_local long allocationsLeft = -1;

void* Allocate(size_t size) {
  if (allocationsLeft == 0) throw std::bad_alloc();
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace {

using nubrik::ScopedHeap;
using nubrik::test::Names;
using nubrik::test::Registered;

// Everything the interface gives for one image, as text.
std::string AllAnswers(const void* image) {
  ScopedHeap heap;
  std::string out;
  char* names = nullptr;
  for (const auto& s : Names(&names, NubrikSectionNames(image, heap.Handle(), &names))) {
    out += "section " + s + "\n";
  }
  auto modules = Names(&names, NubrikImportModules(image, heap.Handle(), &names));
  for (const auto& m : modules) {
    out += "import " + m + ":";
    for (const auto& f :
         Names(&names, NubrikImportFunctions(image, heap.Handle(), m.c_str(), &names, 0))) {
      out += " " + f;
    }
    out += "\n";
  }
  const int32_t exports = NubrikExportCount(image);
  if (const NubrikExportRecord* e = NubrikExportTable(image, heap.Handle())) {
    for (int32_t i = 0; i < exports; ++i) {
      out += "export " + std::string(e[i].Name ? e[i].Name : "-") + " " +
             std::to_string(e[i].Ordinal) + "\n";
    }
  }
  const int32_t resources = NubrikResourceCount(image);
  if (const NubrikResourceRecord* r = NubrikResourceTable(image, heap.Handle())) {
    for (int32_t i = 0; i < resources; ++i) out += "resource " + std::string(r[i].Name) + "\n";
  }
  return out;
}

TEST(OutOfMemoryTest, EveryFailingAllocationIsAFailureNeverAnAbort) {
  fixtures::PeWriter w;
  w.AddImports({{"KERNEL32.dll", {"GetTickCount", "#17"}}, {"USER32.dll", {"MessageBoxW"}}});
  w.AddExports("x.dll", 1, {0x1100, 0x1200}, {{"Alpha", 0}});
  w.AddResources({{3u, u"\u65e5\u672c", 0x411, {1}}, {16u, 1u, 0x409, {2}}});
  const auto bytes = w.Build();
  std::string expected;
  {
    Registered file(bytes);
    expected = AllAnswers(file.Image());
  }
  ASSERT_NE(expected.find("export Alpha 1"), std::string::npos);
  ASSERT_NE(expected.find("import KERNEL32.dll: GetTickCount Ordinal 17"), std::string::npos);
  bool completed = false;
  for (long n = 0; n < 2000 && !completed; ++n) {
    SCOPED_TRACE(n);
    Registered file(bytes);
    ScopedHeap heap;
    char* names = nullptr;
    allocationsLeft = n;
    // Each answer is all or nothing.
    const int32_t count = NubrikImportModules(file.Image(), heap.Handle(), &names);
    EXPECT_TRUE(count == 0 || count == 2);
    EXPECT_EQ(names == nullptr, count == 0);
    const int32_t functions =
        NubrikImportFunctions(file.Image(), heap.Handle(), "kernel32.dll", &names, 0);
    EXPECT_TRUE(functions == 0 || functions == 2);
    const NubrikExportRecord* e = NubrikExportTable(file.Image(), heap.Handle());
    if (e) {
      EXPECT_STREQ(e[0].Name, "Alpha");
    }
    const NubrikResourceRecord* r = NubrikResourceTable(file.Image(), heap.Handle());
    if (r) {
      EXPECT_STREQ(r[0].Name, "\xE6\x97\xA5\xE6\x9C\xAC");
    }
    completed = allocationsLeft > 0;  // every call ran with memory to spare
    allocationsLeft = -1;
    // Memory is back: the same registration gives every answer.
    EXPECT_EQ(AllAnswers(file.Image()), expected);
  }
  EXPECT_TRUE(completed);
}

TEST(OutOfMemoryTest, RegisteringWithoutMemoryFails) {
  fixtures::PeWriter w;
  auto bytes = w.Build();
  allocationsLeft = 0;
  const bool registered = NubrikRegisterImage(bytes.data(), bytes.size()) != 0;
  allocationsLeft = -1;
  EXPECT_FALSE(registered);
  NubrikUnregisterImage(bytes.data());
}

}  // namespace

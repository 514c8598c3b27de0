// dlvnt's collection and fills on a scripted machine over real files:
// 1000 processes of 100 modules each, and 10,000 registered classes. The peer
// is the bare work underneath: find, map and read the imports of every
// distinct file once, with no merging, normalising or rows.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "dlvnt/inventory/collect.h"
#include "dlvnt/inventory/listing.h"
#include "dlvnt/inventory/paths.h"
#include "platform/fake/fake_inventory.h"
#include "platform/fake/fake_machine.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_inventory.h"
#include "tests/fixtures/pe_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

constexpr int kProcesses = 1000;
constexpr int kModulesPerProcess = 100;
constexpr int kLibraries = 2000;
constexpr int kClasses = 10000;

}  // namespace

int main() {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / "DLVBENCH";
  fs::create_directories(root);
  // One small image per program and library, each importing a few others.
  auto write = [&](const std::string& name, int seed) {
    fs::path path = root / name;
    if (fs::exists(path)) return path.string();
    fixtures::PeWriter writer;
    std::vector<fixtures::PeWriter::ImportModule> imports;
    for (int k = 0; k < 4; ++k) {
      imports.push_back(
          {"LIB" + std::to_string((seed * 7 + k * 131) % kLibraries) + ".DLL", {"F"}});
    }
    writer.AddImports(imports);
    std::vector<uint8_t> bytes = writer.Build();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
  };
  std::vector<std::string> programs, libraries;
  for (int i = 0; i < kProcesses; ++i)
    programs.push_back(write("PROG" + std::to_string(i) + ".EXE", i));
  for (int i = 0; i < kLibraries; ++i)
    libraries.push_back(write("LIB" + std::to_string(i) + ".DLL", i));

  platform::fake::FakeSystemInventory system;
  for (int p = 0; p < kProcesses; ++p) {
    std::vector<platform::ModuleEntry> modules{{"PROG" + std::to_string(p) + ".EXE", programs[p]}};
    for (int j = 1; j < kModulesPerProcess; ++j) {
      int lib = (p * 37 + j * 13) % kLibraries;
      modules.push_back({"LIB" + std::to_string(lib) + ".DLL", libraries[lib]});
    }
    system.AddProcess(static_cast<uint32_t>(4 * (p + 1)), modules);
  }
  platform::posix::PosixFileCatalog catalog;
  platform::posix::PosixFileSystem plain;
  platform::posix::CaseInsensitiveFileSystem files(plain, catalog.Resolver());
  platform::fake::FakeRegistry registry;
  registry.CreateKey(platform::RegistryRoot::ClassesRoot, "CLSID");
  for (int c = 0; c < kClasses; ++c) {
    // Most classes share a server file; one in ten names a file that is gone.
    std::string server = c % 10 == 9 ? root.string() + "/GONE" + std::to_string(c) + ".OCX"
                                     : libraries[c % kLibraries];
    // Registered the Windows way: a "/" would start switches.
    for (char& ch : server) {
      if (ch == '/') ch = '\\';
    }
    registry.Set(platform::RegistryRoot::ClassesRoot,
                 "CLSID\\{" + std::to_string(100000 + c) + "}\\InprocServer32", "", server);
  }
  dlvnt::InventoryServices services{
      system, catalog, files, registry, {root.string(), fs::temp_directory_path().string()}};
  std::vector<std::string> search{root.string(), fs::temp_directory_path().string(), "/usr/bin",
                                  "/usr/lib"};

  // Peer: each distinct file found, mapped and its imports read once.
  auto t0 = Clock::now();
  size_t names = 0;
  {
    dlvnt::CollectionHeap heap;
    for (const auto* list : {&programs, &libraries}) {
      for (const std::string& path : *list) {
        struct stat st {};
        stat(path.c_str(), &st);
        auto view = plain.MapReadOnly(path, nullptr);
        NubrikRegisterImage(view->Data(), view->Size());
        char* n = nullptr;
        names += static_cast<size_t>(NubrikImportModules(view->Data(), heap.Handle(), &n));
        NubrikUnregisterImage(view->Data());
      }
    }
  }
  double peer = Ms(t0);

  dlvnt::ItemList items;
  dlvnt::UsageList usage;
  dlvnt::ProcessTree tree;
  t0 = Clock::now();
  int processes = 0;
  {
    dlvnt::CollectionHeap heap;
    processes = dlvnt::CollectModule32(services, heap, items, usage, tree).ProcessCount;
  }
  double collect = Ms(t0);
  t0 = Clock::now();
  dlvnt::PageFill fill =
      dlvnt::FillModule32Rows(catalog, search, items, usage, {}, processes, dlvnt::NodeCount(tree));
  double fillMs = Ms(t0);
  dlvnt::FillOptions withDuplicates;
  withDuplicates.Duplicates = true;
  t0 = Clock::now();
  dlvnt::PageFill fillDup = dlvnt::FillModule32Rows(catalog, search, items, usage, withDuplicates,
                                                    processes, dlvnt::NodeCount(tree));
  double fillDupMs = Ms(t0);
  t0 = Clock::now();
  dlvnt::SortItems(items, dlvnt::SortKey::Size, 1);
  double sortMs = Ms(t0);

  dlvnt::ItemList ocx;
  t0 = Clock::now();
  {
    dlvnt::CollectionHeap heap;
    dlvnt::CollectOCX(services, heap, search, ocx);
  }
  double ocxCollect = Ms(t0);
  dlvnt::FillOptions notFound;
  notFound.NotFound = true;
  t0 = Clock::now();
  dlvnt::PageFill ocxFill =
      dlvnt::FillOCXRows(services, search, ocx, usage, notFound, false, nullptr);
  double ocxFillMs = Ms(t0);

  std::printf("dlvnt inventory on a scripted machine over %d real files (%s)\n",
              kProcesses + kLibraries, root.c_str());
  std::printf("  peer: find + map + imports of each file once   %8.1f ms  (%zu import names)\n",
              peer, names);
  std::printf(
      "  Win32 collection, %d processes x %d modules    %8.1f ms  (%zu items, %zu usage, %d "
      "nodes)\n",
      kProcesses, kModulesPerProcess, collect, items.Count(), usage.Count(),
      dlvnt::NodeCount(tree));
  std::printf("  Win32 fill                                     %8.1f ms  (%zu rows)\n", fillMs,
              fill.Rows.size());
  std::printf("  Win32 fill with duplicates                     %8.1f ms  (%zu rows)\n", fillDupMs,
              fillDup.Rows.size());
  std::printf("  sort by size                                   %8.1f ms\n", sortMs);
  std::printf("  OCX collection, %d classes                  %8.1f ms  (%zu items)\n", kClasses,
              ocxCollect, ocx.Count());
  std::printf("  OCX fill with not-found rows                   %8.1f ms  (%zu rows)\n", ocxFillMs,
              ocxFill.Rows.size());
  return 0;
}

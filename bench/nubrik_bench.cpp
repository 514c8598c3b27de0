// nubrik_bench [--nubrik-only] [DIR]: reads everything the browser shows
// (headers, sections, imports with their functions, exports, resources, the
// debug entry) from every PE file of DIR (Wine's own by default) through the
// library, the files read on demand, mapped, and already in memory; and times
// llvm-readobj-14 and pefile doing the same over the same files. Prints the
// times and the ratios; best of three runs each (pefile: one run).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/paged_file.h"
#include "contracts/nubrik/pe_file.h"
#include "contracts/nubrik/scoped_heap.h"

#ifndef NUBRIK_BENCH_PEFILE_SCRIPT
#error "NUBRIK_BENCH_PEFILE_SCRIPT must name bench_pefile.py"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<const char*> Split(const char* list, int32_t count) {
  std::vector<const char*> names;
  for (int32_t i = 0; list && i < count; ++i) {
    names.push_back(list);
    list += std::char_traits<char>::length(list) + 1;
  }
  return names;
}

// What vistrel asks of one file when it opens it (and the import functions
// of every descriptor, which it asks for as the user clicks through them).
uint64_t ReadLikeTheBrowser(const void* image) {
  uint64_t sum = 0;
  nubrik::ScopedHeap heap(512000);
  uint8_t buffer[240];
  sum += NubrikSignature(image);
  sum += NubrikFileHeader(image, buffer);
  sum += NubrikOptionalHeader64(image, buffer) || NubrikOptionalHeader(image, buffer);
  sum += NubrikEntryPoint(image, nullptr);
  char* list = nullptr;
  int32_t n = NubrikSectionNames(image, heap.Handle(), &list);
  for (const char* name : Split(list, n)) sum += NubrikSectionByName(image, buffer, name);
  n = NubrikImportModules(image, heap.Handle(), &list);
  std::vector<std::string> seen;
  for (const char* module : Split(list, n)) {
    int32_t occurrence = static_cast<int32_t>(std::count(seen.begin(), seen.end(), module));
    seen.emplace_back(module);
    char* functions = nullptr;
    sum += NubrikImportFunctions(image, heap.Handle(), module, &functions, occurrence);
  }
  sum += NubrikExportCount(image);
  sum += NubrikExportTable(image, heap.Handle()) != nullptr;
  sum += NubrikSectionByName(image, buffer, ".text");
  sum += NubrikResourceCount(image);
  sum += NubrikResourceTable(image, heap.Handle()) != nullptr;
  sum += NubrikDebugEntry(image) != nullptr;
  return sum;
}

double Best(int runs, double (*run)(const std::vector<std::string>&),
            const std::vector<std::string>& files) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, run(files));
  return best;
}

double RunNubrik(const std::vector<std::string>& files) {
  auto start = Clock::now();
  uint64_t sum = 0;
  for (const auto& path : files) {
    // Mapped read-only, as the programs do (and as pefile does).
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) continue;
    struct stat info;
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
      const size_t size = static_cast<size_t>(info.st_size);
      void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
      if (view != MAP_FAILED) {
        NubrikRegisterImage(view, size);
        sum += ReadLikeTheBrowser(view);
        NubrikUnregisterImage(view);
        munmap(view, size);
      }
    }
    close(fd);
  }
  double t = Seconds(start);
  if (sum == 0) std::printf("(nothing read)\n");
  return t;
}

// Each file read on demand (PagedFile): only the pieces the calls look at
// are read, with no mapping and so no page faults.
double RunNubrikPaged(const std::vector<std::string>& files) {
  auto start = Clock::now();
  uint64_t sum = 0;
  nubrik::PagedFile file;
  for (const auto& path : files) {
    if (file.Open(path)) sum += ReadLikeTheBrowser(file.Image());
  }
  file.Close();
  double t = Seconds(start);
  if (sum == 0) std::printf("(nothing read)\n");
  return t;
}

// The library's own share: each file read into memory first (untimed), so
// mapping and page faults are left out.
double RunNubrikInMemory(const std::vector<std::string>& files) {
  double total = 0;
  uint64_t sum = 0;
  for (const auto& path : files) {
    auto bytes = nubrik::ReadWholeFile(path);
    if (!bytes || bytes->empty()) continue;
    auto start = Clock::now();
    NubrikRegisterImage(bytes->data(), bytes->size());
    sum += ReadLikeTheBrowser(bytes->data());
    NubrikUnregisterImage(bytes->data());
    total += Seconds(start);
  }
  if (sum == 0) std::printf("(nothing read)\n");
  return total;
}

std::string Quoted(const std::vector<std::string>& files) {
  std::string all;
  for (const auto& f : files) all += " '" + f + "'";
  return all;
}

double RunCommand(const std::string& command) {
  auto start = Clock::now();
  int status = std::system(command.c_str());
  double t = Seconds(start);
  if (status != 0) std::printf("(command failed: status %d)\n", status);
  return t;
}

const char kReadobj[] =
    "llvm-readobj-14 --file-headers --sections --coff-imports --coff-exports "
    "--coff-resources --coff-debug-directory";

double RunReadobj(const std::vector<std::string>& files) {
  return RunCommand(kReadobj + Quoted(files) + " > /dev/null 2>&1");
}

// llvm-readobj stops at the first file it cannot read: the three readers
// are timed on the files it reads (checked one by one, untimed).
std::vector<std::string> ReadableByReadobj(const std::vector<std::string>& files,
                                           std::vector<std::string>* rejected) {
  std::vector<std::string> readable;
  for (const auto& f : files) {
    std::string command = std::string(kReadobj) + " '" + f + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      readable.push_back(f);
    } else {
      rejected->push_back(f);
    }
  }
  return readable;
}

double RunPefile(const std::vector<std::string>& files) {
  return RunCommand("/usr/bin/python3 " NUBRIK_BENCH_PEFILE_SCRIPT + Quoted(files) +
                    " > /dev/null");
}

}  // namespace

int main(int argc, char** argv) {
  // --nubrik-only: time the library alone (for profiling), no peers.
  const bool only = argc > 1 && std::string(argv[1]) == "--nubrik-only";
  if (only) {
    --argc;
    ++argv;
  }
  const std::string dir = argc > 1 ? argv[1] : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "nubrik_bench: no files in %s\n", dir.c_str());
    return 1;
  }
  std::vector<std::string> rejected;
  if (!only) files = ReadableByReadobj(files, &rejected);
  std::printf("nubrik: reading what the browser shows from %zu files in %s\n", files.size(),
              dir.c_str());
  for (const auto& f : rejected)
    std::printf("  (left out: llvm-readobj-14 cannot read %s)\n", f.c_str());
  struct rusage before, after;
  getrusage(RUSAGE_SELF, &before);
  const double mapped = Best(3, RunNubrik, files);
  getrusage(RUSAGE_SELF, &after);
  std::printf("  nubrik          %8.3f s   (files mapped, as the programs do: %.1f page faults a file)\n",
              mapped, static_cast<double>(after.ru_minflt - before.ru_minflt) / 3.0 / files.size());
  getrusage(RUSAGE_SELF, &before);
  const double ours = Best(3, RunNubrikPaged, files);
  getrusage(RUSAGE_SELF, &after);
  std::printf("  nubrik          %8.3f s   (files read on demand, PagedFile: %.1f page faults a file)\n",
              ours, static_cast<double>(after.ru_minflt - before.ru_minflt) / 3.0 / files.size());
  const double inMemory = Best(3, RunNubrikInMemory, files);
  std::printf("  nubrik          %8.3f s   (files already in memory: the parsing alone)\n",
              inMemory);
  if (only) {
    std::printf("  mapped x20      %8.3f s\n", Best(20, RunNubrik, files) * 20);
    std::printf("  on demand x20   %8.3f s\n", Best(20, RunNubrikPaged, files) * 20);
    std::printf("  in memory x20   %8.3f s\n", Best(20, RunNubrikInMemory, files) * 20);
    return 0;
  }
  const double readobj = Best(3, RunReadobj, files);
  std::printf("  llvm-readobj-14 %8.3f s   (%.1fx nubrik on demand, %.1fx mapped)\n", readobj,
              readobj / ours, readobj / mapped);
  const double pefile = Best(1, RunPefile, files);
  std::printf("  pefile          %8.3f s   (%.1fx nubrik on demand, %.1fx mapped)\n", pefile,
              pefile / ours, pefile / mapped);
  return 0;
}

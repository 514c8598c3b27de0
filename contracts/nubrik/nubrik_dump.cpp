// nubrik-dump FILE...: the library's report of each file (see pe_report.h).
#include <cstdio>

#include "contracts/nubrik/pe_file.h"
#include "contracts/nubrik/pe_report.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    auto bytes = nubrik::ReadWholeFile(argv[i]);
    if (!bytes) {
      std::fprintf(stderr, "nubrik-dump: cannot read %s\n", argv[i]);
      status = 1;
      continue;
    }
    std::printf("== %s\n%s", argv[i], nubrik::PeReport(bytes->data(), bytes->size()).c_str());
  }
  return status;
}

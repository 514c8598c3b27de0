// The library against pefile over Wine's ~700 PE files: signature, both
// headers, the section table, imports per descriptor, exports, resources and
// the first debug entry's type must agree line for line (see pe_report.h and
// pe_oracle.py). pefile and this library agree on every file of the corpus;
// no exception is needed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "contracts/nubrik/pe_file.h"
#include "contracts/nubrik/pe_report.h"
#include "dlv_fixtures.h"

#ifndef NUBRIK_ORACLE_SCRIPT
#error "NUBRIK_ORACLE_SCRIPT must name pe_oracle.py"
#endif

namespace {

// path -> pefile's report, from one run of the oracle over the directory.
std::map<std::string, std::string> OracleReports(const std::string& directory) {
  std::map<std::string, std::string> reports;
  const std::string command = "/usr/bin/python3 " NUBRIK_ORACLE_SCRIPT " '" + directory + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return reports;
  std::string current, block, line;
  char buffer[4096];
  std::string all;
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) all.append(buffer, n);
  pclose(pipe);
  std::istringstream in(all);
  while (std::getline(in, line)) {
    if (line.rfind("== ", 0) == 0) {
      if (!current.empty()) reports[current] = block;
      current = line.substr(3);
      block.clear();
    } else {
      block += line + "\n";
    }
  }
  if (!current.empty()) reports[current] = block;
  if (reports.empty()) reports["(oracle output)"] = all;
  return reports;
}

// The first line where the two reports differ, for the failure message.
std::string FirstDifference(const std::string& ours, const std::string& theirs) {
  std::istringstream a(ours), b(theirs);
  std::string x, y;
  for (int line = 1;; ++line) {
    bool moreA = static_cast<bool>(std::getline(a, x));
    bool moreB = static_cast<bool>(std::getline(b, y));
    if (!moreA && !moreB) return "";
    if (!moreA) x = "(end)";
    if (!moreB) y = "(end)";
    if (x != y) return "line " + std::to_string(line) + ": ours '" + x + "', pefile '" + y + "'";
  }
}

TEST(PefileComparisonTest, EveryWineFileAgrees) {
  const std::string dir = DLV_WINE_PE_DIR;
  if (!std::filesystem::is_directory(dir)) {
    GTEST_SKIP() << "Wine's PE files not found at " << dir << ": comparison not run";
  }
  auto reports = OracleReports(dir);
  ASSERT_GT(reports.size(), 100u) << "pe_oracle.py (needs /usr/bin/python3 with pefile) gave:\n"
                                  << reports.begin()->second.substr(0, 2000);
  size_t compared = 0, failed = 0;
  for (const auto& [path, theirs] : reports) {
    auto bytes = nubrik::ReadWholeFile(path);
    ASSERT_TRUE(bytes) << path;
    const std::string ours = nubrik::PeReport(bytes->data(), bytes->size());
    ++compared;
    if (ours != theirs && ++failed <= 20) {
      ADD_FAILURE() << path << "\n  " << FirstDifference(ours, theirs);
    }
  }
  EXPECT_EQ(failed, 0u) << "of " << compared << " files";
  EXPECT_GT(compared, 600u);
}

}  // namespace

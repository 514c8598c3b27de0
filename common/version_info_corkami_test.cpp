// Every file of the hostile PE corpus through all fifteen operations: no
// fault, no hang, and answers that keep the length rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/version_info.h"

namespace versioninfo {
namespace {

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(VERSION_CORKAMI_DIR, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path().string());
  }
  return files;
}

void RunCorpus(const VersionSystem& system) {
  std::vector<std::string> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "corpus not found at " << VERSION_CORKAMI_DIR;
  int withVersion = 0;
  for (const std::string& file : files) {
    bool any = false;
    for (const NamedOperation& op : kVersionTextOperations) {
      for (int maxLength : {0, 240, 255}) {
        VersionText text = op.Operation(system, file, maxLength);
        EXPECT_GE(text.Length, 0) << file << " " << op.Name;
        if (text.Length <= maxLength) {
          EXPECT_EQ(static_cast<int>(text.Text.size()), text.Length) << file << " " << op.Name;
        } else {
          EXPECT_EQ(text.Text, "") << file << " " << op.Name;
        }
        any = any || text.Length > 0;
      }
    }
    GetVersionString(system, file, "CompanyName");
    withVersion += any;
  }
  // The corpus has files with version resources: the reader must find some.
  EXPECT_GT(withVersion, 0);
  std::printf("%zu corpus files, %d with version texts\n", files.size(), withVersion);
}

TEST(VersionCorpusTest, PortableReaderSurvivesTheHostileCorpus) {
  RunCorpus(PortableVersionSystem());
}

}  // namespace
}  // namespace versioninfo

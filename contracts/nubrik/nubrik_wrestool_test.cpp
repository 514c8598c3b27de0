// The resource list the browser shows (nubrik::Client::Resources) against
// wrestool -l over Wine's ~700 PE files: the same leaves in the same order,
// each with its type, name, language, size and the file offset of its data.
//
// How the two spell a leaf:
//  - wrestool writes an id as a number and a string as 'TEXT'; the client's
//    Name is the id in decimal or the string, so a string name is checked
//    against the reader's own id/string flag (a name "12" must not pass for
//    id 12).
//  - A type named by a string is Type 0 in the client's records; its text is
//    checked through the reader (pe::Image::Resources) that fills them.
//  - wrestool's "offset" is the data entry's OffsetToData as stored, an RVA
//    (cabinet.dll, whose .rsrc lies 0x1000 higher in memory than in the
//    file, shows it), so it is compared with the client's RVA unchanged.
//  - wrestool's listing has one fault: a string name under a string type is
//    printed as the type's text (ddrawex.dll lists 'WINE_REGISTRY' for its
//    'DDRAWEX_R_RES', yet extracts the data only under the true name). Such
//    a leaf passes when wrestool extracts exactly Size bytes under our name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/nubrik/client.h"
#include "contracts/nubrik/pe_file.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/scoped_heap.h"
#include "dlv_fixtures.h"

namespace {

constexpr const char* kWrestool = "/usr/bin/wrestool";

// A type or name as wrestool prints it.
struct Key {
  bool Named = false;
  std::string Text;  // the string, or the id in decimal
  bool operator==(const Key&) const = default;
};

struct Leaf {
  Key Type, Name;
  uint32_t Language = 0;
  uint64_t Offset = 0;  // an RVA
  uint32_t Size = 0;
};

std::string Show(const Key& key) {
  return key.Named ? "'" + key.Text + "'" : key.Text;
}

std::string Show(const Leaf& leaf) {
  std::ostringstream s;
  s << "type=" << Show(leaf.Type) << " name=" << Show(leaf.Name) << " language=" << leaf.Language
    << " offset=0x" << std::hex << leaf.Offset << std::dec << " size=" << leaf.Size;
  return s.str();
}

std::string RunOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// "--type=" followed by 12 or 'TEXT' up to the next blank (names with blanks
// or quotes do not occur in the corpus; a line that does not parse fails).
bool ParseKey(const std::string& line, const std::string& field, Key* key) {
  const std::string tag = "--" + field + "=";
  const size_t at = line.find(tag);
  if (at == std::string::npos) return false;
  size_t begin = at + tag.size();
  if (begin < line.size() && line[begin] == '\'') {
    const size_t end = line.find('\'', begin + 1);
    if (end == std::string::npos) return false;
    *key = {true, line.substr(begin + 1, end - begin - 1)};
    return true;
  }
  const size_t end = line.find(' ', begin);
  *key = {false, line.substr(begin, end - begin)};
  return !key->Text.empty() && std::all_of(key->Text.begin(), key->Text.end(),
                                           [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<uint64_t> ParseNumber(const std::string& line, const std::string& tag, int base) {
  const size_t at = line.find(tag);
  if (at == std::string::npos) return std::nullopt;
  const char* begin = line.c_str() + at + tag.size();
  char* end = nullptr;
  const unsigned long long value = std::strtoull(begin, &end, base);
  if (end == begin) return std::nullopt;
  return value;
}

// wrestool's leaves of one file; nullopt (with the line) when a line is not
// understood.
std::optional<std::vector<Leaf>> WrestoolLeaves(const std::string& path, std::string* bad) {
  const std::string out = RunOutput(std::string(kWrestool) + " -l '" + path + "' 2>&1");
  std::vector<Leaf> leaves;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("file contains no resources") != std::string::npos) continue;
    Leaf leaf;
    auto language = ParseNumber(line, "--language=", 10);
    auto offset = ParseNumber(line, "offset=0x", 16);
    auto size = ParseNumber(line, " size=", 10);
    if (!ParseKey(line, "type", &leaf.Type) || !ParseKey(line, "name", &leaf.Name) || !language ||
        !offset || !size) {
      *bad = line;
      return std::nullopt;
    }
    leaf.Language = static_cast<uint32_t>(*language);
    leaf.Offset = *offset;
    leaf.Size = static_cast<uint32_t>(*size);
    leaves.push_back(leaf);
  }
  return leaves;
}

// The browser's leaves: the client's records, with the reader's string flag
// and type text beside them.
std::vector<Leaf> OurLeaves(const std::vector<uint8_t>& bytes, std::string* problem) {
  std::vector<Leaf> leaves;
  nubrik::ScopedHeap heap(512000);
  nubrik::Client client(bytes);
  const auto records = client.Resources(heap.Handle());
  pe::Image image(bytes.data(), bytes.size());
  const auto reader = image.Resources();
  if (reader.size() != records.size()) {
    *problem = "client gives " + std::to_string(records.size()) + " records, reader " +
               std::to_string(reader.size());
    return leaves;
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const auto& r = records[i];
    Leaf leaf;
    if (reader[i].TypeId) {
      leaf.Type = {false, std::to_string(r.Type)};
    } else {
      if (r.Type != 0)
        *problem = "named type " + reader[i].TypeName + " has Type " + std::to_string(r.Type);
      leaf.Type = {true, reader[i].TypeName};
    }
    leaf.Name = {!reader[i].NameId.has_value(), r.Name};
    leaf.Language = r.Language;
    leaf.Offset = r.OffsetToData;
    leaf.Size = r.Size;
    leaves.push_back(leaf);
  }
  return leaves;
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The listing's echo of the type text: true when wrestool, asked for our
// name, gives the leaf's bytes.
bool WrestoolExtractsUnderOurName(const std::string& path, const Leaf& ours, const Leaf& theirs) {
  if (!(theirs.Type.Named && theirs.Name.Named && theirs.Name.Text == theirs.Type.Text))
    return false;
  Leaf listed = ours;
  listed.Name = theirs.Name;
  if (!ours.Name.Named || Show(listed) != Show(theirs)) return false;
  const std::string command =
      std::string(kWrestool) + " -x --raw --type=" + Quoted(ours.Type.Text) +
      " --name=" + Quoted(ours.Name.Text) + " --language=" + std::to_string(ours.Language) + " " +
      Quoted(path) + " 2>/dev/null";
  return RunOutput(command).size() == ours.Size;
}

TEST(WrestoolComparisonTest, EveryWineFileListsTheSameResources) {
  if (!std::filesystem::exists(kWrestool)) GTEST_SKIP() << kWrestool << " not installed (icoutils)";
  const std::string dir = DLV_WINE_PE_HOST_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "Wine's PE files not found at " << dir;

  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());

  size_t files = 0, withResources = 0, leaves = 0, failures = 0, echoes = 0;
  for (const auto& path : paths) {
    auto bytes = nubrik::ReadWholeFile(path);
    ASSERT_TRUE(bytes) << path;
    std::string bad;
    auto theirs = WrestoolLeaves(path, &bad);
    ASSERT_TRUE(theirs) << path << ": wrestool printed a line not understood: " << bad;
    std::string problem;
    const auto ours = OurLeaves(*bytes, &problem);
    ++files;
    if (!theirs->empty()) ++withResources;
    leaves += theirs->size();
    std::string difference = problem;
    for (size_t i = 0; difference.empty() && i < std::max(ours.size(), theirs->size()); ++i) {
      if (i >= ours.size()) {
        difference = "only wrestool lists #" + std::to_string(i) + " " + Show((*theirs)[i]);
      } else if (i >= theirs->size()) {
        difference = "only ours lists #" + std::to_string(i) + " " + Show(ours[i]);
      } else if (Show(ours[i]) == Show((*theirs)[i])) {
        continue;
      } else if (WrestoolExtractsUnderOurName(path, ours[i], (*theirs)[i])) {
        ++echoes;
      } else {
        difference = "#" + std::to_string(i) + ": ours " + Show(ours[i]) + ", wrestool " +
                     Show((*theirs)[i]);
      }
    }
    if (!difference.empty() && ++failures <= 20) ADD_FAILURE() << path << "\n  " << difference;
  }
  std::printf(
      "wrestool comparison: %zu files, %zu with resources, %zu resources (%zu names listed as "
      "their "
      "type's), %zu files disagree\n",
      files, withResources, leaves, echoes, failures);
  EXPECT_EQ(failures, 0u) << "of " << files << " files";
  EXPECT_GT(files, 600u);
  EXPECT_GT(leaves, 10000u);
}

}  // namespace

#include "dlvnt/dialogs/search_walk.h"

#include <algorithm>
#include <cstdint>

#include "common/text_case.h"
#include "dlvnt/inventory/listing.h"

namespace dlvnt {

std::string SearchedName(const std::string& searchText) {
  size_t at = searchText.find_last_of("\\:");
  return at == std::string::npos ? searchText : searchText.substr(at + 1);
}

void SearchWalk::Begin() {
  running_ = true;
  rows_.clear();
}

void SearchWalk::Walk(char letter, const std::string& name) {
  // Depth first by an explicit stack, so a deep tree cannot exhaust the
  // call stack; children go on in reverse so they come off in the system's
  // order.
  std::vector<std::string> pending{"\\"};
  while (!pending.empty()) {
    std::string directory = std::move(pending.back());
    pending.pop_back();
    if (Yield) Yield();
    if (!running_) return;
    Search(letter, directory, name, pending);
  }
}

void SearchWalk::Search(char letter, const std::string& directory, const std::string& name,
                        std::vector<std::string>& pending) {
  std::string s = directory;
  if (s.empty() || s.back() != '\\') s += '\\';
  std::string root = std::string(1, letter) + ":" + s;
  if (OnDirectory) OnDirectory(common::Upper(root));
  if (auto found = directories_.FindFirst(root + name)) {
    // Sizes are 32-bit signed: a larger file counts as absent.
    if (found->Size <= static_cast<uint64_t>(INT32_MAX)) {
      double date = found->IsDirectory ? 0 : found->LastWrite.value_or(0);
      rows_.push_back({FormatSize(static_cast<int32_t>(found->Size)), FormatDate(date, " "), root});
    }
  }
  auto entries = directories_.List(root);
  if (!entries) return;
  size_t first = pending.size();
  for (const platform::DirectoryEntry& entry : *entries) {
    // Only plain directories: a hidden, system or read-only one, and a link
    // or junction (which may lead back up the tree), are not entered.
    if (entry.Name == "." || entry.Name == "..") continue;
    if (entry.Attributes != platform::kAttributeDirectory) continue;
    pending.push_back(s + entry.Name);
  }
  std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
}

}  // namespace dlvnt

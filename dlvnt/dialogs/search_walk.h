// The search dialog's walk: every directory of a drive, depth first and
// pre-order, with one row per directory that holds the searched name.
#ifndef DLVNT_DIALOGS_SEARCH_WALK_H
#define DLVNT_DIALOGS_SEARCH_WALK_H

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/directories.h"

namespace dlvnt {

// Size, date and time, directory: the search grid's columns.
using SearchRow = std::array<std::string, 3>;

// The file-name part of a search text: after its last '\' or ':'.
std::string SearchedName(const std::string& searchText);

class SearchWalk {
 public:
  explicit SearchWalk(platform::Directories& directories) : directories_(directories) {}

  // Runs before each directory: the caller lets window messages run, so a
  // press of Stop is heard there.
  std::function<void()> Yield;
  // The directory about to be searched ("C:\WINNT\", upper case), once per
  // directory.
  std::function<void(const std::string& directory)> OnDirectory;

  // Clears the rows and lets a walk run.
  void Begin();
  // Searches the drive's tree for the name; returns at once when stopped.
  void Walk(char letter, const std::string& name);
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  const std::vector<SearchRow>& Rows() const { return rows_; }
  std::vector<SearchRow> TakeRows() { return std::move(rows_); }

 private:
  void Search(char letter, const std::string& directory, const std::string& name,
              std::vector<std::string>& pending);

  platform::Directories& directories_;
  bool running_ = false;
  std::vector<SearchRow> rows_;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_SEARCH_WALK_H

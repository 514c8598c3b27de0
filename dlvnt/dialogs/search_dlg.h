// TSearchDlg: every directory of the ticked drives that holds a file of
// the searched name, with its size and date; details and the browser for
// a result.
#ifndef DLVNT_DIALOGS_SEARCH_DLG_H
#define DLVNT_DIALOGS_SEARCH_DLG_H

#include <array>
#include <chrono>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "dlvnt/dialogs/browser_hand_off.h"
#include "dlvnt/dialogs/search_walk.h"
#include "platform/inventory.h"
#include "ui/widgets.h"

namespace dlvnt {

class TDetailsDlg;

inline constexpr const char* kSearchCaption = "Delvane Search for ";

struct SearchServices {
  platform::FileCatalog& Catalog;  // drive types
  platform::Directories& Directories;
};

// The drives the dialog offers: fixed, remote and RAM disks, never A:.
bool SearchableDrive(platform::FileCatalog& catalog, char letter);
// "Searching C:\WINNT\ (3 found)": where the walk is and what it has.
std::string SearchStatus(const std::string& directory, int found);

class TSearchDlg {
 public:
  TSearchDlg(ui::Application& app, SearchServices services, HandOffServices handOff);

  ui::Application& App;
  SearchServices Services;
  std::unique_ptr<ui::Form> Form;
  TDetailsDlg* DetailsDlg = nullptr;

  std::string SearchText;
  int SelectedRow = 0;
  BrowserObject Browser;
  // The rows of the last walk, as the grid shows them.
  std::vector<SearchRow> Results;
  // The status text follows the walk at most this often: drawing it for
  // every directory would cost more than the walk itself.
  std::chrono::milliseconds StatusInterval{50};

  ui::GroupBox* Bevel1 = nullptr;
  ui::Label *DrivesLabel = nullptr, *FilenameLabel = nullptr, *SizeLabel = nullptr,
            *DateTimeLabel = nullptr, *PathLabel = nullptr;
  std::array<ui::CheckBox*, 26> DriveCheckBoxes{};  // ACheckBox ... ZCheckBox
  ui::Edit* FilenameEdit = nullptr;
  ui::StringGrid* SearchStringGrid = nullptr;
  ui::Button *SearchButton = nullptr, *StopButton = nullptr, *DetailsButton = nullptr,
             *VistrelButton = nullptr, *OKButton = nullptr;
  ui::StatusBar* SearchStatusBar = nullptr;

  void FormShow();
  void FilenameEditChange();
  bool SearchStringGridSelectCell(int col, int row);
  void SearchButtonClick();
  void StopButtonClick() { walk_.Stop(); }
  void DetailsButtonClick();
  void VistrelButtonClick();
  void OKButtonClick();

  std::string SearchedName() const { return dlvnt::SearchedName(SearchText); }
  bool Running() const { return walk_.Running(); }
  std::string StatusText() const { return SearchStatusBar->PanelText(0); }
  void SetDriveBoxes();
  // The ticked letters, B to Z.
  std::string TickedDrives() const;
  // Walks the drives for the name into Results, as Search does (the CLI's
  // entry too).
  void Search(const std::string& drives, const std::string& name);

 private:
  void ShowResults();
  SearchWalk walk_;
  // When the status last changed; none yet in this walk.
  std::optional<std::chrono::steady_clock::time_point> statusShown_;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_SEARCH_DLG_H

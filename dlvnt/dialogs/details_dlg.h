// TDetailsDlg: one module's uses, users, processes, CLSID and version texts,
// with drill-down, Back, the copy report and the hand-off to the browser.
#ifndef DLVNT_DIALOGS_DETAILS_DLG_H
#define DLVNT_DIALOGS_DETAILS_DLG_H

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dlvnt/dialogs/browser_hand_off.h"
#include "dlvnt/inventory/inventory.h"
#include "ui/widgets.h"

namespace versioninfo {
class VersionSystem;
}

namespace dlvnt {

class TMainForm;

inline constexpr const char* kDetailsCaption = "Delvane Details for %s";
inline constexpr const char* kListHint =
    "Right mousebutton click displays details on selected item.";
inline constexpr const char* kDetailsHint =
    "Press to display more information on the selected item.";
constexpr int kVersionBoxCount = 15;

// Page kinds as the main window names its pages.
enum PageKind : uint8_t {
  kNoKind = 0,
  kWin32Kind = 1,
  kOCXKind = 2,
  kDriverKind = 3,
  kWin16Kind = 4
};

// What the 16-bit helper tells about a Win16 module. The dialog asks only
// when it has one; without it the lists and version boxes stay as the
// reset leaves them.
class Win16DetailsSource {
 public:
  struct LinkInformation {
    std::vector<std::string> Uses, UsedBy, Tasks;
  };
  virtual ~Win16DetailsSource() = default;
  virtual LinkInformation Links(int32_t processId, const std::string& modulePath) = 0;
  virtual std::optional<std::array<std::string, kVersionBoxCount>> VersionTexts(
      const std::string& modulePath) = 0;
};

class TDetailsDlg {
 public:
  // versions: where version texts come from (null: the platform's own).
  TDetailsDlg(ui::Application& app, TMainForm& main, HandOffServices handOff,
              const versioninfo::VersionSystem* versions = nullptr);

  ui::Application& App;
  TMainForm& Main;
  std::unique_ptr<ui::Form> Form;
  Win16DetailsSource* Win16 = nullptr;

  // State the callers set before showing.
  uint8_t PageKind = kWin32Kind;
  const TDisplayRow* CurrentRow = nullptr;
  std::string ModulePath;
  struct HistoryEntry {
    const TDisplayRow* Row;
    uint8_t Kind;
  };
  std::deque<HistoryEntry> History;  // newest first
  BrowserObject Browser;

  // Controls.
  ui::GroupBox* Bevel1 = nullptr;
  ui::Label *UsageCountLabel = nullptr, *ModuleFileNameLabel = nullptr, *UsesLabel = nullptr,
            *UsedByLabel = nullptr, *TasksProcessesLabel = nullptr, *CLSIDLabel = nullptr;
  ui::Edit *UsageCountEdit = nullptr, *ModuleFileNameEdit = nullptr, *CLSIDEdit = nullptr;
  ui::ListBox *UsesListBox = nullptr, *UsedByListBox = nullptr, *TasksListBox = nullptr;
  ui::ListBox* ActiveListBox = nullptr;
  ui::Edit *FileVersion1Edit = nullptr, *ProductVersion1Edit = nullptr, *FileFlagsEdit = nullptr,
           *FileOSEdit = nullptr, *FileTypeEdit = nullptr, *FileSubTypeEdit = nullptr,
           *LanguageEdit = nullptr;
  ui::Edit *CompanyNameEdit = nullptr, *FileDescriptionEdit = nullptr, *FileVersion2Edit = nullptr,
           *InternalNameEdit = nullptr, *CopyrightEdit = nullptr, *TrademarksEdit = nullptr,
           *ProductNameEdit = nullptr, *ProductVersion2Edit = nullptr;
  std::array<ui::Edit*, kVersionBoxCount> VersionBoxes{};
  ui::Button *DetailsButton = nullptr, *BackButton = nullptr, *CopyButton = nullptr,
             *ClearButton = nullptr, *VistrelButton = nullptr, *OKBtn = nullptr;

  // Handlers.
  void FormShow() { Display(); }
  void ListBoxClick(ui::ListBox* clicked);
  void DetailsButtonClick();
  void BackButtonClick();
  void CopyButtonClick();
  void ClearButtonClick();
  void VistrelButtonClick();
  void OKBtnClick();

  void Display();
  std::string CopyReport() const;
  // The row a name stands for, as the drill-down looks it up (collecting a
  // page that is still empty first): its kind in `kind`; nullptr when none.
  const TDisplayRow* FindRow(const std::string& name, uint8_t& kind);
  // The main window's rows of a page were replaced: entries that point
  // into them must go.
  void RowsReplaced(int page);

 private:
  void Reset();
  void Win32Usage(bool ocx);
  void Driver();
  void Win16Links(const TInventoryItem& item);
  void VersionTexts();
  std::vector<TDisplayRow>& RowsOfKind(uint8_t kind);

  const versioninfo::VersionSystem* versions_;
  bool backPossible_ = false;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_DETAILS_DLG_H

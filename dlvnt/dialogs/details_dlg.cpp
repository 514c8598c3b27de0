#include "dlvnt/dialogs/details_dlg.h"

#include <algorithm>
#include <set>

#include "common/text_case.h"
#include "common/text_format.h"
#include "common/version_info.h"
#include "dlvnt/dialogs/dialog_ids.h"
#include "dlvnt/inventory/paths.h"
#include "dlvnt/main_window/main_form.h"

namespace dlvnt {
namespace {

// The bevel's corner: its children are placed relative to it.
constexpr int kBevelX = 8, kBevelY = 8;
ui::Rect At(int x, int y, int width, int height) {
  return {x - kBevelX, y - kBevelY, width, height};
}

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return common::Upper(a) < common::Upper(b);
  }
};

const char* const kReportKeys[kVersionBoxCount] = {
    "FileVersion1:", "ProductVersion1:", "FileFlags:",   "FileOS:",          "FileType:",
    "FileSubType:",  "Language:",        "CompanyName:", "FileDescription:", "FileVersion2:",
    "InternalName:", "Copyright:",       "Trademarks:",  "ProductName:",     "ProductVersion2:"};

}  // namespace

TDetailsDlg::TDetailsDlg(ui::Application& app, TMainForm& main, HandOffServices handOff,
                         const versioninfo::VersionSystem* versions)
    : App(app),
      Main(main),
      Form(app.CreateForm("DetailsDlg")),
      Browser(std::move(handOff)),
      versions_(versions) {
  Form->SetCaption(common::Format(kDetailsCaption, ""));
  Form->SetClientSize(555, 384);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Form->SetFormFont(ui::Font{"MS Sans Serif", 8, false, false, ui::kBlack});
  Bevel1 = Form->AddGroupBox("Bevel1", {8, 8, 537, 337}, "");
  ui::GroupBox* b = Bevel1;
  UsageCountLabel = b->AddLabel("UsageCountLabel", At(24, 28, 70, 13), "Usage Count:");
  UsageCountEdit = b->AddEdit("UsageCountEdit", At(96, 24, 25, 21));
  ModuleFileNameLabel = b->AddLabel("ModuleFileNameLabel", At(136, 28, 52, 13), "Filename:");
  ModuleFileNameEdit = b->AddEdit("ModuleFileNameEdit", At(192, 24, 337, 21));
  UsesLabel = b->AddLabel("UsesLabel", At(24, 48, 60, 13), "Uses:");
  UsedByLabel = b->AddLabel("UsedByLabel", At(192, 48, 60, 13), "Used By:");
  TasksProcessesLabel =
      b->AddLabel("TasksProcessesLabel", At(360, 48, 130, 13), "Tasks/Processes Using:");
  UsesListBox = b->AddListBox("UsesListBox", At(24, 64, 153, 69));
  UsedByListBox = b->AddListBox("UsedByListBox", At(192, 64, 153, 69));
  TasksListBox = b->AddListBox("TasksListBox", At(360, 64, 169, 69));
  const char* fixedNames[7] = {"FileVersion1Edit", "ProductVersion1Edit", "FileFlagsEdit",
                               "FileOSEdit",       "FileTypeEdit",        "FileSubTypeEdit",
                               "LanguageEdit"};
  const char* stringNames[8] = {"CompanyNameEdit",  "FileDescriptionEdit", "FileVersion2Edit",
                                "InternalNameEdit", "CopyrightEdit",       "TrademarksEdit",
                                "ProductNameEdit",  "ProductVersion2Edit"};
  for (int i = 0; i < 7; ++i) {
    ui::Edit* edit = b->AddEdit(fixedNames[i], At(24, 144 + 24 * i, 169, 17));
    edit->SetBorder(false);
    VersionBoxes[static_cast<size_t>(i)] = edit;
  }
  for (int i = 0; i < 8; ++i) {
    VersionBoxes[static_cast<size_t>(7 + i)] =
        b->AddEdit(stringNames[i], At(224, 144 + 24 * i, 305, 21));
  }
  FileVersion1Edit = VersionBoxes[0];
  ProductVersion1Edit = VersionBoxes[1];
  FileFlagsEdit = VersionBoxes[2];
  FileOSEdit = VersionBoxes[3];
  FileTypeEdit = VersionBoxes[4];
  FileSubTypeEdit = VersionBoxes[5];
  LanguageEdit = VersionBoxes[6];
  CompanyNameEdit = VersionBoxes[7];
  FileDescriptionEdit = VersionBoxes[8];
  FileVersion2Edit = VersionBoxes[9];
  InternalNameEdit = VersionBoxes[10];
  CopyrightEdit = VersionBoxes[11];
  TrademarksEdit = VersionBoxes[12];
  ProductNameEdit = VersionBoxes[13];
  ProductVersion2Edit = VersionBoxes[14];
  CLSIDLabel = b->AddLabel("CLSIDLabel", At(24, 315, 36, 13), "CLSID:");
  CLSIDEdit = b->AddEdit("CLSIDEdit", At(61, 312, 148, 21));

  DetailsButton = Form->AddButton("DetailsButton", {21, 352, 75, 25}, "&Details...");
  BackButton = Form->AddButton("BackButton", {109, 352, 75, 25}, "&Back");
  CopyButton = Form->AddButton("CopyButton", {196, 352, 75, 25}, "&Copy");
  ClearButton = Form->AddButton("ClearButton", {284, 352, 75, 25}, "Clea&r");
  VistrelButton = Form->AddButton("VistrelButton", {371, 352, 75, 25}, "&Vistrel...");
  OKBtn = Form->AddButton("OKBtn", {459, 352, 75, 25}, "&OK");
  OKBtn->SetDefault(true);
  OKBtn->SetCancel(true);

  for (ui::Edit* edit : VersionBoxes) edit->SetReadOnly(true);
  for (ui::Edit* edit : {UsageCountEdit, ModuleFileNameEdit, CLSIDEdit}) edit->SetReadOnly(true);
  for (ui::ListBox* list : {UsesListBox, UsedByListBox, TasksListBox}) {
    list->SetSorted(true);
    list->SetItemHeight(13);
    list->OnClick = [this, list] { App.Guard([&] { ListBoxClick(list); }); };
    // The right button acts on the active list, whose selection it leaves.
    list->OnRightMouseDown = [this] { App.Guard([this] { DetailsButtonClick(); }); };
  }
  UsageCountEdit->SetControlId(ids::kUsageCountEdit);
  ModuleFileNameEdit->SetControlId(ids::kModuleFileNameEdit);
  UsesListBox->SetControlId(ids::kUsesListBox);
  UsedByListBox->SetControlId(ids::kUsedByListBox);
  TasksListBox->SetControlId(ids::kTasksListBox);
  for (int i = 0; i < kVersionBoxCount; ++i)
    VersionBoxes[static_cast<size_t>(i)]->SetControlId(ids::kFirstVersionEdit + i);
  CLSIDEdit->SetControlId(ids::kCLSIDEdit);
  DetailsButton->SetControlId(ids::kDetailsButton);
  BackButton->SetControlId(ids::kBackButton);
  CopyButton->SetControlId(ids::kCopyButton);
  ClearButton->SetControlId(ids::kClearButton);
  VistrelButton->SetControlId(ids::kVistrelButton);
  OKBtn->SetControlId(ids::kDetailsOKButton);

  DetailsButton->OnClick = [this] { App.Guard([this] { DetailsButtonClick(); }); };
  BackButton->OnClick = [this] { App.Guard([this] { BackButtonClick(); }); };
  CopyButton->OnClick = [this] { App.Guard([this] { CopyButtonClick(); }); };
  ClearButton->OnClick = [this] { App.Guard([this] { ClearButtonClick(); }); };
  VistrelButton->OnClick = [this] { App.Guard([this] { VistrelButtonClick(); }); };
  OKBtn->OnClick = [this] { App.Guard([this] { OKBtnClick(); }); };
  UsesListBox->SetHint(kListHint);
  UsedByListBox->SetHint(kListHint);
  DetailsButton->SetHint(kDetailsHint);
  BackButton->SetHint("Display previous item information.");
  CopyButton->SetHint("Copy the displayed information to the Clipboard.");
  ClearButton->SetHint("Clear the Clipboard.");
  OKBtn->SetHint("Close this dialog.");
  ActiveListBox = UsesListBox;
  Form->OnShow = [this] {
    App.Guard([this] { FormShow(); });
    OKBtn->SetFocus();
  };
  // However the showing ends, no entry may outlive the rows it points to.
  Form->OnClose = [this] { History.clear(); };
}

std::vector<TDisplayRow>& TDetailsDlg::RowsOfKind(uint8_t kind) {
  return Main.RowsOf(kind - 1);
}

void TDetailsDlg::RowsReplaced(int page) {
  uint8_t kind = static_cast<uint8_t>(page + 1);
  bool affected = std::any_of(History.begin(), History.end(),
                              [&](const HistoryEntry& entry) { return entry.Kind == kind; });
  if (affected) History.clear();
  if (CurrentRow && PageKind == kind) CurrentRow = nullptr;
  if (History.empty()) BackButton->SetEnabled(false);
}

void TDetailsDlg::Reset() {
  ActiveListBox = UsesListBox;
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           UsageCountLabel, UsageCountEdit, UsesLabel, UsedByLabel, TasksProcessesLabel,
           UsesListBox, UsedByListBox, TasksListBox, CLSIDLabel, CLSIDEdit}) {
    c->SetVisible(false);
  }
  CLSIDEdit->SetText(" ");
  // The lists show their entries in the main window's display font.
  ui::Font font{Main.DisplayFont.Name, Main.DisplayFont.Size, false, false, ui::kBlack};
  for (ui::ListBox* list : {UsesListBox, UsedByListBox, TasksListBox}) {
    list->Clear();
    list->SetFont(font);
  }
  VistrelButton->SetEnabled(PageKind != kWin16Kind);
  for (ui::Edit* edit : VersionBoxes) edit->SetText(" ");
}

void TDetailsDlg::Display() {
  Reset();
  const TInventoryItem* item = CurrentRow ? CurrentRow->Item : nullptr;
  backPossible_ = false;
  if (item) {
    History.push_front({CurrentRow, PageKind});
    Form->SetCaption(common::Format(kDetailsCaption, item->ModuleName.c_str()));
    ModuleFileNameEdit->SetText(common::Upper(item->ModulePath));
    if (item->ImportNames) {
      for (const std::string& name : *item->ImportNames) UsesListBox->AddItem(name);
    }
    ModulePath = item->ModulePath;
    switch (PageKind) {
      case kWin32Kind:
        Win32Usage(false);
        break;
      case kOCXKind:
        Win32Usage(true);
        break;
      case kDriverKind:
        Driver();
        break;
      case kWin16Kind:
        Win16Links(*item);
        break;
      default:
        break;
    }
    DetailsButton->SetEnabled(true);
    // Back shows the module before this one: there must be one.
    backPossible_ = History.size() >= 2;
  } else {
    if (CurrentRow) ModulePath = CurrentRow->Text;
    Form->SetCaption(common::Format(kDetailsCaption, ModulePath.c_str()));
    UsageCountEdit->SetText("0");
    ModuleFileNameEdit->SetText(common::Upper(ModulePath));
    CLSIDLabel->SetVisible(false);
    CLSIDEdit->SetVisible(false);
    DetailsButton->SetEnabled(false);
    VistrelButton->SetEnabled(false);
  }
  // Without an inventory record the display is in no history entry, so
  // Back could not return from it.
  BackButton->SetEnabled(backPossible_);
  VersionTexts();
  if (ActiveListBox->Count() > 0) ActiveListBox->SetItemIndex(0);
}

void TDetailsDlg::Win32Usage(bool ocx) {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           UsageCountLabel, UsageCountEdit, UsesLabel, UsedByLabel, TasksProcessesLabel,
           UsesListBox, UsedByListBox, TasksListBox, CLSIDLabel, CLSIDEdit}) {
    c->SetVisible(true);
  }
  std::string name = common::Upper(FileNamePart(ModulePath));
  std::set<std::string, NoCaseLess> usedBy;
  for (size_t i = 0; i < Main.Usage.Count(); ++i) {
    const TModuleUsage& usage = Main.Usage[i];
    if (usage.ModuleName != name) continue;
    TasksListBox->AddItem(usage.ProcessName + common::Format(" (%d)", usage.ProcessId));
    usedBy.insert(usage.ProcessName);
  }
  for (size_t i = 0; i < Main.Module32List.Count(); ++i) {
    const TInventoryItem& other = Main.Module32List[i];
    if (!other.ImportNames) continue;
    const auto& names = *other.ImportNames;
    if (std::find(names.begin(), names.end(), name) != names.end()) usedBy.insert(other.ModuleName);
  }
  for (const std::string& user : usedBy) UsedByListBox->AddItem(user);
  std::string clsid;
  for (size_t i = 0; i < Main.OCXList.Count(); ++i) {
    // A substring test: a name that ends a longer server name matches too.
    if (Main.OCXList[i].ModulePath.find(name) != std::string::npos) {
      clsid = Main.OCXList[i].ExtraText;
      break;
    }
  }
  CLSIDEdit->SetText(clsid);
  if (clsid.empty() && !ocx) {
    CLSIDLabel->SetVisible(false);
    CLSIDEdit->SetVisible(false);
  } else {
    CLSIDEdit->SetHint(clsid);
  }
  UsageCountEdit->SetText(common::Format("%d", UsedByListBox->Count()));
}

void TDetailsDlg::Driver() {
  UsesLabel->SetVisible(true);
  UsesListBox->SetVisible(true);
  VistrelButton->SetEnabled(true);
  // Nobody in the inventory counts as a driver's user: no count to show.
  UsageCountEdit->SetText("");
}

void TDetailsDlg::Win16Links(const TInventoryItem& item) {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           UsageCountLabel, UsageCountEdit, UsesLabel, UsedByLabel, TasksProcessesLabel,
           UsesListBox, UsedByListBox, TasksListBox}) {
    c->SetVisible(true);
  }
  UsesListBox->Clear();
  if (Win16) {
    Win16DetailsSource::LinkInformation links = Win16->Links(item.ProcessId, ModulePath);
    auto fill = [](ui::ListBox* list, const std::vector<std::string>& entries) {
      std::set<std::string, NoCaseLess> unique(entries.begin(), entries.end());
      for (const std::string& entry : unique) list->AddItem(entry);
    };
    fill(UsesListBox, links.Uses);
    fill(UsedByListBox, links.UsedBy);
    fill(TasksListBox, links.Tasks);
  }
  UsageCountEdit->SetText(common::Format("%d", UsedByListBox->Count()));
  CLSIDLabel->SetVisible(false);
  CLSIDEdit->SetVisible(false);
}

void TDetailsDlg::VersionTexts() {
  auto setHint = [](size_t box, ui::Edit* edit, const std::string& text) {
    if (box >= 7) edit->SetHint(text);
  };
  if (PageKind == kWin16Kind) {
    if (!Win16) return;
    auto texts = Win16->VersionTexts(ModulePath);
    if (!texts) return;
    for (size_t i = 0; i < VersionBoxes.size(); ++i) {
      VersionBoxes[i]->SetText((*texts)[i]);
      VersionBoxes[i]->SetHint((*texts)[i]);
    }
    return;
  }
  const versioninfo::VersionSystem& system =
      versions_ ? *versions_ : versioninfo::DefaultVersionSystem();
  for (size_t i = 0; i < VersionBoxes.size(); ++i) {
    versioninfo::VersionText text = versioninfo::kVersionTextOperations[i].Operation(
        system, ModulePath, versioninfo::kDetailsMaxLength);
    std::string shown = text.Length > 0 ? text.Text : std::string();
    VersionBoxes[i]->SetText(shown);
    setHint(i, VersionBoxes[i], shown);
  }
}

void TDetailsDlg::ListBoxClick(ui::ListBox* clicked) {
  for (ui::ListBox* list : {UsesListBox, UsedByListBox, TasksListBox}) {
    if (list != clicked) list->SetItemIndex(-1);
  }
  ActiveListBox = clicked;
}

void TDetailsDlg::DetailsButtonClick() {
  PageKind = kNoKind;
  int selected = ActiveListBox->ItemIndex();
  if (selected < 0) return;
  std::string wanted = ActiveListBox->Item(selected);
  size_t open = wanted.find('(');
  if (open != std::string::npos && wanted.find(')') != std::string::npos) {
    // "CALC.EXE (123)" names CALC.EXE.
    wanted.resize(open > 0 ? open - 1 : 0);
  }
  uint8_t kind = kNoKind;
  CurrentRow = FindRow(wanted, kind);
  PageKind = kind;
  if (CurrentRow) Display();
}

const TDisplayRow* TDetailsDlg::FindRow(const std::string& name, uint8_t& kind) {
  for (uint8_t k = kWin32Kind; k <= kWin16Kind; ++k) {
    if (RowsOfKind(k).empty()) Main.FillPage(k - 1, true);
    for (const TDisplayRow& row : RowsOfKind(k)) {
      if (FileNamePart(row.Text) == name) {
        kind = k;
        return &row;
      }
    }
  }
  kind = kNoKind;
  return nullptr;
}

void TDetailsDlg::BackButtonClick() {
  if (History.size() < 2 || !backPossible_) return;
  History.pop_front();
  HistoryEntry previous = History.front();
  History.pop_front();
  CurrentRow = previous.Row;
  PageKind = previous.Kind;
  Display();
}

std::string TDetailsDlg::CopyReport() const {
  std::string report;
  auto line = [&](const std::string& text) { report += text + "\r\n"; };
  line("UsageCount:" + UsageCountEdit->Text());
  line("ModuleFileName:" + ModuleFileNameEdit->Text());
  for (size_t i = 0; i < VersionBoxes.size(); ++i) line(kReportKeys[i] + VersionBoxes[i]->Text());
  auto section = [&](const char* heading, ui::ListBox* list) {
    if (list->Count() == 0) return;
    line(heading);
    for (int i = 0; i < list->Count(); ++i) line(list->Item(i));
  };
  section("Uses Items:", UsesListBox);
  section("Used by Items:", UsedByListBox);
  section("Used by Tasks/Processes:", TasksListBox);
  return report;
}

void TDetailsDlg::CopyButtonClick() {
  Main.Services.Clipboard.SetText(CopyReport());
}

void TDetailsDlg::ClearButtonClick() {
  Main.Services.Clipboard.Clear();
}

void TDetailsDlg::VistrelButtonClick() {
  Browser.Open(ModulePath);
}

void TDetailsDlg::OKBtnClick() {
  Browser.Close();
  History.clear();
  Form->SetModalResult(ui::ModalResult::Ok);
}

}  // namespace dlvnt

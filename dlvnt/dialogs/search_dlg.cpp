#include "dlvnt/dialogs/search_dlg.h"

#include "common/text_format.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/dialog_ids.h"

namespace dlvnt {
namespace {

constexpr ui::Color kButtonFace = 0xF0F0F0;
constexpr int kBevelX = 8, kBevelY = 8;
ui::Rect At(int x, int y, int width, int height) {
  return {x - kBevelX, y - kBevelY, width, height};
}

}  // namespace

bool SearchableDrive(platform::FileCatalog& catalog, char letter) {
  if (letter == 'A') return false;
  switch (catalog.RootDriveType(std::string(1, letter) + ":\\")) {
    case platform::DriveType::Fixed:
    case platform::DriveType::Remote:
    case platform::DriveType::RamDisk:
      return true;
    default:
      return false;
  }
}

std::string SearchStatus(const std::string& directory, int found) {
  return common::Format("Searching %s (%d found)", directory.c_str(), found);
}

TSearchDlg::TSearchDlg(ui::Application& app, SearchServices services, HandOffServices handOff)
    : App(app),
      Services(services),
      Form(app.CreateForm("SearchDlg")),
      Browser(std::move(handOff)),
      walk_(services.Directories) {
  Form->SetCaption(kSearchCaption);
  Form->SetClientSize(625, 285);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Form->SetFormFont(ui::Font{"MS Sans Serif", 8, false, false, ui::kBlack});
  Bevel1 = Form->AddGroupBox("Bevel1", {8, 8, 609, 217}, "");
  DrivesLabel = Bevel1->AddLabel("DrivesLabel", At(32, 18, 40, 13), "Drives:");
  for (int i = 0; i < 26; ++i) {
    char letter = static_cast<char>('A' + i);
    int row = i / 13, column = i % 13;
    int width = letter == 'M' ? 29 : letter == 'W' ? 41 : 33;
    std::string caption = std::string(1, letter) + ":";
    ui::CheckBox* box =
        Bevel1->AddCheckBox(std::string(1, letter) + "CheckBox",
                            At(80 + 40 * column, 16 + 24 * row, width, 17), caption);
    box->SetControlId(ids::kFirstDriveCheckBox + i);
    DriveCheckBoxes[static_cast<size_t>(i)] = box;
  }
  FilenameLabel = Bevel1->AddLabel("FilenameLabel", At(32, 68, 46, 13), "Filename:");
  FilenameEdit = Bevel1->AddEdit("FilenameEdit", At(80, 64, 121, 21));
  FilenameEdit->SetControlId(ids::kFilenameEdit);
  SizeLabel = Bevel1->AddLabel("SizeLabel", At(24, 96, 40, 13), "Size");
  DateTimeLabel = Bevel1->AddLabel("DateTimeLabel", At(104, 96, 60, 13), "Date/Time");
  PathLabel = Bevel1->AddLabel("PathLabel", At(224, 96, 40, 13), "Path");
  SearchStringGrid = Bevel1->AddStringGrid("SearchStringGrid", At(24, 112, 577, 97));
  ui::StringGrid* grid = SearchStringGrid;
  grid->SetControlId(ids::kSearchStringGrid);
  grid->SetColCount(3);
  grid->SetFixedCols(0);
  grid->SetFixedRows(0);
  grid->SetDefaultRowHeight(15);
  grid->SetGridLines(true, true);
  grid->SetScrollBars(ui::ScrollBars::Vertical);
  grid->SetColWidth(0, 75);
  grid->SetColWidth(1, 121);
  grid->SetColWidth(2, 411);
  grid->SetFont(ui::Font{"Courier New", 8, false, false, ui::kBlack});
  grid->SetHint(kListHint);
  grid->SetVirtualRows(1, [this](int col, int row) -> std::string {
    if (row < 0 || static_cast<size_t>(row) >= Results.size() || col < 0 || col > 2) return {};
    return Results[static_cast<size_t>(row)][static_cast<size_t>(col)];
  });
  grid->OnDrawCell = [](int, int, ui::CellState state) {
    ui::CellStyle style;
    style.BackColor = state.Selected ? kButtonFace : ui::kWhite;
    style.TextColor = ui::kBlack;
    return style;
  };
  grid->OnSelectCell = [this](int col, int row) { return SearchStringGridSelectCell(col, row); };
  grid->OnRightMouseDown = [this] { App.Guard([this] { DetailsButtonClick(); }); };

  SearchButton = Form->AddButton("SearchButton", {84, 232, 75, 25}, "&Search");
  StopButton = Form->AddButton("StopButton", {180, 232, 75, 25}, "Sto&p");
  DetailsButton = Form->AddButton("DetailsButton", {275, 232, 75, 25}, "&Details...");
  VistrelButton = Form->AddButton("VistrelButton", {370, 232, 75, 25}, "Vis&trel");
  OKButton = Form->AddButton("OKButton", {467, 232, 75, 25}, "&OK");
  SearchButton->SetHint("Search the selected drives for the named file.");
  StopButton->SetHint("Stop an active search.");
  DetailsButton->SetHint(kDetailsHint);
  OKButton->SetHint("Close this dialog.");
  SearchButton->SetDefault(true);
  OKButton->SetCancel(true);
  SearchButton->SetControlId(ids::kSearchButton);
  StopButton->SetControlId(ids::kStopButton);
  DetailsButton->SetControlId(ids::kSearchDetailsButton);
  VistrelButton->SetControlId(ids::kSearchVistrelButton);
  OKButton->SetControlId(ids::kSearchOKButton);
  SearchStatusBar = Form->AddStatusBar("SearchStatusBar");
  SearchStatusBar->SetControlId(ids::kSearchStatusBar);
  SearchStatusBar->SetSizeGrip(false);
  SearchStatusBar->AddPanel(625);

  FilenameEdit->OnChange = [this] { App.Guard([this] { FilenameEditChange(); }); };
  SearchButton->OnClick = [this] { App.Guard([this] { SearchButtonClick(); }); };
  StopButton->OnClick = [this] { StopButtonClick(); };
  DetailsButton->OnClick = [this] { App.Guard([this] { DetailsButtonClick(); }); };
  VistrelButton->OnClick = [this] { App.Guard([this] { VistrelButtonClick(); }); };
  OKButton->OnClick = [this] { App.Guard([this] { OKButtonClick(); }); };
  Form->OnShow = [this] {
    App.Guard([this] { FormShow(); });
    SearchButton->SetFocus();
  };
  // Closed by its frame or Escape while a walk runs: the walk ends too.
  Form->OnCloseQuery = [this](bool&) { walk_.Stop(); };

  walk_.Yield = [this] { App.ProcessMessages(); };
  walk_.OnDirectory = [this](const std::string& directory) {
    auto now = std::chrono::steady_clock::now();
    // The clock starts near zero on a machine just booted: the first
    // directory of a walk is shown whatever it reads.
    if (statusShown_ && now - *statusShown_ < StatusInterval) return;
    statusShown_ = now;
    SearchStatusBar->SetPanelText(0,
                                  SearchStatus(directory, static_cast<int>(walk_.Rows().size())));
  };
}

void TSearchDlg::FormShow() {
  std::string name = SearchedName();
  Form->SetCaption(kSearchCaption + name);
  FilenameEdit->SetText(name);
  SetDriveBoxes();
  SearchStatusBar->SetPanelText(0, "");
  Results.clear();
  SearchStringGrid->SetRowCount(1);
  SearchStringGrid->Invalidate();
}

void TSearchDlg::FilenameEditChange() {
  SearchText = FilenameEdit->Text();
  Form->SetCaption(kSearchCaption + SearchedName());
}

bool TSearchDlg::SearchStringGridSelectCell(int, int row) {
  SelectedRow = row;
  return true;
}

void TSearchDlg::SetDriveBoxes() {
  for (int i = 0; i < 26; ++i) {
    DriveCheckBoxes[static_cast<size_t>(i)]->SetEnabled(
        SearchableDrive(Services.Catalog, static_cast<char>('A' + i)));
  }
}

std::string TSearchDlg::TickedDrives() const {
  std::string letters;
  for (int i = 1; i < 26; ++i) {
    if (DriveCheckBoxes[static_cast<size_t>(i)]->Checked()) letters += static_cast<char>('A' + i);
  }
  return letters;
}

void TSearchDlg::Search(const std::string& drives, const std::string& name) {
  walk_.Begin();
  statusShown_.reset();  // the first directory is always shown
  Results.clear();
  SearchStringGrid->SetRowCount(1);
  SearchStringGrid->Invalidate();
  for (char letter : drives) {
    if (!walk_.Running()) break;
    walk_.Walk(letter, name);
  }
  walk_.Stop();
  ShowResults();
}

void TSearchDlg::ShowResults() {
  SearchStatusBar->SetPanelText(0, "");
  Results = walk_.TakeRows();
  int rows = static_cast<int>(Results.size());
  SearchStringGrid->SetRowCount(rows > 0 ? rows : 1);
  SearchStringGrid->Invalidate();
}

void TSearchDlg::SearchButtonClick() {
  // A walk already under way is not started again from inside itself.
  if (walk_.Running()) return;
  SearchButton->SetEnabled(false);
  App.SetBusyCursor(true);
  // However the walk ends, the button and the pointer come back.
  struct Restore {
    TSearchDlg* dlg;
    ~Restore() {
      dlg->SearchButton->SetEnabled(true);
      dlg->App.SetBusyCursor(false);
    }
  } restore{this};
  Search(TickedDrives(), SearchedName());
}

void TSearchDlg::DetailsButtonClick() {
  if (!DetailsDlg) return;
  std::string directory;
  if (SelectedRow >= 0 && static_cast<size_t>(SelectedRow) < Results.size())
    directory = Results[static_cast<size_t>(SelectedRow)][2];
  DetailsDlg->CurrentRow = nullptr;
  DetailsDlg->ModulePath = directory + SearchedName();
  DetailsDlg->Form->ShowModal();
}

void TSearchDlg::VistrelButtonClick() {
  Browser.Open(SearchText);
}

void TSearchDlg::OKButtonClick() {
  walk_.Stop();
  Browser.Close();
  Form->SetModalResult(ui::ModalResult::Ok);
}

}  // namespace dlvnt

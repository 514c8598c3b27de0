#include "vistrel/viewers/view_source_form.h"

#include <algorithm>

#include "platform/command_line.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/go_to_address_dlg.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {
namespace {

const ui::Font kFixedFont{"Courier New", 8, false, false, ui::kBlack};
// The header labels sit over the hex columns: after the list's border and
// a label of "0x", eight digits and two blanks, at 7 pixels a character.
constexpr int kHeaderLeft = 96;
constexpr int kCharWidth = 7;

}  // namespace

TViewSourceForm::TViewSourceForm(ui::Application& app, HexViewServices services,
                                 TGoToAddressDlg* goTo, TStructureDlg* structure,
                                 TDisassemblyDlg* disassembly)
    : App(app),
      Form(app.CreateForm("ViewSourceForm")),
      GoToAddressDlg(goTo),
      StructureDlg(structure),
      DisassemblyDlg(disassembly),
      services_(services) {
  Form->SetCaption("View");
  Form->SetBorderStyle(ui::BorderStyle::Single);
  Form->SetMaximizeBox(false);
  // 602 x 355 outside, with the single border and the caption bar.
  Form->SetClientSize(594, 328);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Form->SetFormFont(ui::Font{"MS Sans Serif", 8, false, false, ui::kBlack});
  ColumnsLabel1 = Form->AddLabel("ColumnsLabel1", {kHeaderLeft, 8, 480, 14},
                                 " 0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F");
  ColumnsLabel2 = Form->AddLabel("ColumnsLabel2", {kHeaderLeft, 272, 480, 14},
                                 " 0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F");
  for (ui::Label* label : {ColumnsLabel1, ColumnsLabel2}) label->SetFont(kFixedFont);
  ColumnsLabel1->SetControlId(ids::kColumnsLabel1);
  ColumnsLabel2->SetControlId(ids::kColumnsLabel2);
  ViewSourceListbox = Form->AddListBox("ViewSourceListbox", {8, 24, 577, 242});
  ViewSourceListbox->SetFont(kFixedFont);
  ViewSourceListbox->SetItemHeight(14);
  ViewSourceListbox->SetControlId(ids::kViewSourceListBox);
  AlignRadioGroup = Form->AddRadioGroup("AlignRadioGroup", {32, 288, 185, 33}, "Alignment",
                                        {"Byte", "Word", "DWord"}, 3);
  AlignRadioGroup->SetItemIndex(0);
  AlignRadioGroup->SetControlId(ids::kAlignRadioGroup);
  OKButton = Form->AddButton("OKButton", {264, 296, 75, 25}, "OK");
  OKButton->SetControlId(ids::kViewSourceOKButton);
  GoToButton = Form->AddButton("GoToButton", {347, 296, 75, 25}, "Go to...");
  GoToButton->SetControlId(ids::kGoToButton);
  CalcButton = Form->AddButton("CalcButton", {425, 296, 75, 25}, "Calculator...");
  CalcButton->SetControlId(ids::kCalcButton);
  StructureButton = Form->AddButton("StructureButton", {504, 296, 73, 25}, "Structure...");
  StructureButton->SetControlId(ids::kStructureButton);

  auto guard = [this](void (TViewSourceForm::*handler)()) {
    return [this, handler] { App.Guard([&] { (this->*handler)(); }); };
  };
  Form->OnShow = guard(&TViewSourceForm::FormShow);
  AlignRadioGroup->OnClick = guard(&TViewSourceForm::AlignRadioGroupClick);
  OKButton->OnClick = guard(&TViewSourceForm::OKBitBtnClick);
  GoToButton->OnClick = guard(&TViewSourceForm::GoToButtonClick);
  CalcButton->OnClick = guard(&TViewSourceForm::CalcButtonClick);
  StructureButton->OnClick = guard(&TViewSourceForm::StructureButtonClick);
}

TViewSourceForm::~TViewSourceForm() = default;

void TViewSourceForm::FormShow() {
  StructureButton->SetText(StructureKind == kExportEntryStructure ? "Disassembly..."
                                                                  : "Structure...");
  StructureButton->SetVisible(StructureKind != kNoStructure);
  RebuildDump();
}

void TViewSourceForm::RebuildDump() {
  Form->SetCaption("Vistrel - View " + CaptionText);
  ViewSourceListbox->Clear();
  rows_ = HexRows();
  if (!Block) {
    ViewSourceListbox->AddItem(kUnableToView);
    return;
  }
  size_t length = BlockLength > 0 ? static_cast<size_t>(BlockLength) : 0;
  // What lies past the end of the file is not there to show.
  length = std::min(length, Block->size());
  if (length == 0) return;
  rows_ = HexRows(Block->first(length), BaseAddress);
  // Sixteen-digit labels push the columns six characters to the right.
  int left = kHeaderLeft + (rows_.WideLabels() ? 6 * kCharWidth : 0);
  for (ui::Label* label : {ColumnsLabel1, ColumnsLabel2}) {
    label->SetText(HexHeaderText(Alignment));
    ui::Rect bounds = label->Bounds();
    bounds.Left = left;
    label->SetBounds(bounds);
  }
  size_t count = std::min<size_t>(rows_.Count(), static_cast<size_t>(INT32_MAX));
  ViewSourceListbox->SetVirtualLines(static_cast<int>(count), [this](int row) {
    return rows_.Row(static_cast<size_t>(row), Alignment);
  });
  ViewSourceListbox->SetItemIndex(-1);
  ViewSourceListbox->SetTopIndex(0);
}

int TViewSourceForm::FindRow(const std::string& addressText) const {
  if (!ViewSourceListbox->Virtual()) return -1;
  int64_t row = rows_.Find(addressText);
  return row < 0 || row > INT32_MAX ? -1 : static_cast<int>(row);
}

void TViewSourceForm::GoToButtonClick() {
  if (!GoToAddressDlg) return;
  // A current row left from a longer block names no row of this one: the
  // dialog then starts from the first row.
  std::string prefill;
  if (ViewSourceListbox->Virtual() && rows_.Count() > 0) {
    size_t row = CurrentRow >= 0 && static_cast<size_t>(CurrentRow) < rows_.Count()
                     ? static_cast<size_t>(CurrentRow)
                     : 0;
    prefill = rows_.Label(row);
  }
  GoToAddressDlg->SetAddressText(prefill);
  if (GoToAddressDlg->ShowModal() != ui::ModalResult::Ok) return;
  int row = FindRow(GoToAddressDlg->AddressText());
  if (row < 0) return;
  CurrentRow = row;
  ViewSourceListbox->SetTopIndex(row);
  ViewSourceListbox->SetItemIndex(row);
}

void TViewSourceForm::CalcButtonClick() {
  std::string path = CalculatorPath ? CalculatorPath() : std::string();
  if (path.empty() || !services_.Files.FileExists(path)) {
    App.MessageBox(kConfigureCalculator, Form->Caption(), ui::MessageButtons::Ok,
                   ui::MessageIcon::Information);
    return;
  }
  // Started as WinExec would and not waited for.
  std::string error;
  if (!services_.Launcher.Start(platform::QuoteArgument(path), platform::ShowState::Normal,
                                &error)) {
    App.ShowError(error);
  }
}

void TViewSourceForm::StructureButtonClick() {
  if (StructureKind == kExportEntryStructure) {
    if (DisassemblyDlg) DisassemblyDlg->ShowModal();
    return;
  }
  if (!StructureDlg || StructureKind == kNoStructure) return;
  StructureDlg->CaptionText = CaptionText;
  StructureDlg->StructureKind = StructureKind;
  StructureDlg->Block = Block;
  StructureDlg->BlockLength = BlockLength;
  StructureDlg->Pe32Plus = Pe32Plus;
  StructureDlg->ShowModal();
}

void TViewSourceForm::OKBitBtnClick() {
  CurrentRow = 0;
  ViewSourceListbox->SetItemIndex(-1);
  ViewSourceListbox->SetTopIndex(0);
  Form->SetModalResult(ui::ModalResult::Ok);
}

void TViewSourceForm::AlignRadioGroupClick() {
  int index = AlignRadioGroup->ItemIndex();
  if (index < 0 || index > 2) return;
  Alignment = static_cast<HexAlign>(index);
  RebuildDump();
}

}  // namespace vistrel

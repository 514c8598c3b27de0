#include "vistrel/viewers/structure_dlg.h"

#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {

TStructureDlg::TStructureDlg(ui::Application& app) : Form(app.CreateForm("StructureDlg")) {
  Form->SetCaption("Vistrel - View Structure ");
  Form->SetClientSize(624, 218);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  StructureListBox = Form->AddListBox("StructureListBox", {7, 8, 610, 165});
  StructureListBox->SetTabStops(100);
  StructureListBox->SetItemHeight(13);
  StructureListBox->SetControlId(ids::kStructureListBox);
  OKButton = Form->AddButton("OKButton", {276, 184, 75, 25}, "OK");
  OKButton->SetDefault(true);
  OKButton->SetCancel(true);
  OKButton->SetModalResult(ui::ModalResult::Ok);
  Form->OnShow = [this] { FormShow(); };
}

void TStructureDlg::FormShow() {
  Form->SetCaption("Vistrel - View Structure " + CaptionText);
  StructureListBox->Clear();
  if (!Block) {
    StructureListBox->AddItem("Structure Size = " + std::to_string(BlockLength) + " Bytes");
    StructureListBox->AddItem(kUnableToView);
    return;
  }
  for (const auto& line : StructureLines(StructureKind, *Block, BlockLength, Pe32Plus))
    StructureListBox->AddItem(line);
}

}  // namespace vistrel

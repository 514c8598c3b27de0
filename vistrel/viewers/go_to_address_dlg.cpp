#include "vistrel/viewers/go_to_address_dlg.h"

#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {

TGoToAddressDlg::TGoToAddressDlg(ui::Application& app) : Form(app.CreateForm("GoToAddressDlg")) {
  Form->SetCaption("Go to Address");
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetClientSize(245, 92);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Bevel1 = Form->AddGroupBox("Bevel1", {8, 8, 229, 41}, "");
  GoToAddressLabel = Bevel1->AddLabel("GoToAddressLabel", {12, 15, 40, 13}, "Go to:");
  // Wide enough for a 64-bit label ("0x" and sixteen digits) too.
  GoToAddressEdit = Bevel1->AddEdit("GoToAddressEdit", {56, 11, 160, 21});
  GoToAddressEdit->SetControlId(ids::kGoToAddressEdit);
  OKBtn = Form->AddButton("OKBtn", {41, 59, 75, 25}, "OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(ui::ModalResult::Ok);
  CancelBtn = Form->AddButton("CancelBtn", {129, 59, 75, 25}, "Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(ui::ModalResult::Cancel);
  Form->OnShow = [this] { GoToAddressEdit->SetFocus(); };
}

}  // namespace vistrel

// TGoToAddressDlg: asks the hex view for an address to go to.
#ifndef VISTREL_VIEWERS_GO_TO_ADDRESS_DLG_H
#define VISTREL_VIEWERS_GO_TO_ADDRESS_DLG_H

#include <memory>
#include <string>

#include "ui/widgets.h"

namespace vistrel {

class TGoToAddressDlg {
 public:
  explicit TGoToAddressDlg(ui::Application& app);

  void SetAddressText(const std::string& text) { GoToAddressEdit->SetText(text); }
  std::string AddressText() const { return GoToAddressEdit->Text(); }
  ui::ModalResult ShowModal() { return Form->ShowModal(); }

  std::unique_ptr<ui::Form> Form;
  ui::GroupBox* Bevel1;
  ui::Label* GoToAddressLabel;
  ui::Edit* GoToAddressEdit;
  ui::Button *OKBtn, *CancelBtn;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_GO_TO_ADDRESS_DLG_H

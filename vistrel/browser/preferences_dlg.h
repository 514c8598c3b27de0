// TPreferencesDlg: the calculator path and whether settings are saved.
#ifndef VISTREL_BROWSER_PREFERENCES_DLG_H
#define VISTREL_BROWSER_PREFERENCES_DLG_H

#include <memory>
#include <string>

#include "ui/widgets.h"

namespace vistrel {

class TPreferencesDlg {
 public:
  explicit TPreferencesDlg(ui::Application& app);

  // Input: the calculator path shown when the dialog opens.
  std::string CalculatorPath;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  void FormShow();
  void BrowseButtonClick();
  bool SaveSettings() const { return SaveSettingsCheckBox->Checked(); }

  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::GroupBox* Bevel1;
  ui::CheckBox* SaveSettingsCheckBox;
  ui::Label* CalculatorLabel;
  ui::Edit* CalculatorEdit;
  ui::Button* BrowseButton;
  ui::Button* OKBtn;
  ui::Button* CancelBtn;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_PREFERENCES_DLG_H

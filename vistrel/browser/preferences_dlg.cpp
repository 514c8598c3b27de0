#include "vistrel/browser/preferences_dlg.h"

#include "common/text_case.h"
#include "vistrel/browser/command_ids.h"
#include "vistrel/browser/page_formats.h"

namespace vistrel {

TPreferencesDlg::TPreferencesDlg(ui::Application& app)
    : App(app), Form(app.CreateForm("PreferencesDlg")) {
  Form->SetCaption("Vistrel Preferences");
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetClientSize(321, 168);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Bevel1 = Form->AddGroupBox("Bevel1", {8, 8, 305, 117}, "");
  SaveSettingsCheckBox =
      Bevel1->AddCheckBox("SaveSettingsCheckBox", {12, 16, 285, 17},
                          "Save Settings on Exit? (Mode, Sorted Listboxes, etc.)");
  SaveSettingsCheckBox->SetChecked(true);
  SaveSettingsCheckBox->SetControlId(ids::kSaveSettingsCheckBox);
  CalculatorLabel = Bevel1->AddLabel("Label1", {12, 52, 120, 13}, "Default Calculator:");
  CalculatorEdit = Bevel1->AddEdit("CalculatorEdit", {12, 72, 185, 21});
  CalculatorEdit->SetControlId(ids::kCalculatorEdit);
  BrowseButton = Bevel1->AddButton("BrowseButton", {208, 70, 75, 25}, "Browse...");
  OKBtn = Form->AddButton("OKBtn", {79, 134, 75, 25}, "OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(ui::ModalResult::Ok);
  CancelBtn = Form->AddButton("CancelBtn", {167, 134, 75, 25}, "Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(ui::ModalResult::Cancel);
  Form->OnShow = [this] { FormShow(); };
  BrowseButton->OnClick = [this] { BrowseButtonClick(); };
}

void TPreferencesDlg::FormShow() {
  CalculatorEdit->SetText(common::Upper(CalculatorPath));
}

void TPreferencesDlg::BrowseButtonClick() {
  ui::OpenFileOptions options;
  options.Title = "Find Another Calculator:";
  options.Filter = "Program (*.EXE)|*.EXE|All Files (*.*)|*.*";
  options.HideReadOnly = true;
  if (auto path = App.OpenFile(options)) CalculatorEdit->SetText(common::Upper(*path));
}

}  // namespace vistrel

#include "vistrel/viewers/view_version_dlg.h"

#include "common/version_info.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {
namespace {

// Texts are shown whole: a long company name or copyright is not cut.
constexpr int kWholeText = 1 << 16;

}  // namespace

TViewVersionDlg::TViewVersionDlg(ui::Application& app, const versioninfo::VersionSystem* system)
    : App(app), Form(app.CreateForm("ViewVersionDlg")), system_(system) {
  Form->SetCaption("Dialog");
  Form->SetClientSize(475, 281);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  static const char* const kLeft[] = {"FileVersion1Edit", "ProductVersion1Edit", "FileFlagsEdit",
                                      "FileOSEdit",       "FileTypeEdit",        "FileSubTypeEdit",
                                      "LanguageEdit"};
  static const int kLeftTops[] = {16, 45, 74, 103, 131, 160, 189};
  static const char* const kRight[] = {
      "CompanyNameEdit", "FileDescriptionEdit", "FileVersion2Edit", "InternalNameEdit",
      "CopyrightEdit",   "TrademarksEdit",      "ProductNameEdit",  "ProductVersion2Edit"};
  static const int kRightTops[] = {12, 41, 71, 100, 129, 158, 188, 217};
  size_t n = 0;
  for (size_t i = 0; i < 7; ++i, ++n) {
    Fields[n] = Form->AddEdit(kLeft[i], {8, kLeftTops[i], 169, 17});
    Fields[n]->SetBorder(false);
  }
  for (size_t i = 0; i < 8; ++i, ++n)
    Fields[n] = Form->AddEdit(kRight[i], {192, kRightTops[i], 273, 21});
  for (size_t i = 0; i < Fields.size(); ++i) {
    Fields[i]->SetReadOnly(true);
    Fields[i]->SetControlId(ids::kFirstVersionEdit + static_cast<int>(i));
  }
  FileVersion1Edit = Fields[0], ProductVersion1Edit = Fields[1], FileFlagsEdit = Fields[2];
  FileOSEdit = Fields[3], FileTypeEdit = Fields[4], FileSubTypeEdit = Fields[5];
  LanguageEdit = Fields[6], CompanyNameEdit = Fields[7], FileDescriptionEdit = Fields[8];
  FileVersion2Edit = Fields[9], InternalNameEdit = Fields[10], CopyrightEdit = Fields[11];
  TrademarksEdit = Fields[12], ProductNameEdit = Fields[13], ProductVersion2Edit = Fields[14];
  OKBtn = Form->AddButton("OKBtn", {200, 248, 75, 25}, "OK");
  OKBtn->SetDefault(true);
  OKBtn->SetCancel(true);
  OKBtn->SetModalResult(ui::ModalResult::Ok);
  OKBtn->SetControlId(ids::kVersionOKButton);
  Form->OnShow = [this] { App.Guard([this] { FormShow(); }); };
}

void TViewVersionDlg::FormShow() {
  Form->SetCaption("Vistrel - View Version " + CaptionText);
  for (ui::Edit* field : Fields) field->SetText(" ");
  const versioninfo::VersionSystem& system =
      system_ ? *system_ : versioninfo::DefaultVersionSystem();
  // The file's own version information, whichever version resource was
  // chosen: the name is only the caption's.
  for (size_t i = 0; i < Fields.size(); ++i) {
    versioninfo::VersionText text =
        versioninfo::kVersionTextOperations[i].Operation(system, FileName, kWholeText);
    Fields[i]->SetText(text.Length < 1 ? "" : text.Text);
  }
}

}  // namespace vistrel

// TViewVersionDlg: the opened file's version information in fifteen
// read-only fields.
#ifndef VISTREL_VIEWERS_VIEW_VERSION_DLG_H
#define VISTREL_VIEWERS_VIEW_VERSION_DLG_H

#include <array>
#include <memory>
#include <string>

#include "common/version_info_system.h"
#include "ui/widgets.h"

namespace vistrel {

class TViewVersionDlg {
 public:
  // system: where the version texts come from (null: the platform's).
  explicit TViewVersionDlg(ui::Application& app,
                           const versioninfo::VersionSystem* system = nullptr);

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;  // the resource's name
  std::string FileName;     // the opened file's full path

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  void FormShow();

  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::Edit *FileVersion1Edit, *ProductVersion1Edit, *FileFlagsEdit, *FileOSEdit, *FileTypeEdit,
      *FileSubTypeEdit, *LanguageEdit;
  ui::Edit *CompanyNameEdit, *FileDescriptionEdit, *FileVersion2Edit, *InternalNameEdit,
      *CopyrightEdit, *TrademarksEdit, *ProductNameEdit, *ProductVersion2Edit;
  ui::Button* OKBtn;
  // The fields in the order of the version texts they show.
  std::array<ui::Edit*, 15> Fields{};

 private:
  const versioninfo::VersionSystem* system_;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_VIEW_VERSION_DLG_H

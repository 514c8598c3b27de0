// TDelvaneNTAboutBox: the program's name, version and copyright.
#ifndef DLVNT_DIALOGS_ABOUT_BOX_H
#define DLVNT_DIALOGS_ABOUT_BOX_H

#include <memory>
#include <string>

#include "ui/widgets.h"

namespace versioninfo {
class VersionSystem;
}

namespace dlvnt {

class TDelvaneNTAboutBox {
 public:
  // system: where version texts come from (null: the platform's own).
  TDelvaneNTAboutBox(ui::Application& app, std::string programPath,
                     const versioninfo::VersionSystem* system = nullptr);
  void FormShow();

  std::string ProgramPath;
  std::unique_ptr<ui::Form> Form;
  ui::GroupBox* GroupBox1 = nullptr;
  ui::Image* ProgramIcon = nullptr;
  ui::Label* ProductName = nullptr;
  ui::Label* TrademarkLabel = nullptr;
  ui::Label* Version = nullptr;
  ui::Label* Copyright = nullptr;
  ui::Label* Copyright2Label = nullptr;
  ui::Label* ContactLabel = nullptr;
  ui::Button* OKButton = nullptr;

 private:
  const versioninfo::VersionSystem* system_;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_ABOUT_BOX_H

// TAboutBox: the program's name, version and copyright from its own version
// resource.
#ifndef VISTREL_BROWSER_ABOUT_BOX_H
#define VISTREL_BROWSER_ABOUT_BOX_H

#include <memory>
#include <string>

#include "ui/widgets.h"

namespace versioninfo {
class VersionSystem;
}

namespace vistrel {

class TAboutBox {
 public:
  // programPath: the running executable, whose version texts are shown.
  // system: where version blocks come from (null: the default).
  TAboutBox(ui::Application& app, std::string programPath,
            const versioninfo::VersionSystem* system = nullptr);

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  void FormShow();

  std::string ProgramPath;
  std::unique_ptr<ui::Form> Form;
  ui::Panel* Panel1;
  ui::Image* ProgramIcon;
  ui::Label* ProductName;
  ui::Label* TrademarkLabel;
  ui::Label* VersionLabel;
  ui::Label* CopyrightLabel1;
  ui::Label* CopyrightLabel2;
  ui::Label* ContactLabel;
  ui::Button* OKButton;

 private:
  const versioninfo::VersionSystem* system_;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_ABOUT_BOX_H

// TViewMenuForm: a menu resource as a working menu bar of the viewer's own
// window, so that the user can open its popups.
#ifndef VISTREL_VIEWERS_VIEW_MENU_FORM_H
#define VISTREL_VIEWERS_VIEW_MENU_FORM_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "ui/widgets.h"

namespace vistrel {

class TViewMenuForm {
 public:
  explicit TViewMenuForm(ui::Application& app);

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;  // "Resource " and the name
  // The menu template's bytes: the resource's data, at most its size;
  // nullopt when it starts outside the file.
  std::optional<std::span<const uint8_t>> Template;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  // True while the template's menu stands in for the window's own bar.
  bool MenuLoaded() const { return Form->TemplateMenuShown(); }

  // Handlers.
  void FormShow();
  void FormClose();
  void OKBitBtnClick();

  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::MainMenu* ViewMenuMainMenu;
  ui::MenuItem* TestMenu;
  ui::Button* OKBitBtn;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_VIEW_MENU_FORM_H

#include "vistrel/viewers/view_menu_form.h"

#include "vistrel/viewers/resource_script.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {

TViewMenuForm::TViewMenuForm(ui::Application& app)
    : App(app), Form(app.CreateForm("ViewMenuForm")) {
  Form->SetCaption("Vistrel - View Menu ");
  Form->SetClientSize(427, 46);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  ViewMenuMainMenu = Form->CreateMainMenu();
  TestMenu = ViewMenuMainMenu->Add("TestMenu", "&Test");
  OKBitBtn = Form->AddButton("OKBitBtn", {176, 8, 75, 25}, "OK");
  OKBitBtn->SetDefault(true);
  OKBitBtn->SetCancel(true);
  OKBitBtn->SetControlId(ids::kViewMenuOKButton);

  auto guard = [this](void (TViewMenuForm::*handler)()) {
    return [this, handler] { App.Guard([&] { (this->*handler)(); }); };
  };
  Form->OnShow = guard(&TViewMenuForm::FormShow);
  Form->OnClose = guard(&TViewMenuForm::FormClose);
  OKBitBtn->OnClick = guard(&TViewMenuForm::OKBitBtnClick);
}

void TViewMenuForm::FormShow() {
  Form->ShowOwnMenu();
  OKBitBtn->SetFocus();
  // Only a template that is whole within its data goes to the platform: it
  // would read on past a cut one.
  if (Template && MenuTemplateComplete(*Template)) Form->ShowTemplateMenu(*Template);
  // The caption last: once it shows, the bar is the one to see.
  Form->SetCaption("Vistrel - View Menu " + CaptionText);
}

void TViewMenuForm::FormClose() {
  Form->ShowOwnMenu();
}

void TViewMenuForm::OKBitBtnClick() {
  Form->ShowOwnMenu();
  Form->SetModalResult(ui::ModalResult::Ok);
}

}  // namespace vistrel

#include "ui/widgets.h"

#include <exception>

namespace ui {

Control* Container::FindControl(const std::string& name) const {
  for (Control* child : Children()) {
    if (child->Name() == name) return child;
    if (auto* container = dynamic_cast<Container*>(child)) {
      if (Control* found = container->FindControl(name)) return found;
    }
    if (auto* pages = dynamic_cast<PageControl*>(child)) {
      for (int i = 0; i < pages->PageCount(); ++i) {
        TabSheet* page = pages->Page(i);
        if (page->Name() == name) return page;
        if (Control* found = page->FindControl(name)) return found;
      }
    }
  }
  return nullptr;
}

MenuItem* MenuItem::Find(const std::string& name) {
  if (Name() == name) return this;
  for (int i = 0; i < Count(); ++i) {
    if (MenuItem* found = Item(i)->Find(name)) return found;
  }
  return nullptr;
}

MenuItem* MainMenu::Find(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (MenuItem* found = Item(i)->Find(name)) return found;
  }
  return nullptr;
}

void Application::Guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(e.what());
  } catch (...) {
    ShowError("Unknown error");
  }
}

}  // namespace ui

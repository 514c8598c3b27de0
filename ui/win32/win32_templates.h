// Internal to ui/win32: what Windows builds from resource data of another
// file (pictures, live dialogs, menu bars).
#ifndef UI_WIN32_WIN32_TEMPLATES_H
#define UI_WIN32_WIN32_TEMPLATES_H

#include <memory>
#include <span>
#include <string>

#include "ui/win32/win32_controls.h"

namespace ui::win32 {

std::unique_ptr<OwnedPicture> MakePicture(const PictureData& data);
std::unique_ptr<TemplateDialog> MakeTemplateDialog(HWND owner, std::span<const uint8_t> tmpl,
                                                   const std::string& resourceFile);
// nullptr when Windows refuses the template.
HMENU MakeTemplateMenu(std::span<const uint8_t> tmpl);

}  // namespace ui::win32

#endif  // UI_WIN32_WIN32_TEMPLATES_H

// Pictures, live dialogs and menu bars that Windows builds from the data of
// another file's resources. The data is always a private, aligned copy, the
// file is opened as data only and the dialogs get a procedure of ours, so
// nothing of that file ever runs here.
#include "ui/win32/win32_templates.h"

#include <cstring>

namespace ui::win32 {
namespace {

class WOwnedPicture : public OwnedPicture {
 public:
  WOwnedPicture(Picture picture, int width, int height)
      : picture_(picture), width_(width), height_(height) {}
  ~WOwnedPicture() override {
    if (picture_.Kind == Picture::Type::Icon) {
      DestroyIcon(reinterpret_cast<HICON>(picture_.Handle));
    } else {
      DeleteObject(reinterpret_cast<HBITMAP>(picture_.Handle));
    }
  }
  Picture Get() const override { return picture_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

 private:
  Picture picture_;
  int width_, height_;
};

// Copies on 4-byte boundaries, as the template and bitmap functions want.
std::vector<DWORD> AlignedCopy(std::span<const uint8_t> bytes) {
  // Zeros after the data: a template cut short ends there, not in the heap.
  std::vector<DWORD> copy((bytes.size() + 3) / 4 + 16, 0);
  if (!bytes.empty()) std::memcpy(copy.data(), bytes.data(), bytes.size());
  return copy;
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
  // Focus to the first control; everything else the default handling does.
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

class WTemplateDialog : public TemplateDialog {
 public:
  WTemplateDialog(HWND window, HMODULE module) : window_(window), module_(module) {}
  ~WTemplateDialog() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    if (module_) FreeLibrary(module_);
  }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }
  bool Visible() const override { return IsWindowVisible(window_) != 0; }
  void Show() override { ShowWindow(window_, SW_SHOWNOACTIVATE); }
  void BringToFront() override {
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

 private:
  HWND window_;
  HMODULE module_;
};

constexpr size_t kStyleOffset = 0, kExStyleOffset = 12;

bool IsExtended(std::span<const uint8_t> tmpl) {
  return tmpl.size() >= 4 && tmpl[0] == 1 && tmpl[1] == 0 && tmpl[2] == 0xFF && tmpl[3] == 0xFF;
}

}  // namespace

std::unique_ptr<OwnedPicture> MakePicture(const PictureData& data) {
  std::vector<DWORD> copy = AlignedCopy(data.Bytes);
  const auto* bytes = reinterpret_cast<const BYTE*>(copy.data());
  if (data.Kind == PictureData::Format::Bitmap) {
    if (data.Bytes.size() < sizeof(BITMAPCOREHEADER) || data.BitsOffset >= data.Bytes.size()) {
      return nullptr;
    }
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(bytes),
                                    CBM_INIT, bytes + data.BitsOffset,
                                    reinterpret_cast<const BITMAPINFO*>(bytes), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) {
      if (bitmap) DeleteObject(bitmap);
      return nullptr;
    }
    return std::make_unique<WOwnedPicture>(
        Picture{Picture::Type::Bitmap, reinterpret_cast<uintptr_t>(bitmap)}, info.bmWidth,
        info.bmHeight);
  }
  // The image's own size (no cx, cy and no LR_DEFAULTSIZE).
  HICON icon = CreateIconFromResourceEx(
      const_cast<BYTE*>(bytes), static_cast<DWORD>(data.Bytes.size()),
      data.Kind == PictureData::Format::Icon, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
  if (!icon) return nullptr;
  ICONINFO info{};
  int width = 0, height = 0;
  if (GetIconInfo(icon, &info)) {
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    width = mask.bmWidth;
    // Without a colour bitmap the mask holds both halves.
    height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  return std::make_unique<WOwnedPicture>(
      Picture{Picture::Type::Icon, reinterpret_cast<uintptr_t>(icon)}, width, height);
}

std::unique_ptr<TemplateDialog> MakeTemplateDialog(HWND owner, std::span<const uint8_t> tmpl,
                                                   const std::string& resourceFile) {
  const size_t minimum = IsExtended(tmpl) ? 26 : 18;
  if (tmpl.size() < minimum) return nullptr;
  std::vector<DWORD> copy = AlignedCopy(tmpl);
  auto* bytes = reinterpret_cast<BYTE*>(copy.data());
  // A page meant to live inside another window (a property sheet's, say)
  // is shown as a window of its own.
  const size_t at = IsExtended(tmpl) ? kExStyleOffset : kStyleOffset;
  DWORD style;
  std::memcpy(&style, bytes + at, sizeof style);
  if (style & WS_CHILD) {
    style = (style & ~(WS_CHILD | WS_DISABLED | DS_CONTROL)) | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    std::memcpy(bytes + at, &style, sizeof style);
  }
  // The dialog's menu and the icons and bitmaps of its controls come from
  // the browsed file, mapped as data.
  HMODULE module = nullptr;
  if (!resourceFile.empty()) {
    std::wstring path = common::Wide(resourceFile);
    module = LoadLibraryExW(path.c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  HWND window = CreateDialogIndirectParamW(module ? module : GetModuleHandleW(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEW>(bytes), owner,
                                           InertDialogProc, 0);
  if (!window) {
    if (module) FreeLibrary(module);
    return nullptr;
  }
  return std::make_unique<WTemplateDialog>(window, module);
}

HMENU MakeTemplateMenu(std::span<const uint8_t> tmpl) {
  if (tmpl.size() < 4) return nullptr;
  std::vector<DWORD> copy = AlignedCopy(tmpl);
  return LoadMenuIndirectW(copy.data());
}

}  // namespace ui::win32

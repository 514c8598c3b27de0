// The pictures the image viewer draws against icoutils' PNG of the same
// image (run by icon_pixels_test.py, which made the PNGs). Each manifest line
// names a resource of a Wine file and the PNG of the image it shows:
//   group <TAB> FILE <TAB> NAME <TAB> PNG   an icon group: its first image,
//       drawn as an icon (mask and alpha) over the viewer's face colour
//   icon <TAB> FILE <TAB> ID <TAB> PNG      a single icon: its colour rows
//       drawn as they are (no mask), so every pixel's colour is the PNG's
// The viewer is the real one on the real controls; its picture is captured
// from the normal image control into a device-independent bitmap.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on
#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/win32/utf16.h"
#include "platform/fake/fake_machine.h"
#include "platform/win32/win32_services.h"
#include "ui/win32/win32_application.h"
#include "vistrel/browser/browser_pages.h"
#include "vistrel/browser/vistrel_main_form.h"
#include "vistrel/viewers/view_image_dlg.h"

namespace {

struct Pixels {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Bgra;  // top-down rows
  const uint8_t* At(int x, int y) const { return &Bgra[(static_cast<size_t>(y) * Width + x) * 4]; }
};

// The PNG through the system's own codecs, as straight (not premultiplied)
// BGRA.
bool ReadPng(IWICImagingFactory* factory, const std::wstring& path, Pixels& out) {
  IWICBitmapDecoder* decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder))) {
    return false;
  }
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  bool ok =
      SUCCEEDED(decoder->GetFrame(0, &frame)) &&
      SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
      SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                      nullptr, 0, WICBitmapPaletteTypeCustom));
  UINT width = 0, height = 0;
  if (ok) ok = SUCCEEDED(converter->GetSize(&width, &height));
  if (ok) {
    out.Width = static_cast<int>(width);
    out.Height = static_cast<int>(height);
    out.Bgra.assign(static_cast<size_t>(width) * height * 4, 0);
    ok = SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(out.Bgra.size()),
                                         out.Bgra.data()));
  }
  if (converter) converter->Release();
  if (frame) frame->Release();
  decoder->Release();
  return ok;
}

// What the control draws, as its own WM_PRINTCLIENT paints it.
Pixels Capture(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  Pixels out;
  out.Width = client.right;
  out.Height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = out.Width;
  info.bmiHeader.biHeight = -out.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  GdiFlush();
  out.Bgra.assign(
      static_cast<const uint8_t*>(bits),
      static_cast<const uint8_t*>(bits) + static_cast<size_t>(out.Width) * out.Height * 4);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out;
}

// The first pixel that differs by more than `tolerance` in a channel; empty
// when none does.
std::string Compare(const Pixels& drawn, const Pixels& png, bool blend, int tolerance) {
  if (png.Width > drawn.Width || png.Height > drawn.Height) return "larger than the control";
  const int left = (drawn.Width - png.Width) / 2, top = (drawn.Height - png.Height) / 2;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int background[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  for (int y = 0; y < png.Height; ++y) {
    for (int x = 0; x < png.Width; ++x) {
      const uint8_t* want = png.At(x, y);
      const uint8_t* got = drawn.At(left + x, top + y);
      for (int c = 0; c < 3; ++c) {
        int expected = want[c];
        if (blend) expected = (want[c] * want[3] + background[c] * (255 - want[3]) + 127) / 255;
        if (std::abs(expected - got[c]) > tolerance) {
          char text[160];
          std::snprintf(text, sizeof text,
                        "pixel (%d, %d) channel %d: drawn %d, expected %d (alpha %d)", x, y, c,
                        got[c], expected, want[3]);
          return text;
        }
      }
    }
  }
  return {};
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icon_pixels MANIFEST\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory)))) {
    std::fprintf(stderr, "no imaging codecs\n");
    return 1;
  }
  ui::win32::Win32Application app(GetModuleHandleW(nullptr));
  platform::win32::Win32FileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment environment;
  vistrel::TVistrelMainForm form(app, {files, registry, clipboard, environment});
  vistrel::TViewImageDlg view(app);
  form.ViewImageDlg = &view;
  view.Form->Show();

  std::ifstream manifest(argv[1]);
  std::string line;
  int compared = 0, failed = 0;
  while (std::getline(manifest, line)) {
    auto fields = Split(line);
    if (fields.size() != 4) continue;
    const bool group = fields[0] == "group";
    form.FileName = fields[1];
    form.LoadFile();
    const uint32_t type = group ? 14 : 3;
    const auto& records = form.ResourceSection->Resources;
    size_t index = records.size();
    for (size_t i = 0; i < records.size() && index == records.size(); ++i) {
      if (records[i].Type == type && records[i].Name == fields[2]) index = i;
    }
    form.VistrelPageControl->SetActivePageIndex(vistrel::kResourcePage);
    form.VistrelPageControlChange();
    const std::string where = fields[1] + " " + fields[0] + " " + fields[2];
    if (index == records.size() || !form.ResourceSection->SelectResource(index) ||
        form.PrepareImage() != vistrel::TVistrelMainForm::ImageViewer::Image) {
      std::printf("FAIL %s: not shown\n", where.c_str());
      ++failed;
      continue;
    }
    view.FormShow();
    Pixels png;
    if (!ReadPng(factory, common::Wide(fields[3]), png)) {
      std::printf("FAIL %s: cannot read %s\n", where.c_str(), fields[3].c_str());
      ++failed;
      continue;
    }
    Pixels drawn = Capture(reinterpret_cast<HWND>(view.NormalViewImage->NativeHandle()));
    // Alpha blending rounds its own way: a step or two either side.
    std::string difference = Compare(drawn, png, group, group ? 3 : 0);
    ++compared;
    if (!difference.empty()) {
      std::printf("FAIL %s: %s\n", where.c_str(), difference.c_str());
      ++failed;
    }
  }
  factory->Release();
  std::printf("%d pictures compared, %d failed\n", compared, failed);
  return failed == 0 && compared > 0 ? 0 : 1;
}

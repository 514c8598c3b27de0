#include "vistrel/viewers/view_image_dlg.h"

#include <algorithm>

#include "vistrel/viewers/image_formats.h"
#include "vistrel/viewers/resource_script.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {
namespace {

constexpr uint16_t kCursor = 1, kBitmap = 2, kIcon = 3, kMenu = 4, kDialog = 5, kString = 6,
                   kAccelerator = 9, kRcData = 10, kGroupCursor = 12, kGroupIcon = 14,
                   kVersion = 16;
constexpr size_t kHotspotSize = 4;
// The frame's corner: the controls inside it are placed from there.
constexpr int kFrameLeft = 8, kFrameTop = 8;
const ui::Rect kEnlargedSquare{197 - kFrameLeft, 48 - kFrameTop, 150, 150};
// A bitmap is stretched into a picture half as high as it is wide.
const ui::Rect kEnlargedBitmap{197 - kFrameLeft, 48 - kFrameTop, 150, 75};

// A file name made of a resource's name: characters no file name may hold
// become underscores.
std::string FileNameOf(const std::string& name) {
  std::string file = name.empty() ? "resource" : name;
  for (char& c : file) {
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos ||
        static_cast<unsigned char>(c) < 0x20) {
      c = '_';
    }
  }
  return file;
}

}  // namespace

TViewImageDlg::TViewImageDlg(ui::Application& app, TViewSourceForm* hexView)
    : App(app), Form(app.CreateForm("ViewImageDlg")), HexView(hexView) {
  Form->SetCaption("Vistrel - View Image");
  Form->SetClientSize(374, 266);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Frame = Form->AddGroupBox("Frame", {kFrameLeft, kFrameTop, 353, 209}, "");
  auto inFrame = [](int left, int top, int width, int height) {
    return ui::Rect{left - kFrameLeft, top - kFrameTop, width, height};
  };
  CursorHotspotLabel =
      Frame->AddLabel("CursorHotspotLabel", inFrame(16, 24, 76, 13), "Cursor Hotspot:");
  CursorHotspotEdit = Frame->AddEdit("CursorHotspotEdit", inFrame(96, 16, 65, 21));
  CursorHotspotEdit->SetReadOnly(true);
  CursorHotspotEdit->SetControlId(ids::kCursorHotspotEdit);
  NormalViewImage = Frame->AddImage("NormalViewImage", inFrame(26, 48, 153, 153));
  NormalViewImage->SetCenter(true);
  NormalViewImage->SetControlId(ids::kNormalViewImage);
  EnlargedViewImage = Frame->AddImage("EnlargedViewImage", kEnlargedSquare);
  EnlargedViewImage->SetCenter(true);
  EnlargedViewImage->SetStretch(true);
  EnlargedViewImage->SetControlId(ids::kEnlargedViewImage);
  UnknownFormatLabel =
      Frame->AddLabel("UnknownFormatLabel", inFrame(78, 122, 230, 13), kUnknownFormat);
  UnknownFormatLabel->SetControlId(ids::kUnknownFormatLabel);
  ViewImageListBox = Frame->AddListBox("ViewImageListBox", inFrame(32, 24, 305, 177));
  ViewImageListBox->SetControlId(ids::kViewImageListBox);
  OKButton = Form->AddButton("OKButton", {144, 232, 75, 25}, "OK");
  OKButton->SetDefault(true);
  OKButton->SetCancel(true);
  OKButton->SetControlId(ids::kViewImageOKButton);
  SaveAsButton = Form->AddButton("SaveAsButton", {280, 232, 81, 25}, "Save As...");
  SaveAsButton->SetControlId(ids::kSaveAsButton);

  auto guard = [this](void (TViewImageDlg::*handler)()) {
    return [this, handler] { App.Guard([&] { (this->*handler)(); }); };
  };
  Form->OnShow = guard(&TViewImageDlg::FormShow);
  Form->OnActivate = guard(&TViewImageDlg::FormActivate);
  Form->OnClose = guard(&TViewImageDlg::FormClose);
  OKButton->OnClick = guard(&TViewImageDlg::OKBitBtnClick);
  SaveAsButton->OnClick = guard(&TViewImageDlg::SaveAsButtonClick);
}

TViewImageDlg::~TViewImageDlg() {
  ReleasePictures();
}

void TViewImageDlg::ReleasePictures() {
  // The controls let go of the picture before it is freed.
  NormalViewImage->SetPicture({});
  EnlargedViewImage->SetPicture({});
  picture_.reset();
  Shown.reset();
}

void TViewImageDlg::HideImages() {
  NormalViewImage->SetVisible(false);
  EnlargedViewImage->SetVisible(false);
}

void TViewImageDlg::ShowUnknown() {
  HideImages();
  UnknownFormatLabel->SetVisible(true);
}

void TViewImageDlg::ShowPicture(ui::PictureData data, bool enlarge) {
  picture_ = App.MakePicture(data);
  if (!picture_) {
    Shown.reset();
    ShowUnknown();
    return;
  }
  NormalViewImage->SetPicture(picture_->Get());
  if (enlarge) EnlargedViewImage->SetPicture(picture_->Get());
}

// The picture of an icon or cursor image `preceding` bytes into the data:
// its colour rows drawn as a bitmap, as the image's own header describes
// them with the mask rows left out.
bool TViewImageDlg::DrawDib(size_t preceding) {
  if (Data->size() < preceding) return false;
  std::span<const uint8_t> image = Data->subspan(preceding);
  if (auto png = ReadPngHeader(image)) {
    Shown = ShownImage{png->Width, png->Height, png->BitCount};
    ui::PictureData data;
    data.Kind =
        ResourceType == kCursor ? ui::PictureData::Format::Cursor : ui::PictureData::Format::Icon;
    data.Bytes.assign(Data->begin(), Data->end());
    ShowPicture(std::move(data), true);
    return true;
  }
  auto layout = ReadDib(image, true);
  if (!layout) return false;
  ui::PictureData data;
  data.Kind = ui::PictureData::Format::Bitmap;
  data.Bytes.assign(image.begin(), image.begin() + layout->BitsOffset + layout->BitsSize);
  data.BitsOffset = layout->BitsOffset;
  // The header's height counts the mask too: halved (toward zero), it is the
  // colour image's.
  if (layout->HeaderSize == 12) {
    const uint16_t height = static_cast<uint16_t>(data.Bytes[6] | data.Bytes[7] << 8) / 2;
    data.Bytes[6] = static_cast<uint8_t>(height);
    data.Bytes[7] = static_cast<uint8_t>(height >> 8);
  } else {
    int32_t height = 0;
    for (int i = 3; i >= 0; --i)
      height = static_cast<int32_t>(uint32_t(height) << 8 | data.Bytes[8 + i]);
    const auto half = static_cast<uint32_t>(height / 2);
    for (int i = 0; i < 4; ++i) data.Bytes[8 + i] = static_cast<uint8_t>(half >> (8 * i));
  }
  Shown = ShownImage{layout->Width, layout->Height, layout->BitCount};
  ShowPicture(std::move(data), true);
  return true;
}

void TViewImageDlg::ShowGroup(bool cursors) {
  EnlargedViewImage->SetVisible(false);
  auto entry = FirstGroupEntry(*Data);
  if (!entry) return ShowUnknown();
  auto image = GroupImage ? GroupImage(cursors ? kCursor : kIcon, entry->Id) : std::nullopt;
  if (!image) {
    // The group names an image the file does not have: no picture.
    HideImages();
    return;
  }
  std::span<const uint8_t> bytes = image->first(std::min<size_t>(image->size(), entry->BytesInRes));
  std::span<const uint8_t> own =
      cursors && bytes.size() >= kHotspotSize ? bytes.subspan(kHotspotSize) : bytes;
  if (auto png = ReadPngHeader(own)) {
    Shown = ShownImage{png->Width, png->Height, png->BitCount};
  } else if (auto dib = ReadDib(own, true)) {
    Shown = ShownImage{dib->Width, dib->Height, dib->BitCount};
  } else {
    return ShowUnknown();
  }
  ui::PictureData data;
  data.Kind = cursors ? ui::PictureData::Format::Cursor : ui::PictureData::Format::Icon;
  data.Bytes.assign(bytes.begin(), bytes.end());
  ShowPicture(std::move(data), false);
}

void TViewImageDlg::ShowDialog() {
  HideImages();
  // Only a template that is whole within its data goes to the platform.
  std::vector<std::string> lines = DialogTemplateLines(*Data);
  if (!lines.empty() && lines.back() != kDataEndsHere) {
    LiveDialog = Form->CreateTemplateDialog(*Data, ModulePath);
  }
  if (LiveDialog) {
    if (!LiveDialog->Visible()) LiveDialog->Show();
    return;
  }
  UnknownFormatLabel->SetVisible(true);
  if (!HexView) return;
  HexView->CaptionText = CaptionText;
  HexView->Block = Data;
  HexView->BlockLength = DataSize;
  HexView->BaseAddress = BaseAddress;
  HexView->StructureKind = 0;
  HexView->ShowModal();
}

void TViewImageDlg::FormShow() {
  Form->SetCaption("Vistrel - View Image " + CaptionText);
  LiveDialog.reset();
  ReleasePictures();
  ViewImageListBox->SetVisible(false);
  ViewImageListBox->Clear();
  CursorHotspotLabel->SetVisible(false);
  CursorHotspotEdit->SetVisible(false);
  CursorHotspotEdit->SetText("");
  UnknownFormatLabel->SetVisible(false);
  NormalViewImage->SetVisible(true);
  EnlargedViewImage->SetVisible(true);
  EnlargedViewImage->SetBounds(kEnlargedSquare);
  SaveAsButton->SetEnabled(static_cast<bool>(Extract) && Data.has_value());

  if (!Data && ResourceType != kMenu && ResourceType != kRcData && ResourceType != kVersion) {
    return ShowUnknown();
  }
  auto showLines = [this](const std::vector<std::string>& lines) {
    HideImages();
    ViewImageListBox->SetVisible(true);
    for (const auto& line : lines) ViewImageListBox->AddItem(line);
  };
  switch (ResourceType) {
    case kCursor: {
      auto hotspot = CursorHotspotText(*Data);
      if (!hotspot) return ShowUnknown();
      CursorHotspotLabel->SetVisible(true);
      CursorHotspotEdit->SetVisible(true);
      CursorHotspotEdit->SetText(*hotspot);
      if (!DrawDib(kHotspotSize)) ShowUnknown();
      return;
    }
    case kBitmap: {
      auto layout = ReadDib(*Data, false);
      if (!layout) return ShowUnknown();
      Shown = ShownImage{layout->Width, layout->Height, layout->BitCount};
      ui::PictureData data;
      data.Kind = ui::PictureData::Format::Bitmap;
      data.Bytes.assign(Data->begin(), Data->begin() + layout->BitsOffset + layout->BitsSize);
      data.BitsOffset = layout->BitsOffset;
      EnlargedViewImage->SetBounds(kEnlargedBitmap);
      ShowPicture(std::move(data), true);
      return;
    }
    case kIcon:
      if (!DrawDib(0)) ShowUnknown();
      return;
    case kDialog:
      return ShowDialog();
    case kString:
      return showLines(StringTableLines(BlockNumberOf(ResourceName), *Data));
    case kAccelerator:
      return showLines(AcceleratorLines(*Data));
    case kGroupCursor:
      return ShowGroup(true);
    case kGroupIcon:
      return ShowGroup(false);
    case kMenu:
    case kRcData:
      return;  // their own viewers show these
    case kVersion:
      return HideImages();
    default:
      return ShowUnknown();
  }
}

void TViewImageDlg::FormActivate() {
  // The live dialog stays in front of the viewer, where it is.
  if (LiveDialog) LiveDialog->BringToFront();
}

void TViewImageDlg::FormClose() {
  LiveDialog.reset();
}

void TViewImageDlg::OKBitBtnClick() {
  LiveDialog.reset();
  Form->SetModalResult(ui::ModalResult::Ok);
}

void TViewImageDlg::SaveAsButtonClick() {
  if (!Extract || !WriteFile) return;
  SavedFile file = Extract();
  if (!file.Error.empty()) return App.ShowError(file.Error);
  ui::SaveFileOptions options;
  options.Title = kSaveResourceTitle;
  const std::string extension = file.Extension.empty() ? "bin" : file.Extension.substr(1);
  options.Filter = file.Extension == ".ico"   ? "Icon files (*.ico)|*.ico|All files (*.*)|*.*"
                   : file.Extension == ".cur" ? "Cursor files (*.cur)|*.cur|All files (*.*)|*.*"
                   : file.Extension == ".bmp" ? "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*"
                                              : "All files (*.*)|*.*";
  options.FileName = FileNameOf(ResourceName) + "." + extension;
  options.DefaultExtension = extension;
  auto path = App.SaveFile(options);
  if (!path) return;
  if (auto error = WriteFile(*path, file.Bytes)) App.ShowError(*error);
}

std::vector<std::string> TViewImageDlg::Description() const {
  std::vector<std::string> lines;
  if (CursorHotspotEdit->Visible()) lines.push_back("Cursor Hotspot: " + CursorHotspotEdit->Text());
  if (Shown && NormalViewImage->GetPicture().Kind != ui::Picture::Type::None) {
    lines.push_back("Image: " + std::to_string(Shown->Width) + " x " +
                    std::to_string(Shown->Height) + ", " + std::to_string(Shown->BitCount) +
                    " bits per pixel");
  }
  if (ViewImageListBox->Visible()) {
    for (const auto& line : ViewImageListBox->Items()) lines.push_back(line);
  }
  if (UnknownFormatLabel->Visible()) lines.push_back(kUnknownFormat);
  return lines;
}

}  // namespace vistrel

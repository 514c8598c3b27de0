// The image, menu and version viewers on headless widgets.
#include <gtest/gtest.h>

#include "common/version_info_test_util.h"
#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_system.h"
#include "ui/headless/headless.h"
#include "vistrel/viewers/byte_builder_test_util.h"
#include "vistrel/viewers/image_formats.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

namespace vistrel {
namespace {

using test::Bytes;
using Lines = std::vector<std::string>;
using ui::headless::HeadlessApplication;

// An icon or cursor image's header (height counting the mask), its colour
// table and `pixels` bytes.
Bytes IconImage(uint32_t width, uint32_t height, uint16_t bitCount, size_t pixels) {
  Bytes b;
  b.U32(40).U32(width).U32(height * 2).U16(1).U16(bitCount).U32(0).U32(0).U32(0).U32(0);
  b.U32(0).U32(0);
  b.Zeros((bitCount <= 8 ? 4u << bitCount : 0) + pixels);
  return b;
}

class ImageViewer : public ::testing::Test {
 protected:
  HeadlessApplication app;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeProcessLauncher launcher;
  TViewSourceForm hex{app, {files, launcher}};
  TViewImageDlg view{app, &hex};
  std::vector<uint8_t> data;
  int hexShowings = 0;

  void SetUp() override {
    ui::headless::SetModalScript(*hex.Form, [this](ui::Form&) {
      ++hexShowings;
      return ui::ModalResult::Ok;
    });
  }
  // Shows the resource of `type` whose bytes are `bytes`.
  void Show(uint16_t type, const std::vector<uint8_t>& bytes, const std::string& name = "1") {
    data = bytes;
    view.CaptionText = "Resource " + name;
    view.ResourceName = name;
    view.ResourceType = type;
    view.Data = std::span<const uint8_t>(data);
    view.DataSize = static_cast<int32_t>(data.size());
    view.ShowModal();
  }
  bool ImagesShown() const {
    return view.NormalViewImage->Visible() &&
           view.NormalViewImage->GetPicture().Kind != ui::Picture::Type::None;
  }
  static uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
  }
};

TEST_F(ImageViewer, CursorShowsItsHotspotAndItsColourRows) {
  Bytes cursor;
  cursor.U16(3).U16(5);
  Bytes image = IconImage(32, 32, 1, 32 * 4 * 2);
  for (uint8_t b : image.Data()) cursor.U8(b);
  Show(1, cursor);
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View Image Resource 1");
  EXPECT_TRUE(view.CursorHotspotEdit->Visible());
  EXPECT_EQ(view.CursorHotspotEdit->Text(), "3, 5");
  ASSERT_EQ(app.madePictures.size(), 1u);
  const ui::PictureData& made = app.madePictures[0];
  EXPECT_EQ(made.Kind, ui::PictureData::Format::Bitmap);
  EXPECT_EQ(Le32(made.Bytes, 8), 32u);  // the mask's rows left out
  EXPECT_EQ(made.BitsOffset, 40u + 8u);
  // The bytes handed over stop where the colour rows end.
  EXPECT_EQ(made.Bytes.size(), 40u + 8u + 32u * 4u);
  EXPECT_TRUE(ImagesShown());
  EXPECT_TRUE(view.EnlargedViewImage->Stretch());
  EXPECT_EQ(view.EnlargedViewImage->GetPicture(), view.NormalViewImage->GetPicture());
  EXPECT_FALSE(view.UnknownFormatLabel->Visible());
  EXPECT_EQ(view.Description(),
            (Lines{"Cursor Hotspot: 3, 5", "Image: 32 x 32, 1 bits per pixel"}));
}

TEST_F(ImageViewer, IconPixelsFollowTheColourTable) {
  Show(3, IconImage(32, 32, 8, 32 * 32));
  ASSERT_EQ(app.madePictures.size(), 1u);
  EXPECT_EQ(app.madePictures[0].BitsOffset, 40u + 1024u);
  Show(3, IconImage(16, 16, 24, 16 * 48));
  EXPECT_EQ(app.madePictures.back().BitsOffset, 40u);
  EXPECT_EQ(view.EnlargedViewImage->Bounds().Height, 150);
  EXPECT_FALSE(view.CursorHotspotEdit->Visible());
  // An odd height halves toward zero: 3 rows of colour in a header of 7.
  Bytes odd = IconImage(4, 3, 32, 4 * 4 * 3);
  odd.Put32(8, 7);
  Show(3, odd);
  EXPECT_EQ(Le32(app.madePictures.back().Bytes, 8), 3u);
}

TEST_F(ImageViewer, WhatTheDataDoesNotHoldIsAnUnknownFormat) {
  std::vector<uint8_t> cut = IconImage(32, 32, 8, 32 * 32);
  cut.resize(cut.size() - 1);
  Show(3, cut);
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
  EXPECT_FALSE(view.NormalViewImage->Visible());
  EXPECT_TRUE(app.madePictures.empty());
  // Data that starts outside the file.
  view.Data.reset();
  view.ShowModal();
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
  EXPECT_EQ(view.Description(), (Lines{kUnknownFormat}));
  // A cursor too short for its hot spot; a font, a message table.
  Show(1, {1, 0, 2});
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
  EXPECT_FALSE(view.CursorHotspotEdit->Visible());
  for (uint16_t type : {7, 8, 11, 23}) {
    Show(type, IconImage(2, 2, 32, 16));
    EXPECT_TRUE(view.UnknownFormatLabel->Visible()) << type;
    EXPECT_FALSE(view.NormalViewImage->Visible()) << type;
  }
  // The platform refusing the picture.
  app.refusePictures = true;
  Show(3, IconImage(2, 2, 32, 16));
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
  EXPECT_TRUE(view.Description() == (Lines{kUnknownFormat}));
}

TEST_F(ImageViewer, BitmapsAreStretchedHalfAsHighAsWide) {
  Bytes bitmap;
  bitmap.U32(40).U32(4).U32(2).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  bitmap.Zeros(2 * 12);
  Show(2, bitmap);
  ASSERT_EQ(app.madePictures.size(), 1u);
  EXPECT_EQ(Le32(app.madePictures[0].Bytes, 8), 2u);  // a bitmap's height is its own
  EXPECT_EQ(view.EnlargedViewImage->Bounds().Width, 150);
  EXPECT_EQ(view.EnlargedViewImage->Bounds().Height, 75);
  EXPECT_EQ(view.Description(), (Lines{"Image: 4 x 2, 24 bits per pixel"}));
  // The next showing of an icon has the square back.
  Show(3, IconImage(2, 2, 32, 16));
  EXPECT_EQ(view.EnlargedViewImage->Bounds().Height, 150);
}

TEST_F(ImageViewer, GroupsShowTheirFirstImage) {
  Bytes group;
  group.U16(0).U16(1).U16(2);
  group.U8(16).U8(16).U8(0).U8(0).U16(1).U16(32).U32(40 + 16 * 16 * 4 + 64).U16(7);
  group.U8(32).U8(32).U8(0).U8(0).U16(1).U16(32).U32(100).U16(8);
  std::vector<uint8_t> image = IconImage(16, 16, 32, 16 * 16 * 4 + 64);
  std::vector<std::pair<uint16_t, uint16_t>> asked;
  view.GroupImage = [&](uint16_t type, uint16_t id) -> std::optional<std::span<const uint8_t>> {
    asked.emplace_back(type, id);
    if (id != 7) return std::nullopt;
    return std::span<const uint8_t>(image);
  };
  Show(14, group, "MAINICON");
  EXPECT_EQ(asked, (std::vector<std::pair<uint16_t, uint16_t>>{{3, 7}}));
  ASSERT_EQ(app.madePictures.size(), 1u);
  EXPECT_EQ(app.madePictures[0].Kind, ui::PictureData::Format::Icon);
  EXPECT_EQ(app.madePictures[0].Bytes, image);
  EXPECT_TRUE(view.NormalViewImage->Visible());
  EXPECT_FALSE(view.EnlargedViewImage->Visible());
  EXPECT_EQ(view.Description(), (Lines{"Image: 16 x 16, 32 bits per pixel"}));

  // A cursor group asks for cursors; its images keep their hot spot.
  std::vector<uint8_t> cursor = {4, 0, 9, 0};
  cursor.insert(cursor.end(), image.begin(), image.end());
  image = cursor;
  Show(12, group, "ARROW");
  EXPECT_EQ(asked.back(), (std::pair<uint16_t, uint16_t>{1, 7}));
  EXPECT_EQ(app.madePictures.back().Kind, ui::PictureData::Format::Cursor);
  // The entry's byte count bounds what is handed over.
  EXPECT_EQ(app.madePictures.back().Bytes.size(), 40u + 16u * 16u * 4u + 64u);

  // An image the group names but the file lacks: no picture, no label.
  Bytes other = group;
  other.Put32(6 + 8, 100);
  std::vector<uint8_t> bytes = other;
  bytes[18] = 8;
  Show(14, bytes);
  EXPECT_FALSE(view.NormalViewImage->Visible());
  EXPECT_FALSE(view.UnknownFormatLabel->Visible());
  // A directory cut short: the label.
  Show(14, std::vector<uint8_t>(group.Data().begin(), group.Data().begin() + 12));
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
}

TEST_F(ImageViewer, StringAndAcceleratorTablesAreListed) {
  Bytes block;
  block.U16(5);
  for (char16_t c : std::u16string(u"Ready")) block.U16(c);
  for (int i = 1; i < 16; ++i) block.U16(0);
  Show(6, block, "7");
  EXPECT_TRUE(view.ViewImageListBox->Visible());
  EXPECT_FALSE(view.NormalViewImage->Visible());
  EXPECT_EQ(view.ViewImageListBox->Items(), (Lines{"96 - Ready"}));
  Bytes table;
  table.U16(0x0009).U16(0x43).U16(100).U16(0);
  table.U16(0x0080 | 0x0011).U16(0x73).U16(101).U16(0);
  Show(9, table);
  EXPECT_EQ(view.ViewImageListBox->Items(),
            (Lines{"CTRL+C (VIRTKEY) - 100", "ALT+F4 (VIRTKEY) - 101"}));
  EXPECT_EQ(view.Description(), view.ViewImageListBox->Items());
  // A block whose name is no number: the error reaches the user.
  Show(6, block, "STRINGS");
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], "'STRINGS' is not a valid integer value");
  // The next showing starts over.
  Show(3, IconImage(2, 2, 32, 16));
  EXPECT_FALSE(view.ViewImageListBox->Visible());
  EXPECT_EQ(view.ViewImageListBox->Count(), 0);
}

// A standard dialog template of one button.
Bytes DialogTemplate(uint32_t style) {
  Bytes b;
  b.U32(style).U32(0).U16(1).U16(10).U16(10).U16(120).U16(60).U16(0).U16(0).Str(u"Live");
  b.Align4();
  b.U32(0x50010000).U32(0).U16(8).U16(8).U16(50).U16(14).U16(1).Ordinal(0x0080).Str(u"OK");
  b.U16(0);
  return b;
}

TEST_F(ImageViewer, DialogsLiveUntilTheViewerCloses) {
  view.ModulePath = "C:\\FILES\\SAMPLE.DLL";
  ui::TemplateDialog* live = nullptr;
  int broughtBefore = -1;
  ui::headless::SetModalScript(*view.Form, [&](ui::Form&) {
    live = view.LiveDialog.get();
    auto* h = dynamic_cast<ui::headless::HTemplateDialog*>(live);
    broughtBefore = h ? h->BroughtToFront : -1;
    view.FormActivate();
    if (h) {
      EXPECT_EQ(h->BroughtToFront, broughtBefore + 1);
      EXPECT_EQ(h->ResourceFile, "C:\\FILES\\SAMPLE.DLL");
    }
    EXPECT_TRUE(live && live->Visible());
    view.OKButton->Click();
    EXPECT_FALSE(view.LiveDialog);
    return ui::ModalResult::Ok;
  });
  Show(5, DialogTemplate(0x80C00000));
  EXPECT_NE(live, nullptr);
  EXPECT_FALSE(view.NormalViewImage->Visible());
  EXPECT_FALSE(view.UnknownFormatLabel->Visible());
  EXPECT_EQ(hexShowings, 0);
  // Visible by its own style.
  ui::headless::SetModalScript(*view.Form, [&](ui::Form&) {
    EXPECT_TRUE(view.LiveDialog && view.LiveDialog->Visible());
    return ui::ModalResult::Cancel;
  });
  Show(5, DialogTemplate(0x90C00000));
  EXPECT_FALSE(view.LiveDialog);  // closing destroys it too
}

TEST_F(ImageViewer, ARejectedDialogIsShownAsBytes) {
  view.BaseAddress = 0x00405060;
  app.refuseTemplates = true;
  Show(5, DialogTemplate(0x80C00000), "ABOUT");
  EXPECT_TRUE(view.UnknownFormatLabel->Visible());
  EXPECT_EQ(hexShowings, 1);
  EXPECT_EQ(hex.CaptionText, "Resource ABOUT");
  EXPECT_EQ(hex.BlockLength, static_cast<int32_t>(data.size()));
  EXPECT_EQ(hex.BaseAddress, 0x00405060u);
  EXPECT_EQ(hex.StructureKind, 0);
  ASSERT_TRUE(hex.Block);
  EXPECT_EQ(hex.Block->data(), data.data());
  // A template cut short never reaches the platform.
  app.refuseTemplates = false;
  std::vector<uint8_t> cut = DialogTemplate(0x80C00000);
  cut.resize(cut.size() - 6);
  Show(5, cut);
  EXPECT_FALSE(view.LiveDialog);
  EXPECT_EQ(hexShowings, 2);
}

TEST_F(ImageViewer, SaveAsWritesTheResourceAsAFile) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> written;
  view.Extract = [] { return TViewImageDlg::SavedFile{{1, 2, 3}, ".ico", ""}; };
  view.WriteFile = [&](const std::string& path,
                       std::span<const uint8_t> bytes) -> std::optional<std::string> {
    written.emplace_back(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return std::nullopt;
  };
  ui::headless::SetModalScript(*view.Form, [&](ui::Form&) {
    EXPECT_TRUE(view.SaveAsButton->Enabled());
    view.SaveAsButton->Click();  // cancelled
    app.saveFileAnswers.push_back("C:\\OUT\\MAIN.ICO");
    view.SaveAsButton->Click();
    return ui::ModalResult::Ok;
  });
  Show(14, {0, 0, 1, 0, 0, 0}, "MAIN/ICON?");
  ASSERT_EQ(app.saveFileRequests.size(), 2u);
  EXPECT_EQ(app.saveFileRequests[0].FileName, "MAIN_ICON_.ico");
  EXPECT_EQ(app.saveFileRequests[0].DefaultExtension, "ico");
  EXPECT_EQ(app.saveFileRequests[0].Title, kSaveResourceTitle);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].first, "C:\\OUT\\MAIN.ICO");
  EXPECT_EQ(written[0].second, (std::vector<uint8_t>{1, 2, 3}));

  // A resource that cannot be written out, a write that fails: both said.
  view.Extract = [] { return TViewImageDlg::SavedFile{{}, "", "resource 14/1: cut short"}; };
  ui::headless::SetModalScript(*view.Form, [&](ui::Form&) {
    view.SaveAsButton->Click();
    view.Extract = [] { return TViewImageDlg::SavedFile{{7}, "", ""}; };
    view.WriteFile = [](const std::string& path, std::span<const uint8_t>) {
      return std::optional<std::string>(path + ": disk full");
    };
    app.saveFileAnswers.push_back("C:\\OUT\\RAW");
    view.SaveAsButton->Click();
    return ui::ModalResult::Ok;
  });
  Show(23, {1, 2}, "7");
  EXPECT_EQ(app.saveFileRequests.back().FileName, "7.bin");
  EXPECT_EQ(app.errors, (Lines{"resource 14/1: cut short", "C:\\OUT\\RAW: disk full"}));
  // Nothing to save when the data lies outside the file.
  view.Data.reset();
  ui::headless::SetModalScript(*view.Form, [&](ui::Form&) {
    EXPECT_FALSE(view.SaveAsButton->Enabled());
    return ui::ModalResult::Ok;
  });
  view.ShowModal();
}

// A menu template: one popup with one item.
Bytes MenuTemplate(const std::u16string& popup) {
  Bytes b;
  b.U16(0).U16(0).U16(0x0090).Str(popup).U16(0x0080).U16(100).Str(u"E&xit");
  return b;
}

TEST(MenuViewer, TheTemplatesBarStandsInUntilOK) {
  HeadlessApplication app;
  TViewMenuForm view(app);
  std::vector<uint8_t> first = MenuTemplate(u"&File"), second = MenuTemplate(u"&Edit");
  bool shownDuring = false;
  const std::vector<uint8_t>* during = nullptr;
  ui::headless::SetModalScript(*view.Form, [&](ui::Form& form) {
    shownDuring = view.MenuLoaded();
    during = ui::headless::TemplateMenuOf(form);
    std::vector<uint8_t> copy = during ? *during : std::vector<uint8_t>{};
    view.OKBitBtn->Click();
    during = nullptr;
    EXPECT_FALSE(view.MenuLoaded());
    return copy == second ? ui::ModalResult::Ok : ui::ModalResult::Cancel;
  });
  view.CaptionText = "Resource MAINMENU";
  view.Template = std::span<const uint8_t>(first);
  view.ShowModal();
  EXPECT_TRUE(shownDuring);
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View Menu Resource MAINMENU");
  EXPECT_FALSE(view.MenuLoaded());
  EXPECT_EQ(view.Form->GetMainMenu()->Item(0)->Caption(), "&Test");
  view.Template = std::span<const uint8_t>(second);
  EXPECT_EQ(view.ShowModal(), ui::ModalResult::Ok);  // only the second menu

  // A template that ends before its last item: the window keeps its bar.
  std::vector<uint8_t> cut(second.begin(), second.end() - 4);
  view.Template = std::span<const uint8_t>(cut);
  view.ShowModal();
  EXPECT_FALSE(shownDuring);
  view.Template.reset();
  view.ShowModal();
  EXPECT_FALSE(shownDuring);
}

TEST(VersionViewer, FifteenFieldsFromTheFilesOwnVersionInformation) {
  using namespace versioninfo::testing;
  BlockSystem system;
  system.Add("C:\\FILES\\SAMPLE.DLL",
             Serialize(Block(Fixed{},
                             {{"040904B0",
                               {{"CompanyName", u"Tessaloom"},
                                {"LegalCopyright", std::u16string(300, u'c')},
                                {"ProductName", u"Sample"}}}},
                             {{0x0409, 0x04B0}})));
  HeadlessApplication app;
  TViewVersionDlg view(app, &system);
  view.CaptionText = "1";
  view.FileName = "C:\\FILES\\SAMPLE.DLL";
  view.ShowModal();
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View Version 1");
  EXPECT_EQ(view.FileVersion1Edit->Text(), "File Version 3.2.1.0");
  EXPECT_EQ(view.ProductVersion1Edit->Text(), "Product Version 4.0.0.1");
  EXPECT_EQ(view.CompanyNameEdit->Text(), "Tessaloom");
  EXPECT_EQ(view.ProductNameEdit->Text(), "Sample");
  EXPECT_EQ(view.CopyrightEdit->Text(), std::string(300, 'c'));  // whole
  EXPECT_EQ(view.TrademarksEdit->Text(), "");
  EXPECT_TRUE(view.FileVersion1Edit->ReadOnly());

  // No version information: fifteen empty fields.
  view.CaptionText = "VERSION";
  view.FileName = "C:\\FILES\\OTHER.DLL";
  view.ShowModal();
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View Version VERSION");
  for (ui::Edit* field : view.Fields) EXPECT_EQ(field->Text(), "") << field->Name();
}

}  // namespace
}  // namespace vistrel

// The main window's item commands: what "File Offset...", "Image..." and
// "Structure..." hand to the hex view and the structure viewer per page.
#include <gtest/gtest.h>

#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_system.h"
#include "tests/fixtures/pe_writer.h"
#include "ui/headless/headless.h"
#include "vistrel/browser/vistrel_main_form.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/go_to_address_dlg.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

namespace vistrel {
namespace {

using fixtures::PeWriter;
using Lines = std::vector<std::string>;

class ItemCommandsTest : public ::testing::Test {
 protected:
  ItemCommandsTest() {
    form.ViewSourceForm = &view;
    form.StructureDlg = &structure;
    // Count the showings of each viewer.
    ui::headless::SetModalScript(*view.Form, [this](ui::Form&) {
      ++hexShown;
      return ui::ModalResult::Ok;
    });
    ui::headless::SetModalScript(*structure.Form, [this](ui::Form&) {
      ++structureShown;
      return ui::ModalResult::Ok;
    });
  }
  void Load(const std::vector<uint8_t>& file) {
    files.files["C:\\T.DLL"] = std::string(file.begin(), file.end());
    form.FileName = "C:\\T.DLL";
    form.LoadFile();
  }
  void ShowPage(int page) {
    form.VistrelPageControl->SetActivePageIndex(page);
    form.VistrelPageControlChange();
  }
  void SelectResource(size_t index) {
    ShowPage(kResourcePage);
    ASSERT_TRUE(form.ResourceSection->SelectResource(index));
  }
  Lines HexLines() const { return view.ViewSourceListbox->Items(); }

  ui::headless::HeadlessApplication app;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  platform::fake::FakeProcessLauncher launcher;
  TDisassemblyDlg disassembly{app};
  TStructureDlg structure{app};
  TGoToAddressDlg goTo{app};
  TViewSourceForm view{app, {files, launcher}, &goTo, &structure, &disassembly};
  TVistrelMainForm form{app, {files, registry, clipboard, env}, &disassembly};
  int hexShown = 0, structureShown = 0;
};

TEST_F(ItemCommandsTest, FileHeaderInTheHexViewAndTheStructureViewer) {
  PeWriter w;
  Load(w.Build());
  ShowPage(kFileHeaderPage);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(hexShown, 1);
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View File Header");
  EXPECT_EQ(view.StructureKind, kFileHeaderStructure);
  Lines lines = HexLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 23), "0x00000000  50 45 00 00");
  EXPECT_EQ(lines[1].substr(0, 12), "0x00000010  ");

  form.ViewItemStructureMenuItemClick();
  EXPECT_EQ(structureShown, 1);
  Lines decoded = structure.StructureListBox->Items();
  ASSERT_GE(decoded.size(), 3u);
  EXPECT_EQ(decoded[0], "Structure Size = 20 Bytes");
  EXPECT_EQ(decoded[1], "IMAGE_NT_SIGNATURE:\t0x00004550");
  EXPECT_EQ(decoded[2], "Machine:\t0x014C");
}

TEST_F(ItemCommandsTest, OptionalHeaderTakesItsWidthFromTheMagic) {
  PeWriter w32;
  Load(w32.Build());
  ShowPage(kOptionalHeaderPage);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(view.CaptionText, "Optional File Header");
  EXPECT_EQ(view.BlockLength, 224);
  EXPECT_EQ(HexLines().size(), 14u);

  PeWriter w64(true);
  Load(w64.Build());
  ShowPage(kOptionalHeaderPage);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(view.BlockLength, 240);
  form.ViewItemStructureMenuItemClick();
  Lines decoded = structure.StructureListBox->Items();
  EXPECT_EQ(decoded[0], "Structure Size = 240 Bytes");
  EXPECT_NE(std::find(decoded.begin(), decoded.end(), "ImageBase:\t0x0000000180000000"),
            decoded.end());
  for (const auto& line : decoded) EXPECT_NE(line.rfind("BaseOfData:", 0), 0u);
}

TEST_F(ItemCommandsTest, SectionsAreLabelledWithTheirAddress) {
  PeWriter w;
  w.AddZeros(0x40);
  Load(w.Build());
  ShowPage(kSectionHeadersPage);
  ui::ListBox* sections = form.SectionHeaders->SectionHeadersListBox;
  // Nothing selected: nothing opens.
  sections->SetItemIndex(-1);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(hexShown, 0);
  sections->SetItemIndex(0);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(hexShown, 1);
  EXPECT_EQ(view.CaptionText, "Section .data - 0x10001000");
  EXPECT_EQ(HexLines().at(0).substr(0, 10), "0x10001000");
  EXPECT_EQ(view.StructureKind, kNoStructure);
  // Structure is not offered for sections.
  form.ViewItemStructureMenuItemClick();
  EXPECT_EQ(structureShown, 0);
}

TEST_F(ItemCommandsTest, ASectionWithoutRawDataOpensNothing) {
  PeWriter w;
  w.AddZeros(0x40);
  w.SectionRawSize = 0;
  std::vector<uint8_t> file = w.Build();
  // SizeOfRawData of the only section header, after the optional header.
  size_t header = 0x40 + 24 + 224;
  for (int i = 0; i < 4; ++i) file[header + 16 + i] = 0;
  Load(file);
  ShowPage(kSectionHeadersPage);
  form.SectionHeaders->SectionHeadersListBox->SetItemIndex(0);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(hexShown, 0);
}

TEST_F(ItemCommandsTest, ExportEntryPointRowsStartAtTheRowThatHoldsIt) {
  PeWriter w;
  w.AddZeros(0x400);
  w.AddExports("t.dll", 1, {0x1234}, {{"Foo", 0}});
  Load(w.Build());
  ShowPage(kExportPage);
  form.ExportSection->ExportSectionListBox->SetItemIndex(0);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(view.CaptionText, "Export Entry Point - Foo (1) - 0x10001234");
  EXPECT_EQ(view.StructureKind, kExportEntryStructure);
  EXPECT_EQ(view.CurrentRow, 0);
  Lines lines = HexLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(0, 10), "0x10001230");
  EXPECT_EQ(view.StructureButton->Text(), "Disassembly...");
  // The hex view's button opens the disassembly the command set up.
  EXPECT_EQ(disassembly.CaptionText, "Export Entry Point - Foo (1)");
  EXPECT_EQ(disassembly.CodeAddress, 0x10001234u);
}

TEST_F(ItemCommandsTest, ResourcesByTypeAndTheDoubleClick) {
  PeWriter w;
  w.AddResources({{uint32_t{6}, uint32_t{1}, 0x409, {1, 0, 'A', 0}},
                  {uint32_t{10}, uint32_t{7}, 0x409, {'r', 'a', 'w', 0, 1, 2}},
                  {uint32_t{9}, uint32_t{2}, 0x409, std::vector<uint8_t>(20, 0)},
                  {uint32_t{300}, uint32_t{3}, 0x409, {9, 9}}});
  Load(w.Build());
  const auto& records = form.ResourceSection->Resources;
  ASSERT_EQ(records.size(), 4u);

  // RCDATA: the double click shows its bytes, without a structure.
  SelectResource(1);
  form.ResourceTreeViewDblClick();
  EXPECT_EQ(hexShown, 1);
  EXPECT_EQ(view.CaptionText, "Resource 7");
  EXPECT_EQ(view.StructureKind, kNoStructure);
  Lines lines = HexLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("72 61 77 00 01 02"), std::string::npos);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 6), "raw...");

  // File Offset: the caption names the address, the first row is labelled
  // with it, and the kind follows the type.
  SelectResource(2);
  form.ViewItemFileMenuItemClick();
  uint64_t address = 0x10000000u + records[2].OffsetToData;
  char expected[16];
  std::snprintf(expected, sizeof expected, "0x%08X", static_cast<unsigned>(address));
  EXPECT_EQ(view.CaptionText, std::string("Resource 2 - ") + expected);
  EXPECT_EQ(HexLines().at(0).substr(0, 10), expected);
  EXPECT_EQ(view.StructureKind, kAcceleratorStructure);
  form.ViewItemStructureMenuItemClick();
  Lines decoded = structure.StructureListBox->Items();
  EXPECT_EQ(decoded.front(), "Structure Size = 20 Bytes");
  EXPECT_EQ(std::count(decoded.begin(), decoded.end(), "AcceleratorEntry[1]"), 1);

  // STRING and an unnamed type have no structure: nothing opens.
  SelectResource(0);
  form.ViewItemStructureMenuItemClick();
  SelectResource(3);
  form.ViewItemStructureMenuItemClick();
  EXPECT_EQ(structureShown, 1);

  // A group node: no command opens anything.
  ui::TreeView* tree = form.ResourceSection->ResourceTreeView;
  tree->SetSelected(tree->Children(ui::kNoNode)[0]);
  form.ResourceTreeViewClick();
  form.ViewItemFileMenuItemClick();
  form.ResourceTreeViewDblClick();
  EXPECT_EQ(hexShown, 2);
}

TEST_F(ItemCommandsTest, ImageOpensTheViewerOfTheResourcesType) {
  TViewImageDlg image(app, &view);
  TViewMenuForm menu(app);
  TViewVersionDlg version(app);
  form.ViewImageDlg = &image;
  form.ViewMenuForm = &menu;
  form.ViewVersionDlg = &version;
  std::vector<std::string> shown;
  for (ui::Form* f : {image.Form.get(), menu.Form.get(), version.Form.get()}) {
    ui::headless::SetModalScript(*f, [&shown](ui::Form& showing) {
      shown.push_back(showing.Name());
      return ui::ModalResult::Ok;
    });
  }
  // Two languages of icon 1; the group is German.
  auto icon = [](uint8_t fill) {
    // A 40-byte header of 2 x 2 at 32 bits, then its colour and mask rows.
    std::vector<uint8_t> b(40 + 2 * 2 * 4 + 2 * 4, fill);
    const uint8_t header[] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};
    std::fill(b.begin(), b.begin() + 40, uint8_t{0});
    std::copy(std::begin(header), std::end(header), b.begin());
    return b;
  };
  std::vector<uint8_t> group = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 64, 0, 0, 0, 1, 0};
  PeWriter w;
  w.AddResources({{uint32_t{6}, uint32_t{2}, 0x409, {2, 0, 'H', 0, 'i', 0}},
                  {uint32_t{4}, uint32_t{1}, 0x409, {0, 0, 0, 0, 0x80, 0, 9, 0, 'A', 0, 0, 0}},
                  {uint32_t{16}, uint32_t{1}, 0x409, {0, 0}},
                  {uint32_t{14}, std::u16string(u"MAIN"), 0x407, group},
                  {uint32_t{3}, uint32_t{1}, 0x409, icon(0)},
                  {uint32_t{3}, uint32_t{1}, 0x407, icon(0x77)}});
  Load(w.Build());
  const auto& records = form.ResourceSection->Resources;
  ASSERT_EQ(records.size(), 6u);
  auto indexOf = [&](uint32_t type, uint32_t language) {
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].Type == type && records[i].Language == language) return i;
    ADD_FAILURE() << type;
    return size_t{0};
  };

  SelectResource(indexOf(6, 0x409));
  form.ViewItemImageMenuItemClick();
  EXPECT_EQ(shown.back(), "ViewImageDlg");
  EXPECT_EQ(image.Form->Caption(), "Vistrel - View Image Resource 2");
  EXPECT_EQ(image.ViewImageListBox->Items(), (Lines{"16 - Hi"}));

  SelectResource(indexOf(4, 0x409));
  form.ResourceTreeViewDblClick();
  EXPECT_EQ(shown.back(), "ViewMenuForm");
  EXPECT_EQ(menu.Form->Caption(), "Vistrel - View Menu Resource 1");
  ASSERT_TRUE(menu.Template);
  EXPECT_EQ(menu.Template->size(), 12u);

  SelectResource(indexOf(16, 0x409));
  form.ViewItemImageMenuItemClick();
  EXPECT_EQ(shown.back(), "ViewVersionDlg");
  EXPECT_EQ(version.FileName, "C:\\T.DLL");
  EXPECT_EQ(version.Form->Caption(), "Vistrel - View Version 1");

  // The group's first image in the group's own language.
  SelectResource(indexOf(14, 0x407));
  app.saveFileAnswers.push_back("C:\\OUT.ICO");
  ui::headless::SetModalScript(*image.Form, [&](ui::Form&) {
    image.SaveAsButton->Click();
    return ui::ModalResult::Ok;
  });
  form.ViewItemImageMenuItemClick();
  ASSERT_FALSE(app.madePictures.empty());
  EXPECT_EQ(app.madePictures.back().Kind, ui::PictureData::Format::Icon);
  EXPECT_EQ(app.madePictures.back().Bytes, icon(0x77));
  EXPECT_EQ(image.ModulePath, "C:\\T.DLL");
  // Save As wrote the group as an icon file.
  ASSERT_EQ(files.files.count("C:\\OUT.ICO"), 1u);
  const std::string& written = files.files["C:\\OUT.ICO"];
  EXPECT_EQ(written.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
  EXPECT_EQ(written.size(), 6u + 16u + icon(0x77).size());
  EXPECT_TRUE(app.errors.empty());
}

TEST_F(ItemCommandsTest, AResourceOutsideTheFileCannotBeViewed) {
  PeWriter w;
  w.AddResources({{uint32_t{10}, uint32_t{1}, 0x409, std::vector<uint8_t>(16, 0x55)}});
  std::vector<uint8_t> file = w.Build();
  Load(file);
  uint32_t rva = form.ResourceSection->Resources.at(0).OffsetToData;
  // The data lies at the end of the section: cut the file before it.
  file.resize(PeWriter::kSectionOffset + (rva - PeWriter::kSectionRva));
  Load(file);
  SelectResource(0);
  form.ViewItemFileMenuItemClick();
  EXPECT_EQ(HexLines(), Lines{kUnableToView});
  structure.Block = std::span<const uint8_t>();
  PeWriter menus;
  menus.AddResources({{uint32_t{4}, uint32_t{1}, 0x409, {0, 0, 0, 0, 0x80, 0, 'A', 0, 0, 0}}});
  std::vector<uint8_t> cut = menus.Build();
  Load(cut);
  uint32_t menuRva = form.ResourceSection->Resources.at(0).OffsetToData;
  cut.resize(PeWriter::kSectionOffset + (menuRva - PeWriter::kSectionRva));
  Load(cut);
  SelectResource(0);
  form.ViewItemStructureMenuItemClick();
  EXPECT_EQ(structure.StructureListBox->Items(),
            (Lines{"Structure Size = 10 Bytes", kUnableToView}));
}

TEST_F(ItemCommandsTest, JsonCarriesTheResourceRecords) {
  PeWriter w;
  w.AddResources({{uint32_t{14}, uint32_t{1}, 0x409, {1}},
                  {uint32_t{3}, uint32_t{1}, 0x407, {1, 2}},
                  {uint32_t{14}, uint32_t{2}, 0x409, {1}}});
  Load(w.Build());
  JsonSink json(SIZE_MAX);
  form.Report(json);
  const std::string& out = json.Output();
  size_t tree = out.find("\"Resource Tree\"");
  ASSERT_NE(tree, std::string::npos);
  // Groups in order, each record with its group, type, language, RVA, size
  // and offset.
  size_t first = out.find("\"Group\":\"GROUPICON\"", tree);
  size_t second = out.find("\"Group\":\"GROUPICON\"", first + 1);
  size_t icon = out.find("\"Group\":\"ICON\"", tree);
  EXPECT_LT(first, second);
  EXPECT_LT(second, icon);
  EXPECT_NE(out.find("\"Language\":\"1031\"", tree), std::string::npos);
  EXPECT_NE(out.find("\"File Offset\":\"0x", tree), std::string::npos);
  // The text report is the window's view: no such records.
  TextSink text(SIZE_MAX);
  form.Report(text);
  EXPECT_EQ(text.Output().find("Resource Tree"), std::string::npos);
}

}  // namespace
}  // namespace vistrel

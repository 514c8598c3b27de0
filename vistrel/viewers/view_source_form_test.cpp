// The hex view, the go-to dialog and the structure viewer on headless
// widgets.
#include "vistrel/viewers/view_source_form.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_system.h"
#include "ui/headless/headless.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/go_to_address_dlg.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/structure_formats.h"

namespace vistrel {
namespace {

class HexViewTest : public ::testing::Test {
 protected:
  HexViewTest() {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  }
  void Show(size_t length, uint64_t base = 0x400000, uint8_t kind = kNoStructure) {
    view.CaptionText = "Item";
    view.Block = std::span<const uint8_t>(bytes);
    view.BlockLength = static_cast<int32_t>(length);
    view.BaseAddress = base;
    view.StructureKind = kind;
    view.ShowModal();
  }
  // The go-to dialog answers with `text` and OK (or Cancel).
  void AnswerGoTo(const std::string& text, bool ok = true) {
    ui::headless::SetModalScript(*goTo.Form, [this, text, ok](ui::Form&) {
      prefill = goTo.AddressText();
      goTo.SetAddressText(text);
      return ok ? ui::ModalResult::Ok : ui::ModalResult::Cancel;
    });
  }

  std::vector<uint8_t> bytes = std::vector<uint8_t>(4096);
  ui::headless::HeadlessApplication app;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeProcessLauncher launcher;
  TGoToAddressDlg goTo{app};
  TStructureDlg structure{app};
  TDisassemblyDlg disassembly{app};
  TViewSourceForm view{app, {files, launcher}, &goTo, &structure, &disassembly};
  std::string prefill;
};

TEST_F(HexViewTest, ShowingDumpsTheBlockRowByRow) {
  Show(40);
  EXPECT_EQ(view.Form->Caption(), "Vistrel - View Item");
  ui::ListBox* list = view.ViewSourceListbox;
  ASSERT_EQ(list->Count(), 3);
  EXPECT_TRUE(list->Virtual());
  EXPECT_EQ(list->Item(0).substr(0, 12), "0x00400000  ");
  EXPECT_EQ(list->Item(2).substr(0, 12), "0x00400020  ");
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->TopIndex(), 0);
  EXPECT_EQ(view.ColumnsLabel1->Text(), HexHeaderText(HexAlign::Byte));
  EXPECT_EQ(view.ColumnsLabel2->Text(), HexHeaderText(HexAlign::Byte));
  EXPECT_FALSE(view.StructureButton->Visible());
}

TEST_F(HexViewTest, AlignmentRebuildsAndStaysForTheNextShowing) {
  Show(16);
  ui::headless::ChooseItem(*view.AlignRadioGroup, 2);
  EXPECT_EQ(view.ColumnsLabel1->Text(), HexHeaderText(HexAlign::DWord));
  EXPECT_EQ(view.ViewSourceListbox->Item(0).substr(12, 9), "03020100 ");
  Show(16);
  EXPECT_EQ(view.Alignment, HexAlign::DWord);
  EXPECT_EQ(view.ViewSourceListbox->Item(0).substr(12, 9), "03020100 ");
}

TEST_F(HexViewTest, EmptyAndUnreadableBlocks) {
  Show(16);
  ui::headless::ChooseItem(*view.AlignRadioGroup, 1);
  Show(0, 0, kExportEntryStructure);
  EXPECT_EQ(view.ViewSourceListbox->Count(), 0);
  // The header lines keep their last text; the button follows the kind.
  EXPECT_EQ(view.ColumnsLabel1->Text(), HexHeaderText(HexAlign::Word));
  EXPECT_TRUE(view.StructureButton->Visible());
  EXPECT_EQ(view.StructureButton->Text(), "Disassembly...");

  view.Block = std::nullopt;
  view.BlockLength = 16;
  view.ShowModal();
  EXPECT_EQ(view.ViewSourceListbox->Items(), std::vector<std::string>{kUnableToView});
}

TEST_F(HexViewTest, TheDumpStopsWhereTheBytesEnd) {
  // A length that claims more than there is (an entry point near the end).
  Show(1 << 20);
  EXPECT_EQ(view.ViewSourceListbox->Count(), 4096 / 16);
}

TEST_F(HexViewTest, ALargeBlockIsVirtual) {
  std::vector<uint8_t> big(20u << 20, 0x90);
  view.Block = std::span<const uint8_t>(big);
  view.BlockLength = static_cast<int32_t>(big.size());
  view.BaseAddress = 0x10000000;
  view.ShowModal();
  ui::ListBox* list = view.ViewSourceListbox;
  ASSERT_EQ(list->Count(), static_cast<int>(big.size() / 16));
  EXPECT_EQ(list->Item(list->Count() - 1).substr(0, 10), "0x113FFFF0");
  EXPECT_EQ(view.Form->Caption().find("incomplete"), std::string::npos);
}

TEST_F(HexViewTest, GoToPrefillsTheCurrentRowAndSelectsTheFoundRow) {
  Show(256);
  view.SetCurrentRow(3);
  AnswerGoTo("0x00400055");
  view.GoToButtonClick();
  EXPECT_EQ(prefill, "0x00400030");
  EXPECT_EQ(view.CurrentRow, 5);
  EXPECT_EQ(view.ViewSourceListbox->ItemIndex(), 5);
  EXPECT_EQ(view.ViewSourceListbox->TopIndex(), 5);

  // Lower case finds the same row; no match and Cancel change nothing.
  AnswerGoTo("0x0040009a");
  view.GoToButtonClick();
  EXPECT_EQ(view.CurrentRow, 9);
  AnswerGoTo("00400030");
  view.GoToButtonClick();
  EXPECT_EQ(view.CurrentRow, 9);
  AnswerGoTo("0x00400000", false);
  view.GoToButtonClick();
  EXPECT_EQ(view.CurrentRow, 9);
  EXPECT_EQ(prefill, "0x00400090");
}

TEST_F(HexViewTest, GoToAfterAShorterBlockStartsFromTheFirstRow) {
  Show(4096);
  view.SetCurrentRow(200);
  Show(32);
  AnswerGoTo("0x00400010");
  view.GoToButtonClick();
  EXPECT_EQ(prefill, "0x00400000");
  // The last row is never found.
  EXPECT_EQ(view.CurrentRow, 200);
  EXPECT_EQ(view.FindRow("0x00400000"), 0);
}

TEST_F(HexViewTest, OkResetsTheCurrentRow) {
  Show(256);
  AnswerGoTo("0x00400040");
  view.GoToButtonClick();
  view.OKBitBtnClick();
  EXPECT_EQ(view.CurrentRow, 0);
  EXPECT_EQ(view.ViewSourceListbox->ItemIndex(), -1);
  EXPECT_EQ(view.ViewSourceListbox->TopIndex(), 0);
}

TEST_F(HexViewTest, CalculatorStartsOnlyAProgramThatExists) {
  Show(16);
  view.CalculatorPath = [] { return std::string("C:\\WINNT\\calc.exe"); };
  view.CalcButtonClick();
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].Text, kConfigureCalculator);
  EXPECT_EQ(app.messages[0].Icon, ui::MessageIcon::Information);
  EXPECT_TRUE(launcher.started.empty());

  files.files["C:\\WINNT\\calc.exe"] = "MZ";
  launcher.AddProgram("C:\\WINNT\\calc.exe", {});
  view.CalcButtonClick();
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].second, platform::ShowState::Normal);
  EXPECT_EQ(app.messages.size(), 1u);
}

TEST_F(HexViewTest, StructureButtonHandsTheBlockOn) {
  // An accelerator table of two entries and a bit.
  Show(20, 0, kAcceleratorStructure);
  EXPECT_EQ(view.StructureButton->Text(), "Structure...");
  view.StructureButtonClick();
  EXPECT_EQ(structure.Form->Caption(), "Vistrel - View Structure Item");
  auto lines = structure.StructureListBox->Items();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Structure Size = 20 Bytes");
  EXPECT_EQ(lines[1], "AcceleratorEntry[0]");

  bool disassembled = false;
  ui::headless::SetModalScript(*disassembly.Form, [&](ui::Form&) {
    disassembled = true;
    return ui::ModalResult::Ok;
  });
  Show(20, 0, kExportEntryStructure);
  view.StructureButtonClick();
  EXPECT_TRUE(disassembled);
}

TEST(StructureDlg, ABlockOutsideTheFileCannotBeViewed) {
  ui::headless::HeadlessApplication app;
  TStructureDlg dlg(app);
  dlg.CaptionText = "Resource 1";
  dlg.StructureKind = kIconGroupStructure;
  dlg.BlockLength = 20;
  dlg.ShowModal();
  EXPECT_EQ(dlg.StructureListBox->Items(),
            (std::vector<std::string>{"Structure Size = 20 Bytes", kUnableToView}));
}

}  // namespace
}  // namespace vistrel

// The main window's rules on headless widgets, a fake machine and small PE
// files written for each case.
#include "vistrel/browser/vistrel_main_form.h"

#include <gtest/gtest.h>

#include "common/version_info.h"
#include "common/version_info_test_util.h"
#include "dlv_fixtures.h"
#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_system.h"
#ifndef _WIN32
#include "platform/posix/posix_files.h"
#endif
#include "tests/fixtures/pe_writer.h"
#include "ui/headless/headless.h"
#include "vistrel/browser/about_box.h"
#include "vistrel/browser/amplifying_file.h"
#include "vistrel/browser/preferences_dlg.h"
#include "vistrel/browser/report_sink.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/view_source_form.h"

namespace vistrel {
namespace {

using fixtures::PeWriter;
using platform::RegistryRoot;
using Lines = std::vector<std::string>;

std::string Bytes(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

std::string TextReport(TVistrelMainForm& form, size_t limit = SIZE_MAX) {
  TextSink sink(limit);
  form.Report(sink);
  return sink.Output();
}

std::string JsonReport(TVistrelMainForm& form, size_t limit = SIZE_MAX) {
  JsonSink sink(limit);
  form.Report(sink);
  return sink.Output();
}

// A file with exports Foo (3) at 0x1234 and one without a name (7), two
// descriptors of KERNEL32.DLL and a CodeView debug entry.
std::string RichFile(bool pe32plus = false, uint32_t debugType = 2) {
  PeWriter w(pe32plus);
  w.Characteristics = 0x210E;
  uint32_t imports = w.AddImports({{"kernel32.dll", {"GetTickCount", "Sleep"}},
                                   {"user32.dll", {"MessageBoxA"}},
                                   {"KERNEL32.dll", {"ExitProcess"}}});
  (void)imports;
  // Ordinals from 3: 3 -> 0x1234, 4 -> hole, 5, 6 -> none, 7 -> 0x1300.
  w.AddExports("rich.dll", 3, {0x1234, 0, 0, 0, 0x1300}, {{"Foo", 0}});
  w.AddDebugEntry(debugType);
  return Bytes(w.Build());
}

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    env.windowsDirectory = "C:\\WINNT";
    form = std::make_unique<TVistrelMainForm>(app, services(), &disassembly, &preferences);
  }
  BrowserServices services() { return {files, registry, clipboard, env}; }
  void Load(const std::string& path) {
    form->FileName = path;
    form->LoadFile();
  }
  void LoadRich() {
    files.files["C:\\DIR\\RICH.DLL"] = RichFile();
    Load("C:\\DIR\\RICH.DLL");
  }
  void ShowPage(int page) {
    form->VistrelPageControl->SetActivePageIndex(page);
    form->VistrelPageControlChange();
  }

  ui::headless::HeadlessApplication app;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  TDisassemblyDlg disassembly{app};
  TPreferencesDlg preferences{app};
  std::unique_ptr<TVistrelMainForm> form;
};

TEST_F(MainFormTest, CreationState) {
  EXPECT_EQ(form->Form->Caption(), "Vistrel");
  EXPECT_FALSE(form->FileCloseMenuItem->Enabled());
  EXPECT_FALSE(form->EditMenu->Enabled());
  EXPECT_FALSE(form->ViewMenu->Enabled());
  EXPECT_TRUE(form->HexMode);
  EXPECT_EQ(form->CalculatorPath, "C:\\WINNT\\calc.exe");
  EXPECT_EQ(form->ActivePage(), kFileHeaderPage);
  EXPECT_TRUE(form->Form->AcceptsFiles());
  EXPECT_EQ(form->ResourceSection->ResourceTreeView->ImageList(),
            (std::vector<int>{101, 106, 105, 104, 108, 109, 107, 110, 111, 102}));
  EXPECT_EQ(form->VistrelPageControl->PageCount(), 7);
  EXPECT_EQ(form->Pages[kDebugPage]->Text(), "Debug Section");
  EXPECT_EQ(form->FileLoadMenuItem->Shortcut(), "Ctrl+L");
}

// Every control inside its page (416 x 283 inside the 424 x 336 window with
// two rows of tabs) and none over another.
TEST_F(MainFormTest, ControlsFitTheirPagesWithoutOverlap) {
  const ui::Rect page{0, 0, 416, 283};
  for (int p = 0; p < kPageCount; ++p) {
    std::vector<ui::Control*> controls = form->Pages[p]->Children();
    for (size_t i = 0; i < controls.size(); ++i) {
      ui::Rect r = controls[i]->Bounds();
      SCOPED_TRACE(controls[i]->Name());
      EXPECT_GE(r.Left, page.Left);
      EXPECT_GE(r.Top, page.Top);
      EXPECT_LE(r.Left + r.Width, page.Width - 4);
      EXPECT_LE(r.Top + r.Height, page.Height - 2);
      for (size_t j = 0; j < i; ++j) {
        ui::Rect o = controls[j]->Bounds();
        bool apart = r.Left >= o.Left + o.Width || o.Left >= r.Left + r.Width ||
                     r.Top >= o.Top + o.Height || o.Top >= r.Top + r.Height;
        EXPECT_TRUE(apart) << "over " << controls[j]->Name();
      }
    }
  }
  // The wide optional header values and the longest label have their room
  // (measured under Wine: 99 and 114 pixels of text).
  auto width = [&](const char* name) {
    return form->Pages[kOptionalHeaderPage]->FindControl(name)->Bounds().Width;
  };
  EXPECT_GE(width("ImageBaseEdit"), 110);
  EXPECT_GE(width("SizeOfUninitializedDataEditLabel"), 122);
  for (const char* name : {"StackReserveEdit", "StackCommitEdit", "HeapCommitEdit", "ChecksumEdit",
                           "SectionAlignmentEdit"}) {
    EXPECT_GE(width(name), 64) << name;
  }
}

TEST_F(MainFormTest, FileHeaderPage) {
  LoadRich();
  EXPECT_EQ(form->Form->Caption(), "Vistrel - RICH.DLL");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "NT");
  EXPECT_EQ(form->FileHeader->MachineEdit->Text(), "Intel 386");
  EXPECT_EQ(form->FileHeader->NumberOfSectionsEdit1->Text(), "1");
  EXPECT_EQ(form->FileHeader->FileTimeDateStampEdit->Text(), "0x5F5E1000");
  EXPECT_EQ(form->FileHeader->SizeOfOptionalHeaderEdit->Text(), "0x00E0");
  EXPECT_EQ(form->FileHeader->FileCharacteristicsRawEdit->Text(), "0x210E");
  EXPECT_EQ(form->FileHeader->FileCharacteristicsListBox->Items(),
            (Lines{"File is executable.", "Line numbers stripped from file.",
                   "Local symbols stripped from file.", "32 bit word machine.", "File is a DLL."}));
  EXPECT_TRUE(form->FileCloseMenuItem->Enabled());
  EXPECT_TRUE(form->ViewMenu->Enabled());
}

TEST_F(MainFormTest, OptionalHeaderInBothModesAndModeToggleKeepsThePage) {
  LoadRich();
  EXPECT_EQ(form->OptionalHeader->MagicEdit->Text(), "0x010B");
  EXPECT_EQ(form->OptionalHeader->ImageBaseEdit->Text(), "0x10000000");
  EXPECT_EQ(form->OptionalHeader->BaseOfCodeEdit->Text(), "0x00001000");
  EXPECT_EQ(form->OptionalHeader->BaseOfDataEdit->Text(), "0x00001000");
  EXPECT_EQ(form->OptionalHeader->SectionAlignmentEdit->Text(), "0x00001000");
  EXPECT_EQ(form->OptionalHeader->SubsystemEdit->Text(), "Windows GUI subsystem.");
  EXPECT_EQ(form->OptionalHeader->ModuleEntryPointEdit->Text(), "0x00001000");
  EXPECT_EQ(form->OptionalHeader->MajorLinkerVersionEdit->Text(), "14");
  ShowPage(kOptionalHeaderPage);
  form->ViewModeMenuItemClick();
  EXPECT_FALSE(form->HexMode);
  EXPECT_EQ(form->ActivePage(), kOptionalHeaderPage);
  EXPECT_EQ(form->OptionalHeader->SectionAlignmentEdit->Text(), "4096");
  EXPECT_EQ(form->FileHeader->SizeOfOptionalHeaderEdit->Text(), "224");
  EXPECT_EQ(form->OptionalHeader->ImageBaseEdit->Text(), "0x10000000");  // fixed format
  EXPECT_EQ(form->FileHeader->FileCharacteristicsRawEdit->Text(), "0x210E");
  form->ViewMenuClick();
  EXPECT_EQ(form->ViewModeMenuItem->Caption(), "Hex Mode");
  form->ViewModeMenuItemClick();
  form->ViewMenuClick();
  EXPECT_EQ(form->ViewModeMenuItem->Caption(), "Decimal Mode");
}

TEST_F(MainFormTest, Pe32PlusShowsTheWideFields) {
  files.files["X64.DLL"] = RichFile(true);
  Load("X64.DLL");
  EXPECT_EQ(form->OptionalHeader->MagicEdit->Text(), "0x020B");
  EXPECT_EQ(form->OptionalHeader->ImageBaseEdit->Text(), "0x0000000180000000");
  EXPECT_EQ(form->OptionalHeader->BaseOfDataEdit->Text(), "");
  EXPECT_EQ(form->OptionalHeader->SubsystemEdit->Text(), "Windows GUI subsystem.");
  EXPECT_EQ(form->FileHeader->SizeOfOptionalHeaderEdit->Text(), "0x00F0");
  EXPECT_TRUE(form->Model.Is64Bit);
}

TEST_F(MainFormTest, SectionsAndTheCodeDelta) {
  LoadRich();
  EXPECT_EQ(form->SectionHeaders->SectionHeadersListBox->Items(), (Lines{".data"}));
  EXPECT_EQ(form->SectionHeaders->SectionHeadersListBox->ItemIndex(), 0);
  EXPECT_EQ(form->SectionHeaders->VirtualAddressEdit->Text(), "0x00001000");
  EXPECT_EQ(form->SectionHeaders->PointerToRawDataEdit->Text(), "0x00000200");
  EXPECT_EQ(form->SectionHeaders->SectionCharacteristicsEdit->Text(), "0xC0000040");
  EXPECT_EQ(form->SectionHeaders->SectionCharacteristicsListBox->Items(),
            (Lines{"Contains initialized data", "Readable", "Writeable"}));
  EXPECT_EQ(form->Model.CodeSectionName, ".data");
  EXPECT_EQ(form->Model.CodeDelta, 0xE00);
}

TEST_F(MainFormTest, ExportLinesEntryPointsAndSortedLookup) {
  LoadRich();
  EXPECT_EQ(form->ExportSection->NumberOfExportedFunctionsEdit->Text(), "2");
  EXPECT_EQ(form->ExportSection->ExportSectionListBox->Items(), (Lines{"Foo (3)", "(7)"}));
  EXPECT_EQ(form->ExportSection->EntryPointEdit->Text(), "0x00000434");  // 0x1234 - 0xE00
  form->ExportSection->ExportSectionListBox->SetItemIndex(1);
  form->ExportSectionListBoxClick();
  EXPECT_EQ(form->ExportSection->EntryPointEdit->Text(), "0x00000500");
  EXPECT_TRUE(form->ExportSection->DisassembleButton->Enabled());

  ShowPage(kExportPage);
  form->ViewSortedMenuItemClick();
  EXPECT_TRUE(form->SortedFlag);
  EXPECT_EQ(form->ExportSection->ExportSectionListBox->Items(), (Lines{"(7)", "Foo (3)"}));
  EXPECT_EQ(form->ExportSection->ExportSectionListBox->ItemIndex(), 0);
  EXPECT_EQ(form->ExportSection->EntryPointEdit->Text(), "0x00000500");  // the record of "(7)"
  form->ExportSection->ExportSectionListBox->SetItemIndex(1);
  form->ExportSectionListBoxClick();
  EXPECT_EQ(form->ExportSection->EntryPointEdit->Text(), "0x00000434");
  ASSERT_NE(form->ExportOfLine(1), nullptr);
  EXPECT_EQ(form->ExportOfLine(1)->EntryRva, 0x1234u);
  EXPECT_EQ(form->ExportOfLine(5), nullptr);
}

TEST_F(MainFormTest, ImportOccurrencesFollowTheSelectedLine) {
  LoadRich();
  EXPECT_EQ(form->ImportSection->ImportModuleListBox->Items(),
            (Lines{"KERNEL32.DLL", "USER32.DLL", "KERNEL32.DLL"}));
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Items(),
            (Lines{"GetTickCount", "Sleep"}));
  form->ImportSection->ImportModuleListBox->SetItemIndex(2);
  form->ImportModuleListBoxClick();
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Items(), (Lines{"ExitProcess"}));
  form->ImportSection->ImportModuleListBox->SetItemIndex(1);
  form->ImportModuleListBoxClick();
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Items(), (Lines{"MessageBoxA"}));
}

TEST_F(MainFormTest, DebugTypeLine) {
  LoadRich();
  EXPECT_EQ(form->DebugSection->DebugTypeListBox->Items(), (Lines{"CodeView"}));
  files.files["T0.DLL"] = RichFile(false, 0);
  Load("T0.DLL");
  EXPECT_EQ(form->DebugSection->DebugTypeListBox->Items(), (Lines{"Unknown"}));
  files.files["T9.DLL"] = RichFile(false, 9);
  Load("T9.DLL");
  EXPECT_TRUE(form->DebugSection->DebugTypeListBox->Items().empty());
  EXPECT_FALSE(form->DebugSection->DebugPointerToDataEdit->Text().empty());
}

TEST_F(MainFormTest, TheStampsDateDllCharacteristicsAndTheCodeViewRecord) {
  PeWriter w(true);
  w.DllCharacteristics = 0x8160;
  // The first entry is not CodeView: the record is found further on.
  w.AddDebugEntries({13, 2}, "D:\\build\\rich.pdb");
  files.files["CV.DLL"] = Bytes(w.Build());
  Load("CV.DLL");
  EXPECT_EQ(form->FileHeader->TimeDateStampDateEdit->Text(), "2020-09-13 12:26:40 UTC");
  EXPECT_EQ(form->OptionalHeader->DllCharacteristicsEdit->Text(), "0x8160");
  EXPECT_EQ(form->OptionalHeader->DllCharacteristicsNamesEdit->Text(),
            "High-entropy VA, ASLR, DEP, TS aware");
  DebugPage& debug = *form->DebugSection;
  EXPECT_TRUE(debug.DebugTypeListBox->Items().empty());  // type 13 has no name
  EXPECT_EQ(debug.CodeViewEdit->Text(), "RSDS");
  EXPECT_EQ(debug.PdbFileEdit->Text(), "D:\\build\\rich.pdb");
  EXPECT_EQ(debug.PdbGuidEdit->Text(), "{04030201-0605-0807-090A-0B0C0D0E0F10}");
  EXPECT_EQ(debug.PdbAgeEdit->Text(), "3");
  // The report has them where the page has them.
  std::string report = TextReport(*form);
  EXPECT_NE(report.find("Time/Date Stamp 0x5F5E1000 2020-09-13 12:26:40 UTC\n"), std::string::npos);
  EXPECT_NE(report.find("DLL Characteristics: 0x8160 High-entropy VA, ASLR, DEP, TS aware\n"),
            std::string::npos);
  EXPECT_NE(report.find("PDB File: D:\\build\\rich.pdb\n"), std::string::npos);

  // A file without the record: the fields are empty again, not left over.
  LoadRich();
  EXPECT_EQ(debug.DebugTypeListBox->Items(), (Lines{"CodeView"}));
  EXPECT_EQ(debug.CodeViewEdit->Text(), "");
  EXPECT_EQ(debug.PdbFileEdit->Text(), "");
  EXPECT_EQ(form->OptionalHeader->DllCharacteristicsNamesEdit->Text(), "");
}

TEST_F(MainFormTest, Win16AndDosFilesShowTheMessageAndNothingElse) {
  files.files["OLD.EXE"] = Bytes(fixtures::FileWithSignature("NE"));
  Load("OLD.EXE");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "Win16");
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].Text, "Unable to handle this file type!");
  EXPECT_EQ(app.messages[0].Caption, "Vistrel");
  EXPECT_EQ(app.messages[0].Buttons, ui::MessageButtons::OkCancel);
  EXPECT_EQ(form->FileHeader->MachineEdit->Text(), "");
  files.files["DOS.EXE"] = Bytes(fixtures::DosFile());
  Load("DOS.EXE");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "DOS");
  EXPECT_EQ(app.messages.size(), 2u);
  files.files["VXD.386"] = Bytes(fixtures::FileWithSignature("LE"));
  Load("VXD.386");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "VXD");
  EXPECT_EQ(app.messages.size(), 2u);
}

TEST_F(MainFormTest, UnreadableFileLeavesCaptionAndEmptyPages) {
  LoadRich();
  Load("C:\\NOWHERE\\GONE.DLL");
  EXPECT_EQ(form->Form->Caption(), "Vistrel - GONE.DLL");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "");
  EXPECT_TRUE(form->ExportSection->ExportSectionListBox->Items().empty());
  EXPECT_TRUE(form->SectionHeaders->SectionHeadersListBox->Items().empty());
  EXPECT_TRUE(form->ViewMenu->Enabled());
  EXPECT_FALSE(form->ExportSection->DisassembleButton->Enabled());
  files.files["EMPTY.DLL"] = "";
  Load("EMPTY.DLL");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "");
}

TEST_F(MainFormTest, LoadReleasesThePreviousFileAndCloseTwiceIsHarmless) {
  LoadRich();
  EXPECT_EQ(files.liveMappings, 1);
  LoadRich();
  EXPECT_EQ(files.liveMappings, 1);
  form->FileCloseMenuItemClick();
  form->FileCloseMenuItemClick();
  EXPECT_EQ(files.liveMappings, 0);
  EXPECT_EQ(form->Form->Caption(), "Vistrel");
  EXPECT_FALSE(form->FileCloseMenuItem->Enabled());
  EXPECT_FALSE(form->ViewMenu->Enabled());
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "");
}

TEST_F(MainFormTest, DropsOfOneFileLoadIt) {
  files.files["A.DLL"] = RichFile();
  form->Form->OnDropFiles({"A.DLL", "B.DLL"});
  EXPECT_EQ(form->Form->Caption(), "Vistrel");
  EXPECT_TRUE(files.opened.empty());
  form->Form->OnDropFiles({"A.DLL"});
  EXPECT_EQ(form->Form->Caption(), "Vistrel - A.DLL");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "NT");
}

TEST_F(MainFormTest, LoadCommandUsesTheOpenDialog) {
  files.files["C:\\X\\PICKED.DLL"] = RichFile();
  form->FileLoadMenuItemClick();  // cancelled
  EXPECT_EQ(form->Form->Caption(), "Vistrel");
  app.openFileAnswers.push_back(std::string("C:\\X\\PICKED.DLL"));
  form->FileLoadMenuItem->Click();
  EXPECT_EQ(form->Form->Caption(), "Vistrel - PICKED.DLL");
  EXPECT_EQ(app.openFileRequests.back().Filter, kLoadFilter);
}

TEST_F(MainFormTest, EditMenuRulesAndClipboard) {
  LoadRich();
  ShowPage(kSectionHeadersPage);
  EXPECT_FALSE(form->EditMenu->Enabled());
  ShowPage(kExportPage);
  EXPECT_TRUE(form->EditMenu->Enabled());
  form->EditMenuClick();
  EXPECT_TRUE(form->EditCopyMenuItem->Enabled());
  form->EditCopyMenuItemClick();
  EXPECT_EQ(clipboard.contents, "Foo (3)\r\n(7)\r\n");
  ShowPage(kImportPage);
  EXPECT_TRUE(form->EditMenu->Enabled());
  form->EditCopyMenuItemClick();
  EXPECT_EQ(clipboard.contents, "KERNEL32.DLL\r\nGetTickCount\r\nSleep\r\n");
  form->EditClearMenuItemClick();
  EXPECT_FALSE(clipboard.contents.has_value());

  // No exports: Copy is offered on the import page only.
  PeWriter w;
  files.files["NOEXP.DLL"] = Bytes(w.Build());
  Load("NOEXP.DLL");
  ShowPage(kExportPage);
  form->EditMenuClick();
  EXPECT_FALSE(form->EditCopyMenuItem->Enabled());
  ShowPage(kImportPage);
  form->EditMenuClick();
  EXPECT_TRUE(form->EditCopyMenuItem->Enabled());
}

TEST_F(MainFormTest, CopyDoesNotCutLongText) {
  PeWriter w;
  std::vector<uint32_t> functions(3000, 0x1100);
  std::vector<std::pair<std::string, uint16_t>> names;
  for (uint16_t i = 0; i < 3000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%05u", i);
    names.emplace_back(std::string(name) + std::string(300, 'x'), i);
  }
  w.AddExports("big.dll", 1, functions, names);
  files.files["BIG.DLL"] = Bytes(w.Build());
  Load("BIG.DLL");
  ShowPage(kExportPage);
  form->EditCopyMenuItemClick();
  ASSERT_TRUE(clipboard.contents.has_value());
  EXPECT_GT(clipboard.contents->size(), 65000u);
  EXPECT_EQ(clipboard.contents->size(), 3000u * (306 + 5) + 9 * 1 + 90 * 2 + 900 * 3 + 2001 * 4);
}

TEST_F(MainFormTest, MenuUpdatePerPage) {
  LoadRich();
  ShowPage(kFileHeaderPage);
  form->VistrelPopupMenuPopup();
  EXPECT_TRUE(form->ViewItemFileMenuItem->Visible());
  EXPECT_TRUE(form->ViewItemStructureMenuItem->Visible());
  EXPECT_FALSE(form->ViewItemImageMenuItem->Visible());
  EXPECT_TRUE(form->PopupSeparator->Visible());
  EXPECT_TRUE(form->ViewModeMenuItem->Enabled());
  EXPECT_FALSE(form->ViewSortedMenuItem->Enabled());
  EXPECT_TRUE(form->ViewItemMenuItem->Enabled());

  ShowPage(kSectionHeadersPage);
  form->ViewMenuClick();
  EXPECT_TRUE(form->PopupFileOffsetMenuItem->Visible());
  EXPECT_FALSE(form->PopupStructureMenuItem->Visible());

  ShowPage(kImportPage);
  form->ViewMenuClick();
  EXPECT_FALSE(form->ViewModeMenuItem->Enabled());
  EXPECT_FALSE(form->PopupModeMenuItem->Enabled());
  EXPECT_TRUE(form->ViewSortedMenuItem->Enabled());
  EXPECT_FALSE(form->ViewItemMenuItem->Enabled());
  EXPECT_FALSE(form->PopupSeparator->Visible());
  EXPECT_FALSE(form->PopupFileOffsetMenuItem->Visible());

  ShowPage(kExportPage);
  form->ViewSortedMenuItemClick();
  form->ViewMenuClick();
  EXPECT_TRUE(form->ViewSortedMenuItem->Checked());
  EXPECT_TRUE(form->PopupSortedMenuItem->Checked());
  EXPECT_TRUE(form->ViewItemFileMenuItem->Visible());
  EXPECT_TRUE(form->ViewItemMenuItem->Enabled());

  ShowPage(kResourcePage);
  form->ViewMenuClick();
  EXPECT_FALSE(form->ViewItemMenuItem->Enabled());  // nothing selected
  EXPECT_FALSE(form->PopupSeparator->Visible());

  ShowPage(kDebugPage);
  form->ViewMenuClick();
  EXPECT_FALSE(form->ViewItemMenuItem->Enabled());
  EXPECT_FALSE(form->ViewSortedMenuItem->Enabled());

  PeWriter w;
  files.files["NOEXP.DLL"] = Bytes(w.Build());
  Load("NOEXP.DLL");
  ShowPage(kExportPage);
  form->ViewMenuClick();
  EXPECT_FALSE(form->ViewItemMenuItem->Enabled());
  EXPECT_FALSE(form->PopupSeparator->Visible());
}

TEST_F(MainFormTest, SettingsAtShowAndAtClose) {
  registry.WriteDword(RegistryRoot::CurrentUser, kOlderSettingsKey, "Mode", 0);
  registry.WriteDword(RegistryRoot::CurrentUser, kOlderSettingsKey, "TabSheet", 4);
  registry.WriteString(RegistryRoot::CurrentUser, kOlderSettingsKey, "Calculator", "D:\\C.EXE");
  form->Form->Show();
  EXPECT_FALSE(form->HexMode);
  EXPECT_EQ(form->ActivePage(), kExportPage);
  EXPECT_TRUE(form->EditMenu->Enabled());
  EXPECT_EQ(form->CalculatorPath, "D:\\C.EXE");
  form->VistrelPageControl->SetActivePageIndex(2);
  form->Form->Close();
  EXPECT_FALSE(form->Form->AcceptsFiles());
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, kOlderSettingsKey));
  EXPECT_EQ(registry.ReadDword(RegistryRoot::CurrentUser, kSettingsKey, "TabSheet"), 2u);
  EXPECT_EQ(registry.ReadDword(RegistryRoot::CurrentUser, kSettingsKey, "Mode"), 0u);
  EXPECT_EQ(registry.ReadString(RegistryRoot::CurrentUser, kSettingsKey, "Calculator"),
            "D:\\C.EXE");
}

TEST_F(MainFormTest, ClearedCheckBoxSavesOnlyTheCalculator) {
  form->Form->Show();
  preferences.SaveSettingsCheckBox->SetChecked(false);
  form->HexMode = false;
  form->Form->Close();
  EXPECT_FALSE(registry.ReadDword(RegistryRoot::CurrentUser, kSettingsKey, "Mode").has_value());
  EXPECT_EQ(registry.ReadString(RegistryRoot::CurrentUser, kSettingsKey, "Calculator"),
            "C:\\WINNT\\calc.exe");
}

TEST_F(MainFormTest, AutomationLoadRefusesCloseUntilShutDown) {
  files.files["C:\\A\\AUTO.DLL"] = RichFile();
  form->Form->Show();
  form->AutomationLoad("C:\\A\\AUTO.DLL");
  EXPECT_EQ(form->Form->Caption(), "Vistrel - AUTO.DLL");
  EXPECT_FALSE(form->FileExitMenuItem->Enabled());
  form->Form->Close();
  EXPECT_TRUE(form->Form->Showing());
  form->FileExitMenuItemClick();
  EXPECT_TRUE(form->Form->Showing());
  form->AutomationShutDown();
  EXPECT_FALSE(form->Form->Showing());
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::CurrentUser, kSettingsKey));
}

TEST_F(MainFormTest, PreferencesDialog) {
  form->CalculatorPath = "c:\\winnt\\calc.exe";
  ui::headless::SetModalScript(*preferences.Form, [&](ui::Form&) {
    EXPECT_EQ(preferences.CalculatorEdit->Text(), "C:\\WINNT\\CALC.EXE");
    app.openFileAnswers.push_back(std::string("d:\\tools\\mycalc.exe"));
    preferences.BrowseButton->Click();
    return ui::ModalResult::Ok;
  });
  form->FilePreferencesMenuItemClick();
  EXPECT_EQ(form->CalculatorPath, "D:\\TOOLS\\MYCALC.EXE");
  EXPECT_EQ(app.openFileRequests.back().Title, "Find Another Calculator:");
  EXPECT_TRUE(app.openFileRequests.back().HideReadOnly);

  ui::headless::SetModalScript(*preferences.Form, [&](ui::Form&) {
    preferences.CalculatorEdit->SetText("X.EXE");
    return ui::ModalResult::Cancel;
  });
  form->FilePreferencesMenuItemClick();
  EXPECT_EQ(form->CalculatorPath, "D:\\TOOLS\\MYCALC.EXE");

  ui::headless::SetModalScript(*preferences.Form, [&](ui::Form&) {
    preferences.CalculatorEdit->SetText(std::string(400, 'p'));
    return ui::ModalResult::Ok;
  });
  form->FilePreferencesMenuItemClick();
  EXPECT_EQ(form->CalculatorPath.size(), 259u);
}

TEST_F(MainFormTest, DisassemblyDialogFromTheExportPage) {
  LoadRich();
  std::string caption;
  size_t lines = 0;
  ui::headless::SetModalScript(*disassembly.Form, [&](ui::Form& f) {
    caption = f.Caption();
    lines = disassembly.DisassemblyListBox->Items().size();
    return ui::ModalResult::Ok;
  });
  form->DisassembleButtonClick();
  EXPECT_EQ(caption, "Export Entry Point - Foo (3) - 0x10001234");
  EXPECT_EQ(lines, 20u);
  EXPECT_EQ(disassembly.CodeOffset, 0x1234u);
  EXPECT_EQ(disassembly.Bits, 32);

  form->ExportSection->ExportSectionListBox->SetItemIndex(-1);
  caption.clear();
  form->DisassembleButtonClick();
  EXPECT_EQ(caption, "");
}

TEST_F(MainFormTest, AmplifyingFileIsBoundedByItsSize) {
  std::vector<uint8_t> file = testfiles::AmplifyingFile();
  ASSERT_LT(file.size(), 30000u);
  files.files["AMP.DLL"] = Bytes(file);
  Load("AMP.DLL");
  ASSERT_EQ(form->ImportSection->ImportModuleListBox->Count(), 1025);
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Count(), 40);
  const size_t limit = TextLimit(file.size());
  const std::string rest = std::string(kRestLeftOut) + "\n";
  std::string text = TextReport(*form, limit);
  EXPECT_GT(text.size(), limit - 8192);
  EXPECT_LE(text.size(), limit + rest.size());
  EXPECT_EQ(text.substr(text.size() - rest.size()), rest);
  std::string json = JsonReport(*form, limit);
  EXPECT_LE(json.size(), limit + 200);
  EXPECT_NE(json.find("\"Left Out\":"), std::string::npos);
  EXPECT_EQ(json.back(), '}');
  // The walk put the selection back.
  EXPECT_EQ(form->ImportSection->ImportModuleListBox->ItemIndex(), 0);
  EXPECT_TRUE(app.errors.empty());

  // The window's lists obey the same bound: a tiny file of long lines.
  form->Model.ListLimit = 3 * (4095 + 2);
  form->ImportSection->ImportModuleListBox->SetItemIndex(1);
  form->ImportModuleListBoxClick();
  Lines functions = form->ImportSection->ImportedFunctionsListBox->Items();
  ASSERT_EQ(functions.size(), 4u);
  EXPECT_EQ(functions[2], std::string(4095, 'f'));
  EXPECT_EQ(functions[3], kRestLeftOut);
}

// Descriptors sharing one 4,095-character module name: the report counts
// each line's occurrence as it goes instead of comparing the lines above.
TEST_F(MainFormTest, SharedLongModuleNamesReportInLinearTime) {
  files.files["LONG.DLL"] = Bytes(testfiles::AmplifyingFile(1025, 1, std::string(4095, 'm')));
  Load("LONG.DLL");
  ASSERT_EQ(form->ImportSection->ImportModuleListBox->Count(), 1025);
  std::string json = JsonReport(*form);  // unbounded: every module is walked
  // Each line looked up, but for the one past the 1,024 lookups a report makes.
  size_t unlooked = json.find("\"Functions\":null");
  ASSERT_NE(unlooked, std::string::npos);
  EXPECT_EQ(json.find("\"Functions\":null", unlooked + 1), std::string::npos);
  // A later line shows its own descriptor's functions. (The library gives a
  // file names worth at most four times its size plus 64 KB: lines past that
  // are empty and show none.)
  form->ImportSection->ImportModuleListBox->SetItemIndex(20);
  form->ImportModuleListBoxClick();
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Count(), 1);
  EXPECT_EQ(form->ImportSection->ImportModuleListBox->Item(1024), "");
  form->ImportSection->ImportModuleListBox->SetItemIndex(1024);
  form->ImportModuleListBoxClick();
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Count(), 0);
}

TEST_F(MainFormTest, ExportsPastTheBoundCannotBeChosen) {
  PeWriter w;
  std::vector<std::pair<std::string, uint16_t>> names;
  for (uint16_t i = 0; i < 5; ++i) names.emplace_back("Export" + std::to_string(i), i);
  w.AddExports("five.dll", 1, std::vector<uint32_t>(5, 0x1100), names);
  files.files["FIVE.DLL"] = Bytes(w.Build());
  Load("FIVE.DLL");
  ASSERT_EQ(form->ExportSection->ExportSectionListBox->Count(), 5);
  form->Model.ListLimit = 2 * (11 + 2);  // "Export0 (1)" and one more
  form->ExportSection->Fill();
  EXPECT_EQ(form->ExportSection->ExportSectionListBox->Items(),
            (Lines{"Export0 (1)", "Export1 (2)", kRestLeftOut}));
  EXPECT_EQ(form->ExportSection->ExportList.size(), 2u);
  ASSERT_NE(form->ExportOfLine(1), nullptr);
  EXPECT_EQ(form->ExportOfLine(2), nullptr);
}

TEST_F(MainFormTest, AFileTheUserOpensThatCannotBeOpenedSaysWhy) {
  form->Form->OnDropFiles({"C:\\NOWHERE\\GONE.DLL"});
  EXPECT_EQ(form->Form->Caption(), "Vistrel - GONE.DLL");
  EXPECT_EQ(app.errors, (Lines{"The system cannot find the file specified."}));
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "");
  app.openFileAnswers.push_back(std::string("C:\\NOWHERE\\LOST.DLL"));
  form->FileLoadMenuItem->Click();
  EXPECT_EQ(form->Form->Caption(), "Vistrel - LOST.DLL");
  EXPECT_EQ(app.errors.size(), 2u);
  // A file that opens says nothing.
  LoadRich();
  form->Form->OnDropFiles({"C:\\DIR\\RICH.DLL"});
  EXPECT_EQ(app.errors.size(), 2u);
}

TEST_F(MainFormTest, AutomationLoadOfAFileThatCannotBeOpenedFails) {
  try {
    form->AutomationLoad("C:\\NOWHERE\\GONE.DLL");
    ADD_FAILURE() << "Load succeeded";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "The system cannot find the file specified.");
  }
  EXPECT_EQ(form->Form->Caption(), "Vistrel - GONE.DLL");
  EXPECT_TRUE(app.errors.empty());  // the caller reports it, not the window
  EXPECT_TRUE(form->AutomationFlag);
}

TEST_F(MainFormTest, AutomationLoadOfA16BitFileReturnsBeforeTheMessage) {
  files.files["OLD.EXE"] = Bytes(fixtures::FileWithSignature("NE"));
  form->AutomationLoad("OLD.EXE");
  EXPECT_EQ(form->FileHeader->ImageTypeEdit->Text(), "Win16");
  EXPECT_TRUE(app.messages.empty());
  app.ProcessMessages();
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].Text, kUnableToHandle);
  // Loaded by the user, the box comes at once.
  Load("OLD.EXE");
  EXPECT_EQ(app.messages.size(), 2u);
}

TEST_F(MainFormTest, LastAutomationReleaseMakesAUserStartedWindowClosable) {
  LoadRich();
  form->Form->Show();
  form->AutomationLoad("C:\\DIR\\RICH.DLL");
  EXPECT_FALSE(form->FileExitMenuItem->Enabled());
  form->AutomationLastRelease(false);
  EXPECT_TRUE(form->FileExitMenuItem->Enabled());
  EXPECT_TRUE(form->Form->Showing());
  form->FileExitMenuItemClick();
  EXPECT_FALSE(form->Form->Showing());
  EXPECT_TRUE(app.messages.empty());  // nobody was asked

  TVistrelMainForm oleStarted(app, services());
  oleStarted.Form->Show();
  oleStarted.AutomationLoad("C:\\DIR\\RICH.DLL");
  oleStarted.AutomationLastRelease(true);
  EXPECT_FALSE(oleStarted.Form->Showing());
}

TEST_F(MainFormTest, ClosingAWindowAutomationHoldsAsksTheUser) {
  LoadRich();
  form->Form->Show();
  form->AutomationLoad("C:\\DIR\\RICH.DLL");
  app.messageAnswers.push_back(ui::ModalResult::No);
  form->Form->Close();
  EXPECT_TRUE(form->Form->Showing());
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].Text, kCloseWhileAutomated);
  EXPECT_EQ(app.messages[0].Caption, "Vistrel");
  EXPECT_EQ(app.messages[0].Buttons, ui::MessageButtons::YesNo);
  app.messageAnswers.push_back(ui::ModalResult::Yes);
  form->Form->Close();
  EXPECT_FALSE(form->Form->Showing());
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::CurrentUser, kSettingsKey));
}

// A clipboard that runs out of memory.
class ExhaustedClipboard : public platform::fake::FakeClipboard {
 public:
  bool SetText(const std::string&) override { throw std::bad_alloc(); }
};

TEST_F(MainFormTest, RunningOutOfMemoryIsAnErrorReport) {
  ExhaustedClipboard exhausted;
  TVistrelMainForm f(app, {files, registry, exhausted, env});
  files.files["RICH.DLL"] = RichFile();
  f.FileName = "RICH.DLL";
  f.LoadFile();
  f.VistrelPageControl->SetActivePageIndex(kExportPage);
  f.EditCopyMenuItem->Click();
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], std::bad_alloc().what());
}

TEST_F(MainFormTest, ResourceTreeGroupsByTypeInFirstOccurrenceOrder) {
  PeWriter w;
  w.AddResources({{uint32_t{14}, uint32_t{1}, 0x409, {1}},
                  {uint32_t{3}, uint32_t{1}, 0x409, {1, 2}},
                  {uint32_t{3}, uint32_t{2}, 0x409, {1, 2, 3}},
                  {uint32_t{17}, uint32_t{5}, 0, {1}},
                  {uint32_t{240}, uint32_t{6}, 0, {1}},
                  {uint32_t{16}, uint32_t{1}, 0x409, {1, 2, 3, 4}}});
  files.files["RES.DLL"] = Bytes(w.Build());
  Load("RES.DLL");
  ResourcePage& page = *form->ResourceSection;
  EXPECT_EQ(page.NumberOfResourcesEdit->Text(), "6");
  ui::TreeView* tree = page.ResourceTreeView;
  std::vector<ui::TreeNode> groups = tree->Children(ui::kNoNode);
  Lines texts;
  for (ui::TreeNode g : groups) texts.push_back(tree->NodeText(g));
  EXPECT_EQ(texts, (Lines{"GROUPICON", "ICON", " (17)", "VERSION"}));
  EXPECT_EQ(tree->Children(groups[2]).size(), 2u);  // 17 and 240 share it
  EXPECT_EQ(tree->NodeImageIndex(groups[0]), 9);
  ui::TreeNode icon = tree->Children(groups[1])[1];
  EXPECT_EQ(tree->NodeText(icon), "2");
  EXPECT_EQ(tree->NodeImageIndex(icon), 6);
  EXPECT_EQ(tree->NodeData(groups[0]), -1);

  tree->SetSelected(icon);
  form->ResourceTreeViewClick();
  EXPECT_EQ(page.ResourceSizeOfResourceEdit->Text(), "0x00000003");
  EXPECT_EQ(page.ResourceOffsetToDataEdit->Text().rfind("0x", 0), 0u);
  ShowPage(kResourcePage);
  form->ViewMenuClick();
  EXPECT_TRUE(form->ViewItemMenuItem->Enabled());
  EXPECT_TRUE(form->ViewItemImageMenuItem->Visible());
  tree->SetSelected(groups[0]);
  form->ResourceTreeViewClick();
  EXPECT_EQ(page.ResourceSizeOfResourceEdit->Text(), "");
  form->ViewMenuClick();
  EXPECT_FALSE(form->ViewItemMenuItem->Enabled());
}

TEST(DisassemblyDlg, CodeOutsideTheImageCannotBeViewed) {
  ui::headless::HeadlessApplication app;
  TDisassemblyDlg dlg(app);
  std::vector<uint8_t> bytes(16, 0x90);
  dlg.CaptionText = "Export Entry Point - (7)";
  dlg.Code = bytes;
  dlg.CodeOffset = 16;
  dlg.CodeAddress = 0x401010;
  dlg.FormShow();
  EXPECT_EQ(dlg.Form->Caption(), "Export Entry Point - (7) - 0x00401010");
  EXPECT_EQ(dlg.DisassemblyListBox->Items(), (Lines{"*** Unable to view this item ***"}));
  dlg.CodeOffset = 0;
  dlg.Bits = 64;
  dlg.CodeAddress = 0x180001000ull;
  dlg.FormShow();
  EXPECT_EQ(dlg.Form->Caption(), "Export Entry Point - (7) - 0x0000000180001000");
  EXPECT_EQ(dlg.DisassemblyListBox->Count(), 20);
}

TEST_F(MainFormTest, ReportNamesEveryPage) {
  LoadRich();
  std::string text = TextReport(*form), json = JsonReport(*form);
  for (const char* page : {"File Header", "Optional Header", "Section Headers", "Import Section",
                           "Export Section", "Resource Section", "Debug Section"}) {
    EXPECT_NE(text.find(std::string("== ") + page + " =="), std::string::npos) << page;
    EXPECT_NE(json.find(std::string("\"") + page + "\":"), std::string::npos) << page;
  }
  EXPECT_NE(text.find("Machine: Intel 386\n"), std::string::npos);
  EXPECT_NE(text.find("  Foo (3)  Entry Point: 0x00000434\n"), std::string::npos);
  EXPECT_NE(json.find("\"Image Type:\":\"NT\""), std::string::npos);
  // Walking the lists leaves the selections as they were.
  EXPECT_EQ(form->ImportSection->ImportModuleListBox->ItemIndex(), 0);
  EXPECT_EQ(form->ImportSection->ImportedFunctionsListBox->Items(),
            (Lines{"GetTickCount", "Sleep"}));
}

TEST_F(MainFormTest, ReportShowsEachSectionLineWithItsHeader) {
  PeWriter w;
  w.NumberOfSections = 3;  // ".data", ".extra", ".extra"
  files.files["THREE.DLL"] = Bytes(w.Build());
  Load("THREE.DLL");
  ASSERT_EQ(form->SectionHeaders->SectionHeadersListBox->Items(),
            (Lines{".data", ".extra", ".extra"}));
  std::string text = TextReport(*form);
  size_t at = text.find("  .extra\n    Virtual Address: 0x00011000\n");
  ASSERT_NE(at, std::string::npos);
  // The second line of the same name shows the first one's header again.
  EXPECT_NE(text.find("  .extra\n    Virtual Address: 0x00011000\n", at + 1), std::string::npos);
  EXPECT_EQ(form->SectionHeaders->SectionHeadersListBox->ItemIndex(), 0);
  EXPECT_EQ(form->SectionHeaders->VirtualAddressEdit->Text(), "0x00001000");
}

TEST(ImageLayout, SectionsAtTheirRvasAndHostileSizesRefused) {
  PeWriter w;
  uint32_t rva = w.AddString("entry bytes");
  std::vector<uint8_t> file = w.Build();
  auto layout = ImageLayout::Build(file);
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->ImageBase(), 0x10000000u);
  EXPECT_FALSE(layout->Is64Bit());
  auto bytes = layout->Bytes();
  ASSERT_GT(bytes.size(), rva + 11);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + rva, 11), "entry bytes");
  EXPECT_EQ(bytes[0], 'M');                       // headers at 0
  EXPECT_EQ(bytes[PeWriter::kSectionOffset], 0);  // file offset 0x200 is not RVA 0x200

  // A section whose raw data runs past the file is copied as far as it goes.
  PeWriter cut;
  cut.AddString("x");
  cut.SectionRawSize = 0x100000;
  EXPECT_TRUE(ImageLayout::Build(cut.Build()).has_value());

  std::vector<uint8_t> huge = w.Build();
  // SizeOfImage (optional header + 56) far beyond the limit.
  size_t opt = 0x40 + 24 + 56;
  huge[opt] = 0xFF, huge[opt + 1] = 0xFF, huge[opt + 2] = 0xFF, huge[opt + 3] = 0x7F;
  EXPECT_FALSE(ImageLayout::Build(huge).has_value());
  EXPECT_FALSE(ImageLayout::Build(fixtures::DosFile()).has_value());
  EXPECT_FALSE(ImageLayout::Build(std::vector<uint8_t>{'M', 'Z'}).has_value());

  PeWriter wide(true);
  auto layout64 = ImageLayout::Build(wide.Build());
  ASSERT_TRUE(layout64.has_value());
  EXPECT_TRUE(layout64->Is64Bit());
  EXPECT_EQ(layout64->ImageBase(), 0x180000000ull);
}

TEST(AboutBox, VersionTextsReplaceTheDesignTexts) {
  ui::headless::HeadlessApplication app;
  TAboutBox box(app, "no-such-program.exe");
  box.FormShow();
  EXPECT_EQ(box.Form->Caption(), "About Vistrel");
  EXPECT_EQ(box.VersionLabel->Text(), "Version 4.0.1");  // nothing found: design text
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  box.ProgramPath = DLV_SAMPLE_DLL_X64;
  box.FormShow();
  EXPECT_EQ(box.VersionLabel->Text(), "Version - 1.2.3.4");
  EXPECT_EQ(box.CopyrightLabel1->Text(), "Sample");
  // No LegalCopyright in the sample: the design text stays.
  EXPECT_EQ(box.CopyrightLabel2->Text(), "Copyright (c) Tessaloom. All rights reserved.");
  EXPECT_EQ(box.Form->Caption(), "About Vistrel");
}

// A text longer than the box takes keeps the label's design text; one that
// fits replaces it.
TEST(AboutBox, OverLongTextsKeepTheDesignText) {
  using namespace versioninfo::testing;
  ui::headless::HeadlessApplication app;
  BlockSystem system;
  std::u16string tooLong(versioninfo::kAboutBoxMaxLength + 1, u'x');
  std::u16string fits(versioninfo::kAboutBoxMaxLength, u'y');
  system.Add(
      "VISTREL.EXE",
      Serialize(Block({}, {{"040904E4", {{"ProductName", tooLong}, {"LegalCopyright", fits}}}},
                      {{0x0409, 0x04E4}})));
  TAboutBox box(app, "VISTREL.EXE", &system);
  box.FormShow();
  EXPECT_EQ(box.CopyrightLabel1->Text(), "PE file browser and automation server");
  EXPECT_EQ(box.CopyrightLabel2->Text(), std::string(versioninfo::kAboutBoxMaxLength, 'y'));
  EXPECT_EQ(box.VersionLabel->Text(), "Version 4.0.1");  // no FileVersion text
}

#ifndef _WIN32
TEST(MainFormFixtures, SampleDllBothWidths) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  ui::headless::HeadlessApplication app;
  platform::posix::PosixFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  TVistrelMainForm form(app, {files, registry, clipboard, env});
  for (const char* path : {DLV_SAMPLE_DLL_X86, DLV_SAMPLE_DLL_X64}) {
    form.FileName = path;
    form.LoadFile();
    EXPECT_EQ(form.FileHeader->ImageTypeEdit->Text(), "NT");
    Lines exports = form.ExportSection->ExportSectionListBox->Items();
    EXPECT_NE(std::find(exports.begin(), exports.end(), "SampleAdd (1)"), exports.end());
    EXPECT_NE(std::find(exports.begin(), exports.end(), "(5)"), exports.end());
    EXPECT_EQ(form.DebugSection->DebugTypeListBox->Items(), (Lines{"CodeView"}));
    Lines modules = form.ImportSection->ImportModuleListBox->Items();
    EXPECT_NE(std::find(modules.begin(), modules.end(), "KERNEL32.DLL"), modules.end());
  }
  EXPECT_EQ(form.FileHeader->MachineEdit->Text(), "AMD64 (K8)");

  // The disassembly of an export of the 64-bit sample, from the private image.
  TDisassemblyDlg dlg(app);
  form.DisassemblyDlg = &dlg;
  Lines exports = form.ExportSection->ExportSectionListBox->Items();
  int line = static_cast<int>(std::find(exports.begin(), exports.end(), "SampleAdd (1)") -
                              exports.begin());
  ASSERT_TRUE(form.PrepareDisassembly(line));
  EXPECT_EQ(dlg.Bits, 64);
  dlg.FormShow();
  Lines code = dlg.DisassemblyListBox->Items();
  ASSERT_EQ(code.size(), 20u);
  EXPECT_FALSE(code[0].empty());
  EXPECT_EQ(dlg.Form->Caption().rfind("Export Entry Point - SampleAdd (1) - 0x", 0), 0u);
  form.DisassemblyDlg = nullptr;
  EXPECT_EQ(form.OptionalHeader->ImageBaseEdit->Text().size(), 18u);
}

TEST(MainFormFixtures, AForwardedExportShowsItsForwarderAndNoCode) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  ui::headless::HeadlessApplication app;
  platform::posix::PosixFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  platform::fake::FakeProcessLauncher launcher;
  TDisassemblyDlg dlg(app);
  TViewSourceForm view(app, {files, launcher}, nullptr, nullptr, &dlg);
  TVistrelMainForm form(app, {files, registry, clipboard, env}, &dlg);
  form.ViewSourceForm = &view;
  int disassemblies = 0;
  ui::headless::SetModalScript(*dlg.Form, [&](ui::Form&) {
    ++disassemblies;
    return ui::ModalResult::Ok;
  });
  form.FileName = DLV_SAMPLE_DLL_X64;
  form.LoadFile();
  form.VistrelPageControl->SetActivePageIndex(kExportPage);
  form.VistrelPageControlChange();
  ui::ListBox* list = form.ExportSection->ExportSectionListBox;
  Lines exports = list->Items();
  auto lineOf = [&](const std::string& text) {
    return static_cast<int>(std::find(exports.begin(), exports.end(), text) - exports.begin());
  };
  list->SetItemIndex(lineOf("SampleTickCount (8)"));
  form.ExportSectionListBoxClick();
  EXPECT_EQ(form.ExportSection->EntryPointEdit->Text(), "kernel32.GetTickCount");
  EXPECT_FALSE(form.ExportSection->DisassembleButton->Enabled());
  form.DisassembleButtonClick();
  EXPECT_FALSE(form.PrepareDisassembly(list->ItemIndex()));
  EXPECT_EQ(disassemblies, 0);
  // Its bytes are there to see, without a disassembly to go with them.
  ASSERT_TRUE(form.PrepareFileOffset());
  EXPECT_EQ(view.CaptionText.rfind("Export Forwarder - SampleTickCount (8) - 0x", 0), 0u);
  EXPECT_EQ(view.StructureKind, kNoStructure);
  // A function again: its entry point and its code.
  list->SetItemIndex(lineOf("SampleAdd (1)"));
  form.ExportSectionListBoxClick();
  EXPECT_EQ(form.ExportSection->EntryPointEdit->Text().rfind("0x", 0), 0u);
  EXPECT_TRUE(form.ExportSection->DisassembleButton->Enabled());
  form.DisassembleButtonClick();
  EXPECT_EQ(disassemblies, 1);
  ASSERT_TRUE(form.PrepareFileOffset());
  EXPECT_EQ(view.StructureKind, kExportEntryStructure);
}
#endif

}  // namespace
}  // namespace vistrel

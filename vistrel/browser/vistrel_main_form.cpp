#include "vistrel/browser/vistrel_main_form.h"

#include "contracts/nubrik/nubrik.h"
#include "vistrel/browser/about_box.h"
#include "vistrel/browser/command_ids.h"
#include "vistrel/browser/page_formats.h"
#include "vistrel/browser/preferences_dlg.h"
#include "vistrel/viewers/disassembly_dlg.h"

namespace vistrel {
namespace {

// The browser's heap for the helper library's results starts at this size.
constexpr size_t kHeapInitialSize = 512000;

}  // namespace

std::string ExportEntry::Line() const {
  std::string number = "(" + std::to_string(Ordinal) + ")";
  return Name ? *Name + " " + number : number;
}

TVistrelMainForm::TVistrelMainForm(ui::Application& app, BrowserServices services,
                                   TDisassemblyDlg* disassemblyDlg, TPreferencesDlg* preferencesDlg,
                                   TAboutBox* aboutBox)
    : App(app),
      Form(app.CreateForm("VistrelMainForm")),
      DisassemblyDlg(disassemblyDlg),
      PreferencesDlg(preferencesDlg),
      AboutBox(aboutBox),
      services_(services) {
  Form->SetCaption(kProgramTitle);
  Form->SetClientSize(424, 336);
  Form->SetBorderStyle(ui::BorderStyle::Single);
  Form->SetMaximizeBox(false);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Form->SetFormFont(ui::Font{"MS Sans Serif", 8, false, false, ui::kBlack});
  Form->SetIconResource(1);
  CreateControls();
  CreateMenus();

  // FormCreate.
  FileName.clear();
  FileCloseMenuItem->SetEnabled(false);
  EditMenu->SetEnabled(false);
  ViewMenu->SetEnabled(false);
  HexMode = true;
  SortedFlag = false;
  AutomationFlag = false;
  VistrelPageControl->SetActivePageIndex(kFileHeaderPage);
  ExportList.clear();
  ResourceTreeView->SetImageList({101, 106, 105, 104, 108, 109, 107, 110, 111, 102});
  std::string windows = services_.Environment.WindowsDirectory();
  CalculatorPath = (windows + "\\calc.exe").substr(0, kMaxCalculatorPath);
  Form->SetAcceptFiles(true);

  auto guard = [this](void (TVistrelMainForm::*handler)()) {
    return [this, handler] { App.Guard([&] { (this->*handler)(); }); };
  };
  Form->OnShow = guard(&TVistrelMainForm::FormShow);
  Form->OnCloseQuery = [this](bool& allow) { FormCloseQuery(allow); };
  Form->OnClose = guard(&TVistrelMainForm::FormClose);
  Form->OnDropFiles = [this](const std::vector<std::string>& paths) {
    App.Guard([&] { FormDropFiles(paths); });
  };
  FileLoadMenuItem->OnClick = guard(&TVistrelMainForm::FileLoadMenuItemClick);
  FileCloseMenuItem->OnClick = guard(&TVistrelMainForm::FileCloseMenuItemClick);
  FilePreferencesMenuItem->OnClick = guard(&TVistrelMainForm::FilePreferencesMenuItemClick);
  FileExitMenuItem->OnClick = guard(&TVistrelMainForm::FileExitMenuItemClick);
  EditMenu->OnPopup = guard(&TVistrelMainForm::EditMenuClick);
  EditCopyMenuItem->OnClick = guard(&TVistrelMainForm::EditCopyMenuItemClick);
  EditClearMenuItem->OnClick = guard(&TVistrelMainForm::EditClearMenuItemClick);
  ViewMenu->OnPopup = guard(&TVistrelMainForm::ViewMenuClick);
  VistrelPopupMenu->OnPopup = guard(&TVistrelMainForm::VistrelPopupMenuPopup);
  ViewModeMenuItem->OnClick = guard(&TVistrelMainForm::ViewModeMenuItemClick);
  PopupModeMenuItem->OnClick = guard(&TVistrelMainForm::ViewModeMenuItemClick);
  ViewSortedMenuItem->OnClick = guard(&TVistrelMainForm::ViewSortedMenuItemClick);
  PopupSortedMenuItem->OnClick = guard(&TVistrelMainForm::ViewSortedMenuItemClick);
  HelpAboutMenuItem->OnClick = guard(&TVistrelMainForm::HelpAboutMenuItemClick);
  VistrelPageControl->OnChange = guard(&TVistrelMainForm::VistrelPageControlChange);
  SectionHeadersListBox->OnClick = guard(&TVistrelMainForm::SectionHeadersListBoxClick);
  ImportModuleListBox->OnClick = guard(&TVistrelMainForm::ImportModuleListBoxClick);
  ExportSectionListBox->OnClick = guard(&TVistrelMainForm::ExportSectionListBoxClick);
  DisassembleButton->OnClick = guard(&TVistrelMainForm::DisassembleButtonClick);
}

TVistrelMainForm::~TVistrelMainForm() {
  ReleaseFile();
}

ui::Edit* TVistrelMainForm::AddField(int page, ui::Container* parent, const std::string& label,
                                     const std::string& editName, int x, int y, int labelWidth,
                                     int editWidth) {
  parent->AddLabel(editName + "Label", {x, y + 3, labelWidth, 13}, label);
  ui::Edit* edit = parent->AddEdit(editName, {x + labelWidth, y, editWidth, 20});
  edit->SetReadOnly(true);
  PageFields[page].push_back(PageField{label, {edit}});
  return edit;
}

void TVistrelMainForm::CreateControls() {
  VistrelPageControl = Form->AddPageControl("VistrelPageControl", {0, 0, 424, 336});
  VistrelPageControl->SetMultiLine(true);
  VistrelPageControl->SetControlId(ids::kPageControl);
  static const char* const kCaptions[kPageCount] = {
      "File Header",    "Optional Header",  "Section Headers", "Import Section",
      "Export Section", "Resource Section", "Debug Section"};
  static const char* const kNames[kPageCount] = {
      "FileHeaderTabSheet",    "OptionalHeaderTabSheet", "SectionHeadersTabSheet",
      "ImportSectionTabSheet", "ExportSectionTabSheet",  "ResourceSectionTabSheet",
      "DebugSectionTabSheet"};
  for (int i = 0; i < kPageCount; ++i)
    Pages[i] = VistrelPageControl->AddPage(kNames[i], kCaptions[i]);

  // File header.
  ui::TabSheet* p = Pages[kFileHeaderPage];
  const int lw = 150, y0 = 8, dy = 25;
  ImageTypeEdit = AddField(0, p, "Image Type:", "ImageTypeEdit", 8, y0, lw, 110);
  MachineEdit = AddField(0, p, "Machine:", "MachineEdit", 8, y0 + dy, lw, 170);
  NumberOfSectionsEdit1 =
      AddField(0, p, "Number of Sections:", "NumberOfSectionsEdit1", 8, y0 + 2 * dy, lw, 70);
  PointerToSymbolTableEdit = AddField(0, p, "Pointer To Symbol Table:", "PointerToSymbolTableEdit",
                                      8, y0 + 3 * dy, lw, 90);
  NumberOfSymbolsEdit =
      AddField(0, p, "Number Of Symbols:", "NumberOfSymbolsEdit", 8, y0 + 4 * dy, lw, 90);
  FileTimeDateStampEdit =
      AddField(0, p, "Time/Date Stamp", "FileTimeDateStampEdit", 8, y0 + 5 * dy, lw, 90);
  SizeOfOptionalHeaderEdit = AddField(0, p, "Size Of Optional Header:", "SizeOfOptionalHeaderEdit",
                                      8, y0 + 6 * dy, lw, 90);
  FileCharacteristicsRawEdit =
      AddField(0, p, "Characteristics:", "FileCharacteristicsRawEdit", 8, y0 + 7 * dy, lw, 90);
  FileCharacteristicsListBox =
      p->AddListBox("FileCharacteristicsListBox", {8 + lw, y0 + 8 * dy, 250, 78});
  PageFields[0].back().Controls.push_back(FileCharacteristicsListBox);
  ImageTypeEdit->SetControlId(ids::kImageTypeEdit);
  MachineEdit->SetControlId(ids::kMachineEdit);
  NumberOfSectionsEdit1->SetControlId(ids::kNumberOfSectionsEdit);
  FileCharacteristicsRawEdit->SetControlId(ids::kFileCharacteristicsRawEdit);
  FileCharacteristicsListBox->SetControlId(ids::kFileCharacteristicsListBox);

  // Optional header: two columns; 64-bit values need the wide edits on the left.
  p = Pages[kOptionalHeaderPage];
  const int ly = 21, top = 20, llw = 124, lew = 124, rx = 254, rlw = 38, rew = 60;
  auto pair = [&](const std::string& label, const std::string& major, const std::string& minor,
                  int x, int y, int labelWidth, int width, ui::Edit*& first, ui::Edit*& second) {
    p->AddLabel(major + "Label", {x, y + 3, labelWidth, 13}, label);
    first = p->AddEdit(major, {x + labelWidth, y, width, 20});
    second = p->AddEdit(minor, {x + labelWidth + width + 4, y, width, 20});
    first->SetReadOnly(true);
    second->SetReadOnly(true);
    PageFields[1].push_back(PageField{label, {first, second}});
  };
  MagicEdit = AddField(1, p, "Magic:", "MagicEdit", 4, top, llw, lew);
  p->AddLabel("LinkerMajorLabel", {4 + llw, 3, 55, 13}, "Major");
  p->AddLabel("LinkerMinorLabel", {4 + llw + 59, 3, 55, 13}, "Minor");
  pair("Linker:", "MajorLinkerVersionEdit", "MinorLinkerVersionEdit", 4, top + ly, llw, 55,
       MajorLinkerVersionEdit, MinorLinkerVersionEdit);
  SizeOfCodeEdit = AddField(1, p, "Size Of Code:", "SizeOfCodeEdit", 4, top + 2 * ly, llw, lew);
  SizeOfInitializedDataEdit = AddField(
      1, p, "Size Of Initialized Data:", "SizeOfInitializedDataEdit", 4, top + 3 * ly, llw, lew);
  SizeOfUninitializedDataEdit =
      AddField(1, p, "Size Of Uninitialized Data:", "SizeOfUninitializedDataEdit", 4, top + 4 * ly,
               llw, lew);
  ImageBaseEdit = AddField(1, p, "Image Base:", "ImageBaseEdit", 4, top + 5 * ly, llw, lew);
  BaseOfCodeEdit = AddField(1, p, "Base Of Code:", "BaseOfCodeEdit", 4, top + 6 * ly, llw, lew);
  BaseOfDataEdit = AddField(1, p, "Base Of Data:", "BaseOfDataEdit", 4, top + 7 * ly, llw, lew);
  ImageSizeEdit = AddField(1, p, "Image Size:", "ImageSizeEdit", 4, top + 8 * ly, llw, lew);
  HeaderSizeEdit = AddField(1, p, "Header Size:", "HeaderSizeEdit", 4, top + 9 * ly, llw, lew);
  ModuleEntryPointEdit =
      AddField(1, p, "Module Entry Point:", "ModuleEntryPointEdit", 4, top + 10 * ly, llw, lew);
  SubsystemEdit = AddField(1, p, "Subsystem:", "SubsystemEdit", 4, top + 11 * ly, llw, 276);
  p->AddLabel("VersionMajorLabel", {rx + rlw, 3, rew, 13}, "Major");
  p->AddLabel("VersionMinorLabel", {rx + rlw + rew + 4, 3, rew, 13}, "Minor");
  pair("OS:", "OSMajorVersionEdit", "OSMinorVersionEdit", rx, top, rlw, rew, OSMajorVersionEdit,
       OSMinorVersionEdit);
  pair("User:", "UserMajorVersionEdit", "UserMinorVersionEdit", rx, top + ly, rlw, rew,
       UserMajorVersionEdit, UserMinorVersionEdit);
  pair("SubSys:", "SubsystemMajorEdit", "SubsystemMinorEdit", rx, top + 2 * ly, rlw, rew,
       SubsystemMajorEdit, SubsystemMinorEdit);
  p->AddLabel("ReserveLabel", {rx + rlw, top + 3 * ly + 5, rew, 13}, "Reserve");
  p->AddLabel("CommitLabel", {rx + rlw + rew + 4, top + 3 * ly + 5, rew, 13}, "Commit");
  pair("Stack:", "StackReserveEdit", "StackCommitEdit", rx, top + 4 * ly, rlw, rew,
       StackReserveEdit, StackCommitEdit);
  pair("Heap:", "HeapReserveEdit", "HeapCommitEdit", rx, top + 5 * ly, rlw, rew, HeapReserveEdit,
       HeapCommitEdit);
  SectionAlignmentEdit =
      AddField(1, p, "Section Alignment:", "SectionAlignmentEdit", rx, top + 6 * ly, 96, 66);
  FileAlignmentEdit =
      AddField(1, p, "File Alignment:", "FileAlignmentEdit", rx, top + 7 * ly, 96, 66);
  ChecksumEdit = AddField(1, p, "Checksum:", "ChecksumEdit", rx, top + 8 * ly, 96, 66);
  MagicEdit->SetControlId(ids::kMagicEdit);
  ImageBaseEdit->SetControlId(ids::kImageBaseEdit);
  SizeOfCodeEdit->SetControlId(ids::kSizeOfCodeEdit);
  ModuleEntryPointEdit->SetControlId(ids::kModuleEntryPointEdit);
  SubsystemEdit->SetControlId(ids::kSubsystemEdit);

  // Section headers.
  p = Pages[kSectionHeadersPage];
  SectionHeadersListBox = p->AddListBox("SectionHeadersListBox", {8, 8, 100, 272});
  SectionHeadersListBox->SetControlId(ids::kSectionHeadersListBox);
  PageFields[2].push_back(PageField{"Sections:", {SectionHeadersListBox}});
  const int sx = 116, sw = 150, sy = 26;
  VirtualAddressEdit = AddField(2, p, "Virtual Address:", "VirtualAddressEdit", sx, 8, sw, 100);
  SizeOfRawDataEdit = AddField(2, p, "Size Of Raw Data:", "SizeOfRawDataEdit", sx, 8 + sy, sw, 100);
  PointerToRawDataEdit =
      AddField(2, p, "Pointer To Raw Data:", "PointerToRawDataEdit", sx, 8 + 2 * sy, sw, 100);
  PointerToRelocationsEdit = AddField(2, p, "Pointer To Relocations:", "PointerToRelocationsEdit",
                                      sx, 8 + 3 * sy, sw, 100);
  PointerToLinenumbersEdit = AddField(2, p, "Pointer To Linenumbers:", "PointerToLinenumbersEdit",
                                      sx, 8 + 4 * sy, sw, 100);
  NumberOfRelocationsEdit =
      AddField(2, p, "Number Of Relocations:", "NumberOfRelocationsEdit", sx, 8 + 5 * sy, sw, 100);
  NumberOfLinenumbersEdit =
      AddField(2, p, "Number Of Linenumbers:", "NumberOfLinenumbersEdit", sx, 8 + 6 * sy, sw, 100);
  SectionCharacteristicsEdit =
      AddField(2, p, "Characteristics:", "SectionCharacteristicsEdit", sx, 8 + 7 * sy, sw, 100);
  SectionCharacteristicsListBox =
      p->AddListBox("SectionCharacteristicsListBox", {sx, 8 + 8 * sy, 292, 72});
  PageFields[2].back().Controls.push_back(SectionCharacteristicsListBox);
  VirtualAddressEdit->SetControlId(ids::kVirtualAddressEdit);
  SizeOfRawDataEdit->SetControlId(ids::kSizeOfRawDataEdit);
  SectionCharacteristicsListBox->SetControlId(ids::kSectionCharacteristicsListBox);

  // Imports.
  p = Pages[kImportPage];
  p->AddLabel("ImportModuleLabel", {8, 6, 150, 13}, "Imported Modules:");
  ImportModuleListBox = p->AddListBox("ImportModuleListBox", {8, 22, 150, 258});
  p->AddLabel("ImportedFunctionsLabel", {166, 6, 200, 13}, "Imported Functions:");
  ImportedFunctionsListBox = p->AddListBox("ImportedFunctionsListBox", {166, 22, 242, 258});
  ImportModuleListBox->SetControlId(ids::kImportModuleListBox);
  ImportedFunctionsListBox->SetControlId(ids::kImportedFunctionsListBox);
  PageFields[3].push_back(PageField{"Imported Modules:", {ImportModuleListBox}});
  PageFields[3].push_back(PageField{"Imported Functions:", {ImportedFunctionsListBox}});

  // Exports.
  p = Pages[kExportPage];
  NumberOfExportedFunctionsEdit = AddField(
      4, p, "Number of Exported Functions:", "NumberOfExportedFunctionsEdit", 8, 6, 160, 70);
  ExportSectionListBox = p->AddListBox("ExportSectionListBox", {8, 32, 400, 214});
  PageFields[4].push_back(PageField{"Exports:", {ExportSectionListBox}});
  EntryPointEdit = AddField(4, p, "Entry Point:", "EntryPointEdit", 8, 256, 70, 110);
  DisassembleButton = p->AddButton("DisassembleButton", {316, 253, 92, 25}, "Disassemble...");
  DisassembleButton->SetEnabled(false);
  NumberOfExportedFunctionsEdit->SetControlId(ids::kNumberOfExportedFunctionsEdit);
  ExportSectionListBox->SetControlId(ids::kExportSectionListBox);
  EntryPointEdit->SetControlId(ids::kEntryPointEdit);
  DisassembleButton->SetControlId(ids::kDisassembleButton);

  // Resources (filled by a later part of the browser).
  p = Pages[kResourcePage];
  NumberOfResourcesEdit =
      AddField(5, p, "Number of Resources:", "NumberOfResourcesEdit", 8, 6, 120, 70);
  ResourceTreeView = p->AddTreeView("ResourceTreeView", {8, 32, 250, 248});
  ResourceTreeView->SetControlId(ids::kResourceTreeView);
  NumberOfResourcesEdit->SetControlId(ids::kNumberOfResourcesEdit);
  p->AddLabel("ResourceOffsetLabel", {266, 34, 140, 13}, "Offset To Data:");
  ResourceOffsetToDataEdit = p->AddEdit("ResourceOffsetToDataEdit", {266, 50, 120, 20});
  p->AddLabel("ResourceSizeLabel", {266, 80, 140, 13}, "Size Of Resource:");
  ResourceSizeOfResourceEdit = p->AddEdit("ResourceSizeOfResourceEdit", {266, 96, 120, 20});
  ResourceOffsetToDataEdit->SetReadOnly(true);
  ResourceSizeOfResourceEdit->SetReadOnly(true);
  PageFields[5].push_back(PageField{"Resources:", {ResourceTreeView}});
  PageFields[5].push_back(PageField{"Offset To Data:", {ResourceOffsetToDataEdit}});
  PageFields[5].push_back(PageField{"Size Of Resource:", {ResourceSizeOfResourceEdit}});

  // Debug.
  p = Pages[kDebugPage];
  p->AddLabel("DebugTypeLabel", {8, 11, 110, 13}, "Type:");
  DebugTypeListBox = p->AddListBox("DebugTypeListBox", {118, 8, 150, 36});
  DebugTypeListBox->SetControlId(ids::kDebugTypeListBox);
  PageFields[6].push_back(PageField{"Type:", {DebugTypeListBox}});
  p->AddLabel("DebugMajorLabel", {118, 52, 60, 13}, "Major");
  p->AddLabel("DebugMinorLabel", {186, 52, 60, 13}, "Minor");
  p->AddLabel("DebugVersionLabel", {8, 71, 110, 13}, "Version:");
  DebugMajorEdit = p->AddEdit("DebugMajorEdit", {118, 68, 64, 20});
  DebugMinorEdit = p->AddEdit("DebugMinorEdit", {186, 68, 64, 20});
  DebugMajorEdit->SetReadOnly(true);
  DebugMinorEdit->SetReadOnly(true);
  PageFields[6].push_back(PageField{"Version:", {DebugMajorEdit, DebugMinorEdit}});
  DebugSizeOfDataEdit = AddField(6, p, "Size of Data:", "DebugSizeOfDataEdit", 8, 96, 110, 100);
  DebugAddressOfDataEdit =
      AddField(6, p, "Address of Data:", "DebugAddressOfDataEdit", 8, 122, 110, 100);
  DebugPointerToDataEdit =
      AddField(6, p, "Pointer to Data:", "DebugPointerToDataEdit", 8, 148, 110, 100);
  DebugSizeOfDataEdit->SetControlId(ids::kDebugSizeOfDataEdit);
}

void TVistrelMainForm::CreateMenus() {
  MainMenu = Form->CreateMainMenu();
  FileMenu = MainMenu->Add("FileMenu", "&File");
  FileLoadMenuItem = FileMenu->Add("FileLoadMenuItem", "&Load...", ids::kFileLoad);
  FileLoadMenuItem->SetShortcut("Ctrl+L");
  FileCloseMenuItem = FileMenu->Add("FileCloseMenuItem", "&Close", ids::kFileClose);
  FileMenu->AddSeparator("N1");
  FilePreferencesMenuItem =
      FileMenu->Add("FilePreferencesMenuItem", "&Preferences...", ids::kFilePreferences);
  FileMenu->AddSeparator("N2");
  FileExitMenuItem = FileMenu->Add("FileExitMenuItem", "E&xit", ids::kFileExit);

  EditMenu = MainMenu->Add("EditMenu", "&Edit");
  EditCopyMenuItem = EditMenu->Add("EditCopyMenuItem", "&Copy", ids::kEditCopy);
  EditCopyMenuItem->SetShortcut("Ctrl+C");
  EditClearMenuItem = EditMenu->Add("EditClearMenuItem", "Clea&r Clipboard", ids::kEditClear);

  ViewMenu = MainMenu->Add("ViewMenu", "&View");
  ViewItemMenuItem = ViewMenu->Add("ViewItemMenuItem", "&Item");
  ViewItemFileMenuItem =
      ViewItemMenuItem->Add("ViewItemFileMenuItem", "File Offset...", ids::kViewItemFile);
  ViewItemImageMenuItem =
      ViewItemMenuItem->Add("ViewItemImageMenuItem", "Image...", ids::kViewItemImage);
  ViewItemStructureMenuItem =
      ViewItemMenuItem->Add("ViewItemStructureMenuItem", "Structure...", ids::kViewItemStructure);
  ViewMenu->AddSeparator("N3");
  ViewModeMenuItem = ViewMenu->Add("ViewModeMenuItem", "&Decimal Mode", ids::kViewMode);
  ViewSortedMenuItem = ViewMenu->Add("ViewSortedMenuItem", "&Sorted", ids::kViewSorted);

  HelpMenu = MainMenu->Add("HelpMenu", "&Help");
  HelpAboutMenuItem = HelpMenu->Add("HelpAboutMenuItem", "&About...", ids::kHelpAbout);

  VistrelPopupMenu = Form->CreatePopupMenu("VistrelPopupMenu");
  ui::MenuItem* root = VistrelPopupMenu->Items();
  PopupFileOffsetMenuItem = root->Add("PopupFileOffsetMenuItem", "File Offset...", ids::kPopupFile);
  PopupImageMenuItem = root->Add("PopupImageMenuItem", "Image...", ids::kPopupImage);
  PopupStructureMenuItem =
      root->Add("PopupStructureMenuItem", "Structure...", ids::kPopupStructure);
  PopupSeparator = root->AddSeparator("PopupSeparator");
  PopupModeMenuItem = root->Add("PopupModeMenuItem", "Decimal Mode", ids::kPopupMode);
  PopupSortedMenuItem = root->Add("PopupSortedMenuItem", "Sorted", ids::kPopupSorted);
}

const void* TVistrelMainForm::Image() const {
  return ImageView && ImageView->Size() > 0 ? ImageView->Data() : nullptr;
}

const ImageLayout* TVistrelMainForm::Layout() {
  if (!layoutTried_ && ImageView) {
    layoutTried_ = true;
    layout_ = ImageLayout::Build(ImageView->Bytes());
  }
  return layout_ ? &*layout_ : nullptr;
}

void TVistrelMainForm::ReleaseFile() {
  if (ImageView && ImageView->Size() > 0) NubrikUnregisterImage(ImageView->Data());
  ImageView.reset();
  layout_.reset();
  layoutTried_ = false;
}

// ---- Loading ----

void TVistrelMainForm::LoadFile() {
  ReleaseFile();
  FileCloseMenuItem->SetEnabled(true);
  ViewMenu->SetEnabled(true);
  ClearDisplay();
  size_t slash = FileName.find_last_of("\\:/");
  Form->SetCaption(std::string("Vistrel - ") +
                   (slash == std::string::npos ? FileName : FileName.substr(slash + 1)));
  if (!Heap) Heap = std::make_unique<nubrik::ScopedHeap>(kHeapInitialSize);
  // An empty file cannot be mapped on Windows either: it shows nothing.
  ImageView = services_.Files.MapReadOnly(FileName, nullptr);
  if (ImageView && ImageView->Size() > 0) {
    NubrikRegisterImage(ImageView->Data(), ImageView->Size());
    DisplayImage();
  } else {
    ImageView.reset();
  }
  DisassembleButton->SetEnabled(ExportSectionListBox->Count() > 0);
}

void TVistrelMainForm::DisplayImage() {
  const void* image = Image();
  if (!image) return;
  uint32_t signature = NubrikSignature(image);
  std::string type = ImageTypeText(signature);
  ImageTypeEdit->SetText(type);
  if (type == "DOS" || type == "Win16") {
    App.MessageBox(kUnableToHandle, kProgramTitle, ui::MessageButtons::OkCancel);
    return;
  }
  if (!Heap) Heap = std::make_unique<nubrik::ScopedHeap>(kHeapInitialSize);
  ImportModuleListBox->SetSorted(SortedFlag);
  ImportedFunctionsListBox->SetSorted(SortedFlag);
  ExportSectionListBox->SetSorted(SortedFlag);
  FillFileHeader();
  FillOptionalHeader();
  FillSections();
  FillImports();
  FillExports();
  // The resource tree is filled by the resource page's own part.
  FillDebug();
}

void TVistrelMainForm::ClearDisplay() {
  for (auto& fields : PageFields) {
    for (auto& field : fields) {
      for (ui::Control* control : field.Controls) {
        if (auto* list = dynamic_cast<ui::ListBox*>(control))
          list->Clear();
        else if (auto* tree = dynamic_cast<ui::TreeView*>(control))
          tree->Clear();
        else
          control->SetText("");
      }
    }
  }
  ImportedFunctionsListBox->Clear();
  Heap.reset();
  ExportList.clear();
  CodeSectionName.clear();
  CodeDelta = 0;
  BaseOfCode = 0;
  ImageBase = 0;
  Is64Bit = false;
  Machine = 0;
  DisassembleButton->SetEnabled(false);
}

void TVistrelMainForm::FormDropFiles(const std::vector<std::string>& paths) {
  if (paths.size() != 1) return;
  FileName = paths[0];
  LoadFile();
}

void TVistrelMainForm::FileLoadMenuItemClick() {
  ui::OpenFileOptions options;
  options.Filter = kLoadFilter;
  if (auto path = App.OpenFile(options)) {
    FileName = *path;
    LoadFile();
  }
}

void TVistrelMainForm::FileCloseMenuItemClick() {
  Form->SetCaption(kProgramTitle);
  FileCloseMenuItem->SetEnabled(false);
  EditMenu->SetEnabled(false);
  ViewMenu->SetEnabled(false);
  Heap.reset();
  ReleaseFile();
  ClearDisplay();
}

void TVistrelMainForm::FileExitMenuItemClick() {
  FileCloseMenuItemClick();
  Form->Close();
}

void TVistrelMainForm::FormCloseQuery(bool& allow) {
  allow = !AutomationFlag;
}

void TVistrelMainForm::FormClose() {
  Form->SetAcceptFiles(false);
  SaveSettings();
}

void TVistrelMainForm::FormShow() {
  ReadSettings();
  // The Edit menu follows the page the settings chose, as a page change does.
  VistrelPageControlChange();
}

void TVistrelMainForm::AutomationLoad(const std::string& fileName) {
  AutomationFlag = true;
  FileExitMenuItem->SetEnabled(false);
  FileName = fileName;
  ReadSettings();
  VistrelPageControlChange();
  LoadFile();
}

void TVistrelMainForm::AutomationShutDown() {
  AutomationFlag = false;
  SaveSettings();
  Form->Close();
}

// ---- Settings and preferences ----

void TVistrelMainForm::ReadSettings() {
  BrowserSettings settings{HexMode, SortedFlag, ActivePage(), CalculatorPath};
  vistrel::ReadSettings(services_.Registry, settings);
  HexMode = settings.HexMode;
  SortedFlag = settings.Sorted;
  CalculatorPath = settings.Calculator;
  VistrelPageControl->SetActivePageIndex(settings.TabSheet);
}

void TVistrelMainForm::SaveSettings() {
  BrowserSettings settings{HexMode, SortedFlag, ActivePage(), CalculatorPath};
  bool saveFlags = PreferencesDlg ? PreferencesDlg->SaveSettings() : true;
  vistrel::SaveSettings(services_.Registry, settings, saveFlags);
}

void TVistrelMainForm::FilePreferencesMenuItemClick() {
  if (!PreferencesDlg) return;
  PreferencesDlg->CalculatorPath = CalculatorPath;
  if (PreferencesDlg->ShowModal() == ui::ModalResult::Ok) {
    CalculatorPath = PreferencesDlg->CalculatorEdit->Text().substr(0, kMaxCalculatorPath);
  }
}

void TVistrelMainForm::HelpAboutMenuItemClick() {
  if (AboutBox) AboutBox->ShowModal();
}

// ---- Menus ----

void TVistrelMainForm::VistrelPageControlChange() {
  int page = ActivePage();
  EditMenu->SetEnabled(page == kImportPage || page == kExportPage);
}

void TVistrelMainForm::EditMenuClick() {
  int page = ActivePage();
  EditCopyMenuItem->SetEnabled(page == kImportPage || ExportSectionListBox->Count() > 0);
}

void TVistrelMainForm::ViewMenuClick() {
  UpdateMenus();
}
void TVistrelMainForm::VistrelPopupMenuPopup() {
  UpdateMenus();
}

void TVistrelMainForm::UpdateMenus() {
  int page = ActivePage();
  const char* mode = HexMode ? "Decimal Mode" : "Hex Mode";
  ViewModeMenuItem->SetCaption(mode);
  PopupModeMenuItem->SetCaption(mode);
  ViewModeMenuItem->SetEnabled(page != kImportPage);
  PopupModeMenuItem->SetEnabled(page != kImportPage);
  bool listPage = page == kImportPage || page == kExportPage;
  ViewSortedMenuItem->SetEnabled(listPage);
  PopupSortedMenuItem->SetEnabled(listPage);
  ViewSortedMenuItem->SetChecked(SortedFlag);
  PopupSortedMenuItem->SetChecked(SortedFlag);

  // The resource page's selection: a resource node's data is its record
  // index, a group's is -1.
  ui::TreeNode node = ResourceTreeView->Selected();
  bool resourceSelected = node != ui::kNoNode && ResourceTreeView->NodeData(node) >= 0 &&
                          ResourceTreeView->Parent(node) != ui::kNoNode;
  ViewItemMenuItem->SetEnabled(page != kImportPage && page != kDebugPage &&
                               (page != kResourcePage || resourceSelected));

  bool file = false, image = false, structure = false, separator = false;
  switch (page) {
    case kFileHeaderPage:
    case kOptionalHeaderPage:
      file = structure = separator = true;
      break;
    case kSectionHeadersPage:
      file = separator = true;
      break;
    case kExportPage:
      file = separator = ExportSectionListBox->Count() > 0;
      if (!file) ViewItemMenuItem->SetEnabled(false);
      break;
    case kResourcePage:
      // Resource records reach the tree with the resource page's fill; a
      // selected resource offers at least its file offset.
      file = separator = resourceSelected;
      break;
    default:
      break;
  }
  ViewItemFileMenuItem->SetVisible(file);
  PopupFileOffsetMenuItem->SetVisible(file);
  ViewItemImageMenuItem->SetVisible(image);
  PopupImageMenuItem->SetVisible(image);
  ViewItemStructureMenuItem->SetVisible(structure);
  PopupStructureMenuItem->SetVisible(structure);
  PopupSeparator->SetVisible(separator);
}

void TVistrelMainForm::ViewModeMenuItemClick() {
  HexMode = !HexMode;
  DisplayImage();
}

void TVistrelMainForm::ViewSortedMenuItemClick() {
  SortedFlag = !SortedFlag;
  DisplayImage();
}

// ---- Clipboard ----

std::string TVistrelMainForm::CopyText() const {
  std::string text;
  int page = ActivePage();
  if (page == kImportPage) {
    // Without a selected module only the function lines are copied.
    if (ImportModuleListBox->ItemIndex() >= 0) {
      text += ImportModuleListBox->Item(ImportModuleListBox->ItemIndex()) + "\r\n";
    }
    for (int i = 0; i < ImportedFunctionsListBox->Count(); ++i) {
      text += ImportedFunctionsListBox->Item(i) + "\r\n";
    }
  } else if (page == kExportPage) {
    for (int i = 0; i < ExportSectionListBox->Count(); ++i) {
      text += ExportSectionListBox->Item(i) + "\r\n";
    }
  }
  return text;
}

void TVistrelMainForm::EditCopyMenuItemClick() {
  services_.Clipboard.SetText(CopyText());
}

void TVistrelMainForm::EditClearMenuItemClick() {
  services_.Clipboard.Clear();
}

// ---- Exports and disassembly ----

const ExportEntry* TVistrelMainForm::ExportOfLine(int line) const {
  if (line < 0 || line >= ExportSectionListBox->Count()) return nullptr;
  if (!SortedFlag) {
    return static_cast<size_t>(line) < ExportList.size() ? &ExportList[line] : nullptr;
  }
  std::string text = ExportSectionListBox->Item(line);
  for (const auto& entry : ExportList) {
    if (entry.Line() == text) return &entry;
  }
  return nullptr;
}

bool TVistrelMainForm::PrepareDisassembly(int line) {
  const ExportEntry* entry = ExportOfLine(line);
  if (!entry || !DisassemblyDlg) return false;
  DisassemblyDlg->CaptionText = "Export Entry Point - " + entry->Line();
  const ImageLayout* layout = Layout();
  DisassemblyDlg->CodeAddress = ImageBase + entry->EntryRva;
  DisassemblyDlg->Bits = Machine == 0x8664 ? 64 : 32;
  if (layout) {
    DisassemblyDlg->Code = layout->Bytes();
    DisassemblyDlg->CodeOffset = entry->EntryRva;
  } else if (ImageView) {
    // No layout: the entry point's bytes in the file itself.
    DisassemblyDlg->Code = ImageView->Bytes();
    int64_t offset = static_cast<int64_t>(entry->EntryRva) - CodeDelta;
    DisassemblyDlg->CodeOffset = offset < 0 ? UINT64_MAX : static_cast<uint64_t>(offset);
  } else {
    DisassemblyDlg->Code = {};
    DisassemblyDlg->CodeOffset = 0;
  }
  return true;
}

void TVistrelMainForm::DisassembleButtonClick() {
  int line = ExportSectionListBox->ItemIndex();
  if (line < 0) return;
  if (PrepareDisassembly(line)) DisassemblyDlg->ShowModal();
}

}  // namespace vistrel

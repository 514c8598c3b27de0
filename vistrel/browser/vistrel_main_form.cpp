#include "vistrel/browser/vistrel_main_form.h"

#include <stdexcept>

#include "common/hex_text.h"
#include "vistrel/browser/about_box.h"
#include "vistrel/browser/command_ids.h"
#include "vistrel/browser/page_formats.h"
#include "vistrel/browser/preferences_dlg.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/resource_extract.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

namespace vistrel {
namespace {

// The browser's heap for the helper library's results starts at this size.
constexpr size_t kHeapInitialSize = 512000;

}  // namespace

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
  CreatePages();
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
  ResourceSection->ResourceTreeView->SetImageList(
      {101, 106, 105, 104, 108, 109, 107, 110, 111, 102});
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
  SectionHeaders->SectionHeadersListBox->OnClick =
      guard(&TVistrelMainForm::SectionHeadersListBoxClick);
  ImportSection->ImportModuleListBox->OnClick = guard(&TVistrelMainForm::ImportModuleListBoxClick);
  ExportSection->ExportSectionListBox->OnClick =
      guard(&TVistrelMainForm::ExportSectionListBoxClick);
  ExportSection->DisassembleButton->OnClick = guard(&TVistrelMainForm::DisassembleButtonClick);
  ResourceSection->ResourceTreeView->OnChange = guard(&TVistrelMainForm::ResourceTreeViewClick);
  ResourceSection->ResourceTreeView->OnDblClick =
      guard(&TVistrelMainForm::ResourceTreeViewDblClick);
  for (ui::MenuItem* item : {ViewItemFileMenuItem, PopupFileOffsetMenuItem})
    item->OnClick = guard(&TVistrelMainForm::ViewItemFileMenuItemClick);
  for (ui::MenuItem* item : {ViewItemImageMenuItem, PopupImageMenuItem})
    item->OnClick = guard(&TVistrelMainForm::ViewItemImageMenuItemClick);
  for (ui::MenuItem* item : {ViewItemStructureMenuItem, PopupStructureMenuItem})
    item->OnClick = guard(&TVistrelMainForm::ViewItemStructureMenuItemClick);
}

TVistrelMainForm::~TVistrelMainForm() {
  ReleaseFile();
}

void TVistrelMainForm::CreatePages() {
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
  FileHeader = std::make_unique<FileHeaderPage>(Pages[kFileHeaderPage], Model);
  OptionalHeader = std::make_unique<OptionalHeaderPage>(Pages[kOptionalHeaderPage], Model);
  SectionHeaders = std::make_unique<SectionHeadersPage>(Pages[kSectionHeadersPage], Model);
  ImportSection = std::make_unique<ImportPage>(Pages[kImportPage], Model);
  ExportSection = std::make_unique<ExportPage>(Pages[kExportPage], Model);
  ResourceSection = std::make_unique<ResourcePage>(Pages[kResourcePage], Model);
  DebugSection = std::make_unique<DebugPage>(Pages[kDebugPage], Model);
  BrowserPage* pages[kPageCount] = {
      FileHeader.get(),    OptionalHeader.get(),  SectionHeaders.get(), ImportSection.get(),
      ExportSection.get(), ResourceSection.get(), DebugSection.get()};
  std::copy(std::begin(pages), std::end(pages), PageObjects);
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

const ImageLayout* TVistrelMainForm::Layout() {
  if (!layoutTried_ && ImageView) {
    layoutTried_ = true;
    layout_ = ImageLayout::Build(ImageView->Bytes());
  }
  return layout_ ? &*layout_ : nullptr;
}

void TVistrelMainForm::ReleaseFile() {
  Model.Client = nullptr;
  Client.reset();  // unregisters the view before it goes
  ImageView.reset();
  layout_.reset();
  layoutTried_ = false;
}

// ---- Loading ----

void TVistrelMainForm::LoadFile() {
  ReleaseFile();
  OpenError.reset();
  FileCloseMenuItem->SetEnabled(true);
  ViewMenu->SetEnabled(true);
  ClearDisplay();
  size_t slash = FileName.find_last_of("\\:/");
  Form->SetCaption(std::string("Vistrel - ") +
                   (slash == std::string::npos ? FileName : FileName.substr(slash + 1)));
  if (!Heap) Heap = std::make_unique<nubrik::ScopedHeap>(kHeapInitialSize);
  platform::MapError error;
  ImageView = services_.Files.MapReadOnly(FileName, &error);
  if (!ImageView) {
    OpenError = error.Message;
  } else if (ImageView->Size() > 0) {
    // An empty file cannot be mapped on Windows either: it shows nothing.
    Client = std::make_unique<nubrik::Client>(ImageView->Bytes());
    DisplayImage();
  }
  ExportSection->DisassembleButton->SetEnabled(ExportSection->CanDisassemble());
}

void TVistrelMainForm::LoadChosenFile(const std::string& path) {
  FileName = path;
  LoadFile();
  if (OpenError) App.ShowError(*OpenError);
}

void TVistrelMainForm::DisplayImage() {
  if (!Client) return;
  std::string type = ImageTypeText(Client->Signature());
  FileHeader->ImageTypeEdit->SetText(type);
  if (type == "DOS" || type == "Win16") {
    if (inAutomationCall_) {
      // The caller waits for Load: it gets its answer first.
      App.Post(
          [this] { App.MessageBox(kUnableToHandle, kProgramTitle, ui::MessageButtons::OkCancel); });
    } else {
      App.MessageBox(kUnableToHandle, kProgramTitle, ui::MessageButtons::OkCancel);
    }
    return;
  }
  if (!Heap) Heap = std::make_unique<nubrik::ScopedHeap>(kHeapInitialSize);
  Model.Client = Client.get();
  Model.Heap = Heap->Handle();
  Model.HexMode = HexMode;
  Model.Sorted = SortedFlag;
  Model.ListLimit = TextLimit(ImageView->Size());
  FileHeader->Fill();
  OptionalHeader->Fill();
  SectionHeaders->Fill();
  ImportSection->Fill();
  ExportSection->Fill();
  ResourceSection->Fill();
  DebugSection->Fill();
}

void TVistrelMainForm::ClearDisplay() {
  for (BrowserPage* page : PageObjects) page->Clear();
  Heap.reset();
  Model.Heap = nullptr;
  Model.Forget();
}

void TVistrelMainForm::FormDropFiles(const std::vector<std::string>& paths) {
  if (paths.size() != 1) return;
  LoadChosenFile(paths[0]);
}

void TVistrelMainForm::FileLoadMenuItemClick() {
  ui::OpenFileOptions options;
  options.Filter = kLoadFilter;
  if (auto path = App.OpenFile(options)) LoadChosenFile(*path);
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
  if (allow) return;
  // A client that died after Load never releases the window: the user may
  // close it anyway.
  if (App.MessageBox(kCloseWhileAutomated, kProgramTitle, ui::MessageButtons::YesNo,
                     ui::MessageIcon::Question) == ui::ModalResult::Yes) {
    AutomationFlag = false;
    allow = true;
  }
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
  inAutomationCall_ = true;
  try {
    LoadFile();
  } catch (...) {
    inAutomationCall_ = false;
    throw;
  }
  inAutomationCall_ = false;
  if (OpenError) throw std::runtime_error(*OpenError);
}

void TVistrelMainForm::AutomationShutDown() {
  AutomationFlag = false;
  SaveSettings();
  Form->Close();
}

void TVistrelMainForm::AutomationLastRelease(bool startedByAutomation) {
  AutomationFlag = false;
  if (startedByAutomation) {
    Form->Close();
  } else {
    FileExitMenuItem->SetEnabled(true);
  }
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

MenuSnapshot TVistrelMainForm::Snapshot() const {
  MenuSnapshot s;
  s.Page = ActivePage();
  s.HexMode = HexMode;
  s.Sorted = SortedFlag;
  s.HasExportLines = ExportSection->ExportSectionListBox->Count() > 0;
  if (const nubrik::ResourceRecord* r = ResourceSection->SelectedResource())
    s.SelectedResourceType = r->Type;
  return s;
}

void TVistrelMainForm::VistrelPageControlChange() {
  EditMenu->SetEnabled(MenusFor(Snapshot()).EditEnabled);
}

void TVistrelMainForm::EditMenuClick() {
  EditCopyMenuItem->SetEnabled(MenusFor(Snapshot()).CopyEnabled);
}

void TVistrelMainForm::ViewMenuClick() {
  UpdateMenus();
}
void TVistrelMainForm::VistrelPopupMenuPopup() {
  UpdateMenus();
}

void TVistrelMainForm::UpdateMenus() {
  MenuState m = MenusFor(Snapshot());
  for (ui::MenuItem* mode : {ViewModeMenuItem, PopupModeMenuItem}) {
    mode->SetCaption(m.ModeCaption);
    mode->SetEnabled(m.ModeEnabled);
  }
  for (ui::MenuItem* sorted : {ViewSortedMenuItem, PopupSortedMenuItem}) {
    sorted->SetEnabled(m.SortedEnabled);
    sorted->SetChecked(m.SortedChecked);
  }
  ViewItemMenuItem->SetEnabled(m.ItemEnabled);
  ViewItemFileMenuItem->SetVisible(m.FileOffsetVisible);
  PopupFileOffsetMenuItem->SetVisible(m.FileOffsetVisible);
  ViewItemImageMenuItem->SetVisible(m.ImageVisible);
  PopupImageMenuItem->SetVisible(m.ImageVisible);
  ViewItemStructureMenuItem->SetVisible(m.StructureVisible);
  PopupStructureMenuItem->SetVisible(m.StructureVisible);
  PopupSeparator->SetVisible(m.PopupSeparatorVisible);
}

void TVistrelMainForm::ViewModeMenuItemClick() {
  HexMode = !HexMode;
  DisplayImage();
}

void TVistrelMainForm::ViewSortedMenuItemClick() {
  SortedFlag = !SortedFlag;
  DisplayImage();
}

// ---- Report ----

void TVistrelMainForm::Report(ReportSink& sink) {
  for (BrowserPage* page : PageObjects) {
    if (sink.Full()) break;
    page->Report(sink);
  }
  sink.Finish();
}

// ---- Clipboard ----

std::string TVistrelMainForm::CopyText() const {
  std::string text;
  int page = ActivePage();
  if (page == kImportPage) {
    ui::ListBox* modules = ImportSection->ImportModuleListBox;
    // Without a selected module only the function lines are copied.
    if (modules->ItemIndex() >= 0) text += modules->Item(modules->ItemIndex()) + "\r\n";
    for (const auto& line : ImportSection->ImportedFunctionsListBox->Items()) text += line + "\r\n";
  } else if (page == kExportPage) {
    for (const auto& line : ExportSection->ExportSectionListBox->Items()) text += line + "\r\n";
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

bool TVistrelMainForm::PrepareDisassembly(int line) {
  const ExportEntry* entry = ExportOfLine(line);
  // A forwarder's text is no code.
  if (!entry || entry->Forwarder || !DisassemblyDlg) return false;
  DisassemblyDlg->CaptionText = "Export Entry Point - " + entry->Line();
  const ImageLayout* layout = Layout();
  DisassemblyDlg->CodeAddress = Model.ImageBase + entry->EntryRva;
  DisassemblyDlg->Bits = Model.Machine == 0x8664 ? 64 : 32;
  if (layout) {
    DisassemblyDlg->Code = layout->Bytes();
    DisassemblyDlg->CodeOffset = entry->EntryRva;
  } else if (ImageView) {
    // No layout: the entry point's bytes in the file itself.
    DisassemblyDlg->Code = ImageView->Bytes();
    int64_t offset = static_cast<int64_t>(entry->EntryRva) - Model.CodeDelta;
    DisassemblyDlg->CodeOffset = offset < 0 ? UINT64_MAX : static_cast<uint64_t>(offset);
  } else {
    DisassemblyDlg->Code = {};
    DisassemblyDlg->CodeOffset = 0;
  }
  return true;
}

void TVistrelMainForm::DisassembleButtonClick() {
  int line = ExportSection->ExportSectionListBox->ItemIndex();
  if (line < 0) return;
  if (PrepareDisassembly(line)) DisassemblyDlg->ShowModal();
}

// ---- Item commands ----

namespace {

// An address of the image as the loader would form it: PE32 addresses stay
// 32 bits wide.
uint64_t ImageAddress(const BrowserModel& model, uint32_t rva) {
  uint64_t address = model.ImageBase + rva;
  return model.Is64Bit ? address : static_cast<uint32_t>(address);
}

std::string AddressText(uint64_t address) {
  return common::HexTextWide(address);
}

constexpr uint64_t kRowMask = ~uint64_t{15};
constexpr int32_t kFileHeaderLength = 20;
constexpr int32_t kOptionalHeaderLength = 224;
constexpr int32_t kOptionalHeader64Length = 240;

}  // namespace

std::optional<std::span<const uint8_t>> TVistrelMainForm::FileBytesFrom(uint64_t offset) const {
  if (!ImageView) return std::nullopt;
  std::span<const uint8_t> file = ImageView->Bytes();
  if (offset >= file.size()) return std::nullopt;
  return file.subspan(static_cast<size_t>(offset));
}

std::optional<std::span<const uint8_t>> TVistrelMainForm::ResourceBytes(
    const nubrik::ResourceRecord& r) const {
  auto offset = ResourceSection->FileOffset(r);
  if (!offset) return std::nullopt;
  auto bytes = FileBytesFrom(*offset);
  if (!bytes) return std::nullopt;
  return bytes->first(std::min<size_t>(bytes->size(), r.Size));
}

TVistrelMainForm::HeaderItem TVistrelMainForm::HeaderItemOf(bool fileHeader) const {
  // The file header's block starts at the "PE" signature, the optional
  // header's 4 bytes before it: the formatters read from 4 bytes further on.
  auto lfanew = Client->NewHeaderOffset();
  HeaderItem item;
  item.CaptionText = fileHeader ? "File Header" : "Optional File Header";
  item.Kind = fileHeader ? kFileHeaderStructure : kOptionalHeaderStructure;
  item.Block = lfanew ? FileBytesFrom(uint64_t{*lfanew} + (fileHeader ? 0 : kFileHeaderLength))
                      : std::nullopt;
  item.Length = fileHeader      ? kFileHeaderLength
                : Model.Is64Bit ? kOptionalHeader64Length
                                : kOptionalHeaderLength;
  return item;
}

bool TVistrelMainForm::PrepareResourceHex(bool fileOffsetCaption) {
  const nubrik::ResourceRecord* r = ResourceSection->SelectedResource();
  if (!r || !ViewSourceForm) return false;
  TViewSourceForm& view = *ViewSourceForm;
  uint64_t address = ImageAddress(Model, r->OffsetToData);
  view.CaptionText = "Resource " + r->Name;
  if (fileOffsetCaption) view.CaptionText += " - " + AddressText(address);
  view.Block = ResourceBytes(*r);
  view.BlockLength = static_cast<int32_t>(std::min<uint32_t>(r->Size, INT32_MAX));
  // The first row is labelled with the first byte's own address.
  view.BaseAddress = address;
  view.StructureKind =
      fileOffsetCaption ? StructureKindOfResourceType(r->Type) : static_cast<uint8_t>(kNoStructure);
  view.Pe32Plus = Model.Is64Bit;
  return true;
}

bool TVistrelMainForm::PrepareFileOffset() {
  if (!ViewSourceForm || !Client) return false;
  TViewSourceForm& view = *ViewSourceForm;
  view.Pe32Plus = Model.Is64Bit;
  view.CalculatorPath = [this] { return CalculatorPath; };
  switch (ActivePage()) {
    case kFileHeaderPage:
    case kOptionalHeaderPage: {
      HeaderItem header = HeaderItemOf(ActivePage() == kFileHeaderPage);
      view.CaptionText = header.CaptionText;
      view.Block = header.Block;
      view.BlockLength = header.Length;
      view.BaseAddress = 0;
      view.StructureKind = header.Kind;
      view.SetCurrentRow(0);
      return true;
    }
    case kSectionHeadersPage: {
      ui::ListBox* list = SectionHeaders->SectionHeadersListBox;
      if (list->ItemIndex() < 0) return false;
      std::string name = list->Item(list->ItemIndex());
      auto section = Client->SectionByName(name);
      if (!section || section->SizeOfRawData == 0) return false;
      uint64_t address = ImageAddress(Model, section->VirtualAddress);
      view.CaptionText = "Section " + name + " - " + AddressText(address);
      view.Block = FileBytesFrom(section->PointerToRawData);
      view.BlockLength =
          static_cast<int32_t>(std::min<uint32_t>(section->SizeOfRawData, INT32_MAX));
      view.BaseAddress = address;
      view.StructureKind = kNoStructure;
      view.SetCurrentRow(0);
      return true;
    }
    case kExportPage: {
      int line = ExportSection->ExportSectionListBox->ItemIndex();
      const ExportEntry* entry = ExportOfLine(line);
      if (!entry) return false;
      PrepareDisassembly(line);
      uint64_t address = ImageAddress(Model, entry->EntryRva);
      view.CaptionText =
          std::string(entry->Forwarder ? "Export Forwarder - " : "Export Entry Point - ") +
          entry->Line() + " - " + AddressText(address);
      // The dump starts at the row that holds the entry point, in the laid
      // out image (or the file itself when there is none).
      uint64_t start = entry->EntryRva & kRowMask;
      const ImageLayout* layout = Layout();
      if (layout) {
        std::span<const uint8_t> image = layout->Bytes();
        view.Block = start < image.size() ? std::optional(image.subspan(static_cast<size_t>(start)))
                                          : std::nullopt;
      } else {
        int64_t offset = static_cast<int64_t>(entry->EntryRva) - Model.CodeDelta;
        view.Block =
            offset < 0 ? std::nullopt : FileBytesFrom(static_cast<uint64_t>(offset) & kRowMask);
      }
      auto optional = Client->OptionalHeader();
      uint32_t sizeOfCode = optional ? optional->SizeOfCode : 0;
      view.BlockLength = static_cast<int32_t>(std::min<uint32_t>(sizeOfCode, INT32_MAX));
      view.BaseAddress = address & kRowMask;
      // A forwarder's text has no disassembly to offer.
      view.StructureKind = entry->Forwarder ? static_cast<uint8_t>(kNoStructure)
                                            : static_cast<uint8_t>(kExportEntryStructure);
      view.SetCurrentRow(0);
      return true;
    }
    case kResourcePage:
      return PrepareResourceHex(true);
    default:
      return false;
  }
}

bool TVistrelMainForm::PrepareStructure() {
  if (!StructureDlg || !Client) return false;
  TStructureDlg& dlg = *StructureDlg;
  dlg.Pe32Plus = Model.Is64Bit;
  switch (ActivePage()) {
    case kFileHeaderPage:
    case kOptionalHeaderPage: {
      HeaderItem header = HeaderItemOf(ActivePage() == kFileHeaderPage);
      dlg.CaptionText = header.CaptionText;
      dlg.StructureKind = header.Kind;
      dlg.Block = header.Block;
      dlg.BlockLength = header.Length;
      // Without a DOS header there is nothing to decode.
      return header.Block.has_value();
    }
    case kResourcePage: {
      const nubrik::ResourceRecord* r = ResourceSection->SelectedResource();
      if (!r) return false;
      uint8_t kind = StructureKindOfResourceType(r->Type);
      if (kind == kNoStructure) return false;
      dlg.CaptionText = "Resource " + r->Name;
      dlg.StructureKind = kind;
      dlg.Block = ResourceBytes(*r);
      dlg.BlockLength = static_cast<int32_t>(std::min<uint32_t>(r->Size, INT32_MAX));
      return true;
    }
    default:
      return false;
  }
}

void TVistrelMainForm::ViewItemFileMenuItemClick() {
  if (PrepareFileOffset()) ViewSourceForm->ShowModal();
}

void TVistrelMainForm::ViewItemStructureMenuItemClick() {
  if (PrepareStructure()) StructureDlg->ShowModal();
}

TVistrelMainForm::ImageViewer TVistrelMainForm::PrepareImage() {
  if (ActivePage() != kResourcePage) return ImageViewer::None;
  const nubrik::ResourceRecord* r = ResourceSection->SelectedResource();
  if (!r) return ImageViewer::None;
  constexpr uint32_t kMenu = 4, kRcData = 10, kVersion = 16;
  switch (r->Type) {
    case kRcData:
      return PrepareResourceHex(false) ? ImageViewer::Hex : ImageViewer::None;
    case kMenu:
      if (!ViewMenuForm) return ImageViewer::None;
      ViewMenuForm->CaptionText = "Resource " + r->Name;
      ViewMenuForm->Template = ResourceBytes(*r);
      return ImageViewer::Menu;
    case kVersion:
      if (!ViewVersionDlg) return ImageViewer::None;
      ViewVersionDlg->CaptionText = r->Name;
      ViewVersionDlg->FileName = FileName;
      return ImageViewer::Version;
    default:
      break;
  }
  if (!ViewImageDlg) return ImageViewer::None;
  TViewImageDlg& view = *ViewImageDlg;
  view.CaptionText = "Resource " + r->Name;
  view.ResourceName = r->Name;
  view.ResourceType = static_cast<uint16_t>(r->Type);
  view.Data = ResourceBytes(*r);
  view.DataSize = static_cast<int32_t>(std::min<uint32_t>(r->Size, INT32_MAX));
  view.ModulePath = FileName;
  view.BaseAddress = ImageAddress(Model, r->OffsetToData);
  const std::vector<nubrik::ResourceRecord>& records = ResourceSection->Resources;
  const uint32_t language = r->Language;
  view.GroupImage = [this, &records, language](uint16_t type, uint16_t id) {
    const nubrik::ResourceRecord* image = FindGroupImage(records, type, id, language);
    return image ? ResourceBytes(*image) : std::nullopt;
  };
  const size_t index = static_cast<size_t>(r - records.data());
  view.Extract = [this, &records, index] {
    ExtractResult result = ExtractResource(
        records, index,
        [this](const nubrik::ResourceRecord& record) { return ResourceBytes(record); });
    TViewImageDlg::SavedFile file;
    if (result.Resource) {
      file.Bytes = std::move(result.Resource->Bytes);
      file.Extension = result.Resource->Extension;
    } else {
      file.Error = result.Error;
    }
    return file;
  };
  view.WriteFile = [this](const std::string& path, std::span<const uint8_t> bytes) {
    return services_.Files.WriteWholeFile(path, bytes);
  };
  return ImageViewer::Image;
}

void TVistrelMainForm::ViewItemImageMenuItemClick() {
  switch (PrepareImage()) {
    case ImageViewer::Hex:
      ViewSourceForm->ShowModal();
      break;
    case ImageViewer::Image:
      ViewImageDlg->ShowModal();
      break;
    case ImageViewer::Menu:
      ViewMenuForm->ShowModal();
      break;
    case ImageViewer::Version:
      ViewVersionDlg->ShowModal();
      break;
    case ImageViewer::None:
      break;
  }
}

void TVistrelMainForm::ResourceTreeViewDblClick() {
  ViewItemImageMenuItemClick();
}

}  // namespace vistrel

// vistrel-cli FILE... [--json | --json-text]: every page of the browser for
// each file, as the window shows it; --json the same facts as data.
// vistrel-cli --hex ITEM [--align byte|word|dword] FILE and
// vistrel-cli --structure ITEM FILE: one item's viewer, exactly the lines of
// its list.
// vistrel-cli --image ITEM FILE: what "Image..." shows of a resource.
// vistrel-cli --extract ITEM -o OUT FILE: a resource as a file of its own.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/vistrel_cli_items.h"
#include "cli/vistrel_cli_report.h"
#ifdef _WIN32
#include "platform/win32/win32_hashing.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_trust.h"
#else
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_hashing.h"
#include "platform/posix/posix_system.h"
#endif
#include "ui/headless/headless.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/resource_extract.h"
#include "vistrel/viewers/resource_script.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/structure_formats.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

namespace {

// The machine's files, digests and program starts: the same program on
// Windows and on Linux.
#ifdef _WIN32
using FileSystem = platform::win32::Win32FileSystem;
using Hashing = platform::win32::Win32Hashing;
using Environment = platform::win32::Win32Environment;
using ProcessLauncher = platform::win32::Win32ProcessLauncher;
#else
using FileSystem = platform::posix::PosixFileSystem;
using Hashing = platform::posix::PosixHashing;
using Environment = platform::posix::PosixEnvironment;
using ProcessLauncher = platform::posix::PosixProcessLauncher;
#endif

// The command line keeps no settings: every read finds nothing and nothing
// is written, so each run starts from the window's defaults.
class NoSettings : public platform::Registry {
 public:
  using Root = platform::RegistryRoot;
  bool KeyExists(Root, const std::string&) override { return false; }
  bool CreateKey(Root, const std::string&) override { return false; }
  bool DeleteKey(Root, const std::string&) override { return false; }
  std::optional<std::vector<uint8_t>> ReadValue(Root, const std::string&, const std::string&,
                                                size_t) override {
    return std::nullopt;
  }
  std::optional<std::string> ReadString(Root, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ReadDword(Root, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool WriteString(Root, const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool WriteDword(Root, const std::string&, const std::string&, uint32_t) override { return false; }
  std::vector<std::string> SubKeys(Root, const std::string&) override { return {}; }
};

// Nor has it a clipboard: the report walk never copies.
class NoClipboard : public platform::Clipboard {
 public:
  bool SetText(const std::string&) override { return false; }
  std::optional<std::string> GetText() override { return std::nullopt; }
  bool Clear() override { return false; }
};

constexpr const char* kUsage =
    "usage: vistrel-cli [--json | --json-text] FILE...\n"
    "       vistrel-cli --hex ITEM [--align byte|word|dword] FILE\n"
    "       vistrel-cli --structure ITEM FILE\n"
    "       vistrel-cli --image ITEM FILE\n"
    "       vistrel-cli --extract ITEM -o OUT FILE\n"
    "       vistrel-cli --help | --version\n"
    "  prints every page of the browser for each file (EXE, DLL, CPL, OCX, ...)\n"
    "  --json        the same facts as data (numbers, dates, digests)\n"
    "  --json-text   the pages' own texts as JSON\n"
    "  --hex         the hex view's lines for ITEM\n"
    "  --structure   the structure viewer's lines for ITEM\n"
    "  --image       what \"Image...\" shows of a resource\n"
    "  --extract     one resource as a file OUT\n"
    "  --            the arguments after it are files, even when they start with -\n"
    "ITEM: file-header, optional-header, section:NAME, export:NAME, export:#ORDINAL,\n"
    "      resource:N or resource:TYPE/NAME\n"
    "exit status: 0 every file shown, 1 a file could not be read or shown, 2 a usage error\n";

// A usage error: the reason, the usage, status 2.
int Usage(const std::string& problem) {
  std::fprintf(stderr, "vistrel-cli: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

// Written in large pieces: a dump of a large section has millions of lines.
class Output {
 public:
  ~Output() { Flush(); }
  std::string& Buffer() { return buffer_; }
  void Line() {
    buffer_ += '\n';
    if (buffer_.size() >= kPiece) Flush();
  }
  void Line(const std::string& text) {
    buffer_ += text;
    Line();
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    buffer_.clear();
  }

 private:
  static constexpr size_t kPiece = 1 << 20;
  std::string buffer_;
};

void PrintLines(const ui::ListBox& list) {
  Output out;
  for (int i = 0; i < list.Count(); ++i) {
    out.Buffer() += list.Item(i);
    out.Line();
  }
}

// The hex view's lines from the rows its list draws, without a copy each.
void PrintHexLines(const vistrel::TViewSourceForm& view) {
  if (!view.ViewSourceListbox->Virtual()) return PrintLines(*view.ViewSourceListbox);
  Output out;
  const vistrel::HexRows& rows = view.Rows();
  for (int i = 0; i < view.ViewSourceListbox->Count(); ++i) {
    rows.AppendRow(static_cast<size_t>(i), view.Alignment, out.Buffer());
    out.Line();
  }
}

enum class ItemView { Hex, Structure, Image, Extract };

struct ItemRequest {
  ItemView View = ItemView::Hex;
  std::string Item;
  vistrel::HexAlign Align = vistrel::HexAlign::Byte;
  std::string Out;  // where --extract writes
};

// The selected resource as the file Save As would write.
std::optional<std::string> ExtractSelected(vistrel::TVistrelMainForm& form,
                                           const ItemRequest& request) {
  const vistrel::ResourcePage& page = *form.ResourceSection;
  const nubrik::ResourceRecord* r = page.SelectedResource();
  if (request.Item.rfind("resource:", 0) != 0 || !r) return request.Item + ": not a resource";
  vistrel::ExtractResult result = vistrel::ExtractResource(
      page.Resources, static_cast<size_t>(r - page.Resources.data()),
      [&form](const nubrik::ResourceRecord& record) { return form.ResourceBytes(record); });
  if (!result.Resource) return result.Error;
  FileSystem files;
  return files.WriteWholeFile(request.Out, result.Resource->Bytes);
}

// What "Image..." shows for the selected resource: the image viewer's
// lines, the menu or dialog as the resource-script text the window is built
// from, the version viewer's fifteen fields, or the hex view's lines.
std::optional<std::string> ShowImage(vistrel::TVistrelMainForm& form) {
  const nubrik::ResourceRecord* r = form.ResourceSection->SelectedResource();
  switch (form.PrepareImage()) {
    case vistrel::TVistrelMainForm::ImageViewer::None:
      return std::string("Image shows nothing here");
    case vistrel::TVistrelMainForm::ImageViewer::Hex:
      form.ViewSourceForm->ShowModal();
      PrintHexLines(*form.ViewSourceForm);
      return std::nullopt;
    case vistrel::TVistrelMainForm::ImageViewer::Menu: {
      const auto& tmpl = form.ViewMenuForm->Template;
      if (!tmpl) return std::string(vistrel::kUnableToView);
      Output out;
      for (const auto& line : vistrel::MenuTemplateLines(*tmpl, static_cast<int32_t>(tmpl->size())))
        out.Line(line);
      return std::nullopt;
    }
    case vistrel::TVistrelMainForm::ImageViewer::Version: {
      form.ViewVersionDlg->ShowModal();
      Output out;
      for (ui::Edit* field : form.ViewVersionDlg->Fields) out.Line(field->Text());
      return std::nullopt;
    }
    case vistrel::TVistrelMainForm::ImageViewer::Image:
      break;
  }
  vistrel::TViewImageDlg& view = *form.ViewImageDlg;
  Output out;
  constexpr uint32_t kDialog = 5;
  if (r && r->Type == kDialog && view.Data) {
    for (const auto& line : vistrel::DialogTemplateLines(*view.Data)) out.Line(line);
    return std::nullopt;
  }
  view.ShowModal();
  for (const auto& line : view.Description()) out.Line(line);
  return std::nullopt;
}

// Opens the file, selects the item and shows its viewer on headless widgets.
int ShowItem(vistrel::TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
             const ItemRequest& request, const std::string& path) {
  int status = 0;
  auto fail = [&](const std::string& text) {
    std::fprintf(stderr, "vistrel-cli: %s: %s\n", path.c_str(), text.c_str());
    status = 1;
  };
  app.Guard([&] {
    form.FileName = path;
    form.LoadFile();
    if (form.OpenError) return fail(*form.OpenError);
    if (!app.messages.empty()) return fail(app.messages.front().Text);
    if (auto error = vistrel::SelectItem(form, request.Item)) return fail(*error);
    if (request.View == ItemView::Extract) {
      if (auto error = ExtractSelected(form, request)) return fail(*error);
    } else if (request.View == ItemView::Hex) {
      vistrel::TViewSourceForm& view = *form.ViewSourceForm;
      view.Alignment = request.Align;
      view.AlignRadioGroup->SetItemIndex(static_cast<int>(request.Align));
      if (!form.PrepareFileOffset()) return fail(request.Item + ": File Offset shows nothing here");
      view.ShowModal();
      PrintHexLines(view);
    } else if (request.View == ItemView::Image) {
      if (auto error = ShowImage(form)) return fail(*error);
    } else {
      if (!form.PrepareStructure()) return fail(request.Item + ": Structure shows nothing here");
      form.StructureDlg->ShowModal();
      PrintLines(*form.StructureDlg->StructureListBox);
    }
  });
  for (const auto& e : app.errors) fail(e);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false, data = false;
  std::vector<std::string> files;
  std::optional<ItemRequest> item;
  std::vector<std::string> args = cli::Arguments(argc, argv);
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool hasValue = i + 1 < args.size();
    if (optionsEnded || !cli::LooksLikeOption(arg)) {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::fputs(cli::VersionLine("vistrel-cli").c_str(), stdout);
      return 0;
    } else if (arg == "--json" || arg == "--json-text") {
      if (json) return Usage("--json and --json-text: one of them, once");
      json = true;
      data = arg == "--json";
    } else if (arg == "--hex" || arg == "--structure" || arg == "--image" || arg == "--extract") {
      if (item) return Usage("one of --hex, --structure, --image and --extract, once");
      if (!hasValue) return Usage("missing ITEM after " + arg);
      ItemView view = arg == "--hex"         ? ItemView::Hex
                      : arg == "--structure" ? ItemView::Structure
                      : arg == "--image"     ? ItemView::Image
                                             : ItemView::Extract;
      item = ItemRequest{view, args[++i], vistrel::HexAlign::Byte, {}};
    } else if (arg == "-o") {
      if (!item || item->View != ItemView::Extract) return Usage("-o goes with --extract");
      if (!item->Out.empty()) return Usage("-o once");
      if (!hasValue || args[i + 1].empty()) return Usage("missing OUT after -o");
      item->Out = args[++i];
    } else if (arg == "--align") {
      if (!item || item->View != ItemView::Hex) return Usage("--align goes with --hex");
      if (!hasValue) return Usage("missing byte, word or dword after --align");
      std::string align = args[++i];
      if (align == "byte") {
        item->Align = vistrel::HexAlign::Byte;
      } else if (align == "word") {
        item->Align = vistrel::HexAlign::Word;
      } else if (align == "dword") {
        item->Align = vistrel::HexAlign::DWord;
      } else {
        return Usage("--align takes byte, word or dword, not '" + align + "'");
      }
    } else {
      return Usage("unknown option '" + arg + "'");
    }
  }
  if (files.empty()) return Usage("no file named");
  cli::RawStandardOutput();

  ui::headless::HeadlessApplication app;
  FileSystem fileSystem;
  Hashing hashing;
#ifdef _WIN32
  platform::win32::Win32TrustVerifier trustVerifier;
  platform::TrustVerifier* trust = &trustVerifier;
#else
  platform::TrustVerifier* trust = nullptr;  // Linux has no judge of signatures
#endif
  Environment environment;
  NoSettings registry;
  NoClipboard clipboard;
  vistrel::TVistrelMainForm form(app, {fileSystem, registry, clipboard, environment});
  ProcessLauncher launcher;
  vistrel::TStructureDlg structureDlg(app);
  vistrel::TDisassemblyDlg disassemblyDlg(app);
  vistrel::TViewSourceForm viewSourceForm(app, {fileSystem, launcher}, nullptr, &structureDlg,
                                          &disassemblyDlg);
  form.ViewSourceForm = &viewSourceForm;
  form.StructureDlg = &structureDlg;
  form.DisassemblyDlg = &disassemblyDlg;
  vistrel::TViewImageDlg viewImageDlg(app);
  vistrel::TViewMenuForm viewMenuForm(app);
  vistrel::TViewVersionDlg viewVersionDlg(app);
  form.ViewImageDlg = &viewImageDlg;
  form.ViewMenuForm = &viewMenuForm;
  form.ViewVersionDlg = &viewVersionDlg;
  if (item) {
    if (files.size() != 1) return Usage("an item view takes one FILE");
    if (json) return Usage("an item view prints no JSON");
    if (item->View == ItemView::Extract && item->Out.empty())
      return Usage("--extract needs -o OUT");
    return ShowItem(form, app, *item, files[0]);
  }

  int failures = 0;
  bool first = true;
  if (json) std::fputs(data ? "[" : "{", stdout);
  for (const auto& path : files) {
    vistrel::FileReport report =
        data ? vistrel::ReportFileData(form, app, path, first, &hashing, trust)
             : vistrel::ReportFile(form, app, path, json, first, {true, &hashing, trust});
    if (!report.Output.empty()) {
      first = false;
      std::fwrite(report.Output.data(), 1, report.Output.size(), stdout);
    }
    for (const auto& e : report.Errors) {
      std::fprintf(stderr, "vistrel-cli: %s: %s\n", path.c_str(), e.c_str());
    }
    if (!report.Errors.empty()) ++failures;
    // The next file starts without this one's view and lists.
    form.FileCloseMenuItemClick();
  }
  if (json) std::fputs(data ? "\n]\n" : "\n}\n", stdout);
  std::fflush(stdout);
  return failures ? 1 : 0;
}

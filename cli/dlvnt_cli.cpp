// dlvnt-cli: the four inventories as the window collects them, printed page
// by page as the window's copy texts, as its Copy All text, or as CSV or JSON.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/dlvnt_cli_data.h"
#include "cli/dlvnt_cli_machine.h"
#include "cli/dlvnt_cli_text.h"
#include "common/json_text.h"
#include "common/text_case.h"
#include "common/version_info_system.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/search_dlg.h"
#include "dlvnt/main_window/main_form.h"
#include "ui/headless/headless.h"

namespace {

constexpr const char* kUsage =
    "usage: dlvnt-cli [--tree] [--csv | --json | --json-text | --copy-all] [--duplicates]\n"
    "                 [--not-found]\n"
    "       dlvnt-cli --details NAME\n"
    "       dlvnt-cli --search NAME [--drives LETTERS]\n"
    "       dlvnt-cli --help | --version\n"
    "  prints the Win32, OCX, driver and Win16 inventories, each page's name\n"
    "  before its tab-separated rows\n"
    "  --tree        also print the process trees of the Win32 and Win16 pages\n"
    "  --csv         comma-separated values with a page column and a header line;\n"
    "                with --tree the trees' lines (page, process, module) instead\n"
    "  --json        the pages as data: a record per row with its state, process id,\n"
    "                size, ISO date, file version, company and signer (and the trees);\n"
    "                schema in docs/schema/dlvnt-cli.schema.json\n"
    "  --json-text   the pages' cells as the window shows them, as JSON\n"
    "  --copy-all    exactly the text the window's Copy All puts on the clipboard\n"
    "  --duplicates  add copies found along the search path\n"
    "  --not-found   add registered servers whose file is missing\n"
    "  --details     the details dialog's copy report for the module NAME\n"
    "  --search      every directory of the drives that holds NAME: size, date, path\n"
    "  --drives      the drive letters to search (default: every fixed, remote and\n"
    "                RAM disk but A:)\n"
    "exit status: 0 done, 1 a module not found or output not written, 2 a usage error\n";

const char* kColumnNames[] = {"type", "module", "size", "date", "path"};

std::string Csv(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string out = "\"";
  for (char c : cell) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Json(const std::string& text) {
  std::string out;
  common::AppendJsonString(text, out);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// The command line never hands a module to the browser: its dialogs get
// no automation, no program start and no files.
class NoBrowser : public platform::AutomationClient, public platform::ProcessLauncher {
 public:
  std::unique_ptr<platform::AutomationObject> Create(const std::string&,
                                                     platform::AutomationStatus* status) override {
    if (status) *status = {platform::kAutomationNotConnected, "No browser from the command line"};
    return nullptr;
  }
  std::unique_ptr<platform::StartedProcess> Start(const std::string&, platform::ShowState,
                                                  std::string* error) override {
    if (error) *error = "No browser from the command line";
    return nullptr;
  }
};

int Usage(const char* problem, const std::string& what) {
  std::fprintf(stderr, "dlvnt-cli: %s%s\n%s", problem, what.c_str(), kUsage);
  return 2;
}

int Write(const std::string& text) {
  // Names read from the machine are bytes, not always UTF-8.
  const std::string out = common::ValidUtf8(text);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using dlvntcli::kPageNames;
  bool tree = false, csv = false, json = false, jsonText = false, copyAll = false,
       duplicates = false, notFound = false;
  std::optional<std::string> details, search, drives;
  std::vector<std::string> args = cli::Arguments(argc, argv);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--details" || arg == "--search" || arg == "--drives") {
      if (i + 1 >= args.size()) return Usage("missing value after ", arg);
      std::string value = args[++i];
      (arg == "--details" ? details : arg == "--search" ? search : drives) = value;
    } else if (arg == "--tree") {
      tree = true;
    } else if (arg == "--csv") {
      csv = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--json-text") {
      jsonText = true;
    } else if (arg == "--copy-all") {
      copyAll = true;
    } else if (arg == "--duplicates") {
      duplicates = true;
    } else if (arg == "--not-found") {
      notFound = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      return Write(cli::VersionLine("dlvnt-cli"));
    } else if (cli::LooksLikeOption(arg)) {
      return Usage("unknown option ", "'" + arg + "'");
    } else {
      return Usage("no file or name goes here: ", "'" + arg + "'");
    }
  }
  if (csv + json + jsonText + copyAll > 1) {
    return Usage("--csv, --json, --json-text and --copy-all exclude each other", "");
  }
  if (copyAll && tree) return Usage("--copy-all prints the grids only, no --tree", "");
  if (details && search) return Usage("--details and --search exclude each other", "");
  if (drives && !search) return Usage("--drives goes with --search", "");
  if ((details || search) && (tree || csv || json || jsonText || copyAll || duplicates || notFound))
    return Usage("--details and --search take no listing options", "");
  if (drives) {
    for (char& c : *drives) {
      c = common::AsciiUpper(c);
      if (c < 'A' || c > 'Z') return Usage("not a drive letter: ", std::string(1, c));
    }
  }
  cli::RawStandardOutput();

  std::unique_ptr<dlvntcli::Machine> machine = dlvntcli::MakeMachine();
  ui::headless::HeadlessApplication app;
  app.SetTitle(dlvnt::kApplicationTitle);
  dlvnt::TMainForm form(app, {machine->Services(), machine->Clipboard(), machine->Printer(), {}});
  NoBrowser noBrowser;
  dlvnt::HandOffServices handOff{noBrowser, noBrowser, machine->Services().Files, "", {}, {}};

  if (search) {
    dlvnt::TSearchDlg dlg(app, {machine->Services().Catalog, machine->Folders()}, handOff);
    std::string letters;
    if (drives) {
      letters = *drives;
    } else {
      for (char c = 'B'; c <= 'Z'; ++c) {
        if (dlvnt::SearchableDrive(machine->Services().Catalog, c)) letters += c;
      }
    }
    dlg.Search(letters, dlvnt::SearchedName(*search));
    std::string out;
    for (const dlvnt::SearchRow& row : dlg.Results)
      out += row[0] + "\t" + row[1] + "\t" + row[2] + "\r\n";
    return Write(out);
  }

  form.Form->Show();
  if (details) {
    dlvnt::TDetailsDlg dlg(app, form, handOff);
    form.DetailsDlg = &dlg;
    uint8_t kind = dlvnt::kNoKind;
    std::string name = common::Upper(*details);
    const dlvnt::TDisplayRow* row = dlg.FindRow(name, kind);
    if (!row) {
      std::fprintf(stderr, "dlvnt-cli: no module %s in the inventory\n", name.c_str());
      form.DetailsDlg = nullptr;
      return 1;
    }
    dlg.PageKind = kind;
    dlg.CurrentRow = row;
    dlg.Display();
    int code = Write(dlg.CopyReport());
    form.DetailsDlg = nullptr;
    return code;
  }
  if (duplicates) form.ViewDuplicatesMenuItemClick();
  if (notFound) {
    form.SetToggle(form.ViewNotFoundMenuItem, form.PopupNotFoundMenuItem, true);
    form.FillPage(dlvnt::kOCXPage, true);
  }
  // Every page collected, as Copy All does.
  for (int page = 0; page < dlvnt::kPageCount; ++page) {
    if (!form.Collected[page]) form.FillPage(page, true);
  }
  std::string out;
  if (copyAll) {
    out = form.CopyAllText();
  } else if (json) {
    out = dlvntcli::InventoryData(form, machine->Services().Files,
                                  versioninfo::DefaultVersionSystem(), tree);
  } else if (!csv && !jsonText) {
    out = dlvntcli::PlainText(form);
    if (tree) out += form.TreeText(dlvnt::kWin32Page) + form.TreeText(dlvnt::kWin16Page);
  } else if (csv) {
    // One shape a stream: the grids' rows, or with --tree the trees' lines.
    if (!tree) {
      out = "page,type,module,size,date,path\r\n";
      for (int page = 0; page < dlvnt::kPageCount; ++page) {
        for (const std::string& line : Lines(form.GridText(page))) {
          out += Csv(kPageNames[page]);
          size_t at = 0;
          for (int c = 0; c < 5; ++c) {
            size_t tab = line.find('\t', at);
            std::string cell =
                line.substr(at, tab == std::string::npos ? std::string::npos : tab - at);
            out += ',';
            out += Csv(cell);
            at = tab == std::string::npos ? line.size() : tab + 1;
          }
          out += "\r\n";
        }
      }
    } else {
      out = "page,process,module\r\n";
      for (int page : {dlvnt::kWin32Page, dlvnt::kWin16Page}) {
        ui::TreeView* view = form.Pages[page].Tree;
        for (ui::TreeNode process : view->Children(ui::kNoNode)) {
          for (ui::TreeNode module : view->Children(process)) {
            out += Csv(kPageNames[page]) + "," + Csv(view->NodeText(process)) + "," +
                   Csv(view->NodeText(module)) + "\r\n";
          }
        }
      }
    }
  } else {
    out = "{\"pages\": [";
    for (int page = 0; page < dlvnt::kPageCount; ++page) {
      out += std::string(page ? ", " : "") + "{\"name\": " + Json(kPageNames[page]) +
             ", \"status\": " + (page == form.ActivePage() ? Json(form.StatusText()) : "null") +
             ", \"rows\": [";
      ui::StringGrid* grid = form.Pages[page].Grid;
      for (int r = 0; r < grid->RowCount(); ++r) {
        out += std::string(r ? ", " : "") + "{";
        for (int c = 0; c < 5; ++c) {
          out +=
              std::string(c ? ", " : "") + "\"" + kColumnNames[c] + "\": " + Json(grid->Cell(c, r));
        }
        out += "}";
      }
      out += "]}";
    }
    out += "]";
    if (tree) {
      out += ", \"trees\": {";
      for (int page : {dlvnt::kWin32Page, dlvnt::kWin16Page}) {
        ui::TreeView* view = form.Pages[page].Tree;
        out += std::string(page ? ", " : "") + Json(kPageNames[page]) + ": [";
        bool first = true;
        for (ui::TreeNode process : view->Children(ui::kNoNode)) {
          out += std::string(first ? "" : ", ") + "{\"process\": " + Json(view->NodeText(process)) +
                 ", \"modules\": [";
          first = false;
          bool firstModule = true;
          for (ui::TreeNode module : view->Children(process)) {
            out += std::string(firstModule ? "" : ", ") + Json(view->NodeText(module));
            firstModule = false;
          }
          out += "]}";
        }
        out += "]";
      }
      out += "}";
    }
    out += "}\n";
  }
  for (const std::string& error : app.errors)
    std::fprintf(stderr, "dlvnt-cli: %s\n", error.c_str());
  return Write(out);
}

#include "cli/dlvnt_cli_data.h"

#include <cmath>
#include <cstdio>

#include "common/json_text.h"
#include "common/version_info.h"
#include "contracts/nubrik/pe_signature.h"

namespace dlvntcli {
namespace {

constexpr const char* kPageNames[] = {"Win32 Modules", "Registered OCXs", "Device Drivers",
                                      "Win16 Modules"};

// The colour key's words for a row's colour; blue rows of the OCX page that
// say "Not found" are servers whose file is missing.
std::string RowState(const dlvnt::TDisplayRow& row, const dlvnt::GridRow& cells) {
  switch (row.Color) {
    case dlvnt::kRed:
      return "duplicate";
    case dlvnt::kGreen:
      return "process";
    case dlvnt::kBlue:
      return cells[3] == dlvnt::kNotFound ? "not found" : "not used";
    default:
      return "in use";
  }
}

void OptionalText(common::JsonWriter& json, const std::string& text) {
  if (text.empty()) {
    json.Null();
  } else {
    json.String(text);
  }
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string SignerOf(platform::FileSystem& files, const std::string& path) {
  std::unique_ptr<platform::MappedFile> file = files.MapReadOnly(path, nullptr);
  if (!file) return {};
  pe::Image image(file->Data(), file->Size());
  if (!image.IsPe()) return {};
  std::optional<pe::AuthenticodeSignature> signature = pe::FindAuthenticode(image);
  return signature && signature->Readable ? signature->Signer : std::string();
}

void WriteRow(const dlvnt::TDisplayRow& row, const dlvnt::GridRow& cells, int page,
              platform::FileSystem& files, const versioninfo::VersionSystem& versions,
              common::JsonWriter& json) {
  const dlvnt::TInventoryItem* item = row.Item;
  json.BeginObject();
  json.Key("state").String(RowState(row, cells));
  json.Key("mainModule").Bool(Trimmed(cells[0]) == "P");
  json.Key("processId");
  if (item && (page == dlvnt::kWin32Page || page == dlvnt::kWin16Page)) {
    json.Number(item->ProcessId);
  } else {
    json.Null();
  }
  json.Key("module");
  OptionalText(json, item ? item->ModuleName : Trimmed(cells[1]));
  std::string path = item ? item->ModulePath : row.Text;
  json.Key("path");
  OptionalText(json, path);
  json.Key("size");
  if (item && item->FileSize >= 0) {
    json.Number(item->FileSize);
  } else {
    json.Null();
  }
  json.Key("date");
  OptionalText(json, item ? DayCountText(item->FileDate) : std::string());
  bool file = item && item->FileSize >= 0 && !path.empty();
  json.Key("fileVersion");
  OptionalText(json, file ? versioninfo::GetVersionString(versions, path, "FileVersion") : "");
  json.Key("company");
  OptionalText(json, file ? versioninfo::GetVersionString(versions, path, "CompanyName") : "");
  json.Key("signer");
  OptionalText(json, file ? SignerOf(files, path) : "");
  json.Key("clsid");
  OptionalText(json, item && page == dlvnt::kOCXPage ? item->ExtraText : "");
  json.EndObject();
}

}  // namespace

std::string DayCountText(double days) {
  if (days == 0 || !std::isfinite(days) || days < 0 || days > 2958466) return {};
  // Whole seconds, rounded as the grid's minutes are not: the stored time.
  int64_t seconds = static_cast<int64_t>(std::llround(days * 86400.0)) - 25569LL * 86400;
  std::string utc = common::IsoUtcTime(seconds);  // the arithmetic is the same for local time
  if (!utc.empty() && utc.back() == 'Z') utc.pop_back();
  return utc;
}

std::string InventoryData(const dlvnt::TMainForm& form, platform::FileSystem& files,
                          const versioninfo::VersionSystem& versions, bool tree) {
  std::string out;
  common::JsonWriter json(out);
  json.BeginObject().Key("pages").BeginArray();
  for (int page = 0; page < dlvnt::kPageCount; ++page) {
    json.BeginObject().Key("name").String(kPageNames[page]);
    json.Key("rows").BeginArray();
    const std::vector<dlvnt::TDisplayRow>& rows = form.RowsOf(page);
    const std::vector<dlvnt::GridRow>& cells = form.PageCells[page];
    for (size_t r = 0; r < rows.size() && r < cells.size(); ++r) {
      // A page without rows (no WOW process, no driver) shows one line of
      // text and no module: no record.
      if (!rows[r].Item && rows[r].Color != dlvnt::kRed && cells[r][3] != dlvnt::kNotFound) {
        continue;
      }
      WriteRow(rows[r], cells[r], page, files, versions, json);
    }
    json.EndArray();
    json.Key("processes");
    if (tree && (page == dlvnt::kWin32Page || page == dlvnt::kWin16Page)) {
      json.BeginArray();
      ui::TreeView* view = form.Pages[page].Tree;
      for (ui::TreeNode process : view->Children(ui::kNoNode)) {
        json.BeginObject().Key("process").String(view->NodeText(process));
        std::vector<std::string> modules;
        for (ui::TreeNode module : view->Children(process))
          modules.push_back(view->NodeText(module));
        json.Key("modules").Strings(modules).EndObject();
      }
      json.EndArray();
    } else {
      json.Null();
    }
    json.EndObject();
  }
  json.EndArray().EndObject();
  out += "\n";
  return out;
}

}  // namespace dlvntcli

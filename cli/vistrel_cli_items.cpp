#include "cli/vistrel_cli_items.h"

#include <cstdlib>

#include "common/text_case.h"

namespace vistrel {
namespace {

// A whole decimal number, nothing else.
std::optional<long long> Number(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return std::strtoll(text.c_str(), nullptr, 10);
}

// The group text without the blank that starts the shared group's " (%d)".
std::string GroupName(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::optional<std::string> SelectSection(TVistrelMainForm& form, const std::string& name) {
  ui::ListBox* list = form.SectionHeaders->SectionHeadersListBox;
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Item(i) != name) continue;
    list->SetItemIndex(i);
    form.SectionHeadersListBoxClick();
    return std::nullopt;
  }
  return "no section named " + name;
}

std::optional<std::string> SelectExport(TVistrelMainForm& form, const std::string& which) {
  std::optional<long long> ordinal;
  if (StartsWith(which, "#")) {
    ordinal = Number(which.substr(1));
    if (!ordinal) return "not an ordinal: " + which;
  }
  ui::ListBox* list = form.ExportSection->ExportSectionListBox;
  for (int i = 0; i < list->Count(); ++i) {
    const ExportEntry* entry = form.ExportOfLine(i);
    if (!entry) continue;
    bool match = ordinal ? entry->Ordinal == *ordinal : entry->Name && *entry->Name == which;
    if (!match) continue;
    list->SetItemIndex(i);
    form.ExportSectionListBoxClick();
    return std::nullopt;
  }
  return "no export " + which;
}

std::optional<std::string> SelectResource(TVistrelMainForm& form, const std::string& which) {
  ResourcePage& page = *form.ResourceSection;
  if (auto index = Number(which)) {
    if (page.SelectResource(static_cast<size_t>(*index))) return std::nullopt;
    return "no resource " + which + " (the file shows " +
           std::to_string(page.ResourceNodes.size()) + ")";
  }
  size_t slash = which.find('/');
  if (slash == std::string::npos) return "not a resource: " + which + " (N or TYPE/NAME)";
  std::string type = which.substr(0, slash), name = which.substr(slash + 1);
  std::optional<long long> typeNumber = Number(type);
  for (size_t i = 0; i < page.ResourceNodes.size(); ++i) {
    const nubrik::ResourceRecord& r = page.Resources[i];
    bool typeMatch = typeNumber ? r.Type == *typeNumber
                                : common::EqualNoCase(GroupName(page.GroupText(r)), type);
    if (typeMatch && r.Name == name && page.SelectResource(i)) return std::nullopt;
  }
  return "no resource " + which;
}

}  // namespace

std::optional<std::string> SelectItem(TVistrelMainForm& form, const std::string& item) {
  if (item == "file-header") {
    form.VistrelPageControl->SetActivePageIndex(kFileHeaderPage);
  } else if (item == "optional-header") {
    form.VistrelPageControl->SetActivePageIndex(kOptionalHeaderPage);
  } else if (StartsWith(item, "section:")) {
    form.VistrelPageControl->SetActivePageIndex(kSectionHeadersPage);
    return SelectSection(form, item.substr(8));
  } else if (StartsWith(item, "export:")) {
    form.VistrelPageControl->SetActivePageIndex(kExportPage);
    return SelectExport(form, item.substr(7));
  } else if (StartsWith(item, "resource:")) {
    form.VistrelPageControl->SetActivePageIndex(kResourcePage);
    return SelectResource(form, item.substr(9));
  } else {
    return "unknown item " + item;
  }
  form.VistrelPageControlChange();
  return std::nullopt;
}

}  // namespace vistrel

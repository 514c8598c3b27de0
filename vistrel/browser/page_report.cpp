#include "vistrel/browser/page_report.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>

namespace vistrel {
namespace {

std::string PageCaption(TVistrelMainForm& form, int page) {
  return form.Pages[page]->Text();
}

// The value of one control as the window shows it.
std::vector<std::string> Lines(ui::Control* control) {
  if (auto* list = dynamic_cast<ui::ListBox*>(control)) return list->Items();
  if (auto* tree = dynamic_cast<ui::TreeView*>(control)) {
    std::vector<std::string> lines;
    for (ui::TreeNode group : tree->Children(ui::kNoNode)) {
      lines.push_back(tree->NodeText(group));
      for (ui::TreeNode leaf : tree->Children(group)) lines.push_back("  " + tree->NodeText(leaf));
    }
    return lines;
  }
  return {control->Text()};
}

bool IsList(ui::Control* control) {
  return control->Kind() == ui::ControlKind::ListBox ||
         control->Kind() == ui::ControlKind::TreeView;
}

void TextFields(const std::vector<PageField>& fields, std::string& out, const char* indent) {
  for (const auto& field : fields) {
    std::string line = indent + field.Label;
    std::vector<std::string> listLines;
    for (ui::Control* control : field.Controls) {
      if (IsList(control)) {
        for (auto& l : Lines(control)) listLines.push_back(std::move(l));
      } else {
        line += " " + control->Text();
      }
    }
    out += line;
    out += '\n';
    for (const auto& l : listLines) {
      out += indent;
      out += "  ";
      out += l;
      out += '\n';
    }
  }
}

void JsonValue(ui::Control* control, std::string& out) {
  if (IsList(control)) {
    out += '[';
    bool first = true;
    for (const auto& line : Lines(control)) {
      if (!first) out += ',';
      first = false;
      AppendJsonString(line, out);
    }
    out += ']';
  } else {
    AppendJsonString(control->Text(), out);
  }
}

void JsonFields(const std::vector<PageField>& fields, std::string& out, size_t skip = 0) {
  out += '{';
  for (size_t i = skip; i < fields.size(); ++i) {
    if (i > skip) out += ',';
    AppendJsonString(fields[i].Label, out);
    out += ':';
    if (fields[i].Controls.size() == 1) {
      JsonValue(fields[i].Controls[0], out);
    } else {
      out += '[';
      for (size_t c = 0; c < fields[i].Controls.size(); ++c) {
        if (c) out += ',';
        JsonValue(fields[i].Controls[c], out);
      }
      out += ']';
    }
  }
  out += '}';
}

// Selects each line of a list in turn, as a click does, and reports what
// the page then shows. Past `limit` lines (hostile files with tens of
// thousands of import descriptors) the line is reported without a click.
template <typename Each>
void ForEachLine(ui::ListBox* list, void (TVistrelMainForm::*click)(), TVistrelMainForm& form,
                 Each each, const std::function<bool(int)>& mayClick = nullptr) {
  int saved = list->ItemIndex();
  for (int i = 0; i < list->Count(); ++i) {
    bool clicked = !mayClick || mayClick(i);
    if (clicked) {
      list->SetItemIndex(i);
      (form.*click)();
    }
    each(i, clicked);
  }
  if (saved >= 0 && saved < list->Count()) {
    list->SetItemIndex(saved);
    (form.*click)();
  }
}

// The header shown for each section line. Lines of one name show the same
// header (the first section of that name), so each name is looked up once;
// past kMaxSectionLookups distinct names (hostile files with tens of
// thousands of sections) the remaining lines are listed without a header.
constexpr int kMaxSectionLookups = 1024;
constexpr int kMaxImportLookups = 1024;
// All modules' function lines together: the same thunks can be shared by
// every descriptor of a hostile file.
constexpr size_t kMaxImportFunctionLines = 262144;

void ForEachSection(TVistrelMainForm& form, const std::function<std::string()>& render,
                    const std::function<void(int line, const std::string* header)>& each) {
  ui::ListBox* list = form.SectionHeadersListBox;
  std::map<std::string, std::string> headers;
  int saved = list->ItemIndex();
  for (int i = 0; i < list->Count(); ++i) {
    std::string name = list->Item(i);
    auto it = headers.find(name);
    if (it == headers.end() && static_cast<int>(headers.size()) < kMaxSectionLookups) {
      list->SetItemIndex(i);
      form.SectionHeadersListBoxClick();
      it = headers.emplace(name, render()).first;
    }
    each(i, it == headers.end() ? nullptr : &it->second);
  }
  if (saved >= 0 && saved < list->Count()) {
    list->SetItemIndex(saved);
    form.SectionHeadersListBoxClick();
  }
}

}  // namespace

void AppendTextReport(TVistrelMainForm& form, std::string& out) {
  for (int page = 0; page < kPageCount; ++page) {
    out += "== " + PageCaption(form, page) + " ==\n";
    if (page == kSectionHeadersPage) {
      ui::ListBox* list = form.SectionHeadersListBox;
      out += "Sections:\n";
      std::vector<PageField> fields(form.PageFields[page].begin() + 1, form.PageFields[page].end());
      ForEachSection(
          form,
          [&] {
            std::string header;
            TextFields(fields, header, "    ");
            return header;
          },
          [&](int i, const std::string* header) {
            out += "  " + list->Item(i) + "\n";
            if (header) out += *header;
          });
    } else if (page == kImportPage) {
      ui::ListBox* list = form.ImportModuleListBox;
      out += "Imported Modules:\n";
      size_t functionLines = 0;
      ForEachLine(
          list, &TVistrelMainForm::ImportModuleListBoxClick, form,
          [&](int i, bool clicked) {
            out += "  " + list->Item(i) + "\n";
            if (!clicked) return;
            for (const auto& f : form.ImportedFunctionsListBox->Items()) out += "    " + f + "\n";
            functionLines += form.ImportedFunctionsListBox->Count();
          },
          [&](int i) { return i < kMaxImportLookups && functionLines < kMaxImportFunctionLines; });
    } else if (page == kExportPage) {
      out +=
          form.PageFields[page][0].Label + " " + form.NumberOfExportedFunctionsEdit->Text() + "\n";
      out += "Exports:\n";
      ui::ListBox* list = form.ExportSectionListBox;
      ForEachLine(list, &TVistrelMainForm::ExportSectionListBoxClick, form, [&](int i, bool) {
        out += "  " + list->Item(i) + "  Entry Point: " + form.EntryPointEdit->Text() + "\n";
      });
    } else {
      TextFields(form.PageFields[page], out, "");
    }
  }
}

void AppendJsonReport(TVistrelMainForm& form, std::string& out) {
  out += '{';
  for (int page = 0; page < kPageCount; ++page) {
    if (page) out += ',';
    AppendJsonString(PageCaption(form, page), out);
    out += ':';
    if (page == kSectionHeadersPage) {
      ui::ListBox* list = form.SectionHeadersListBox;
      out += '[';
      ForEachSection(
          form,
          [&] {
            std::string header;
            JsonFields(form.PageFields[page], header, 1);
            return header;
          },
          [&](int i, const std::string* header) {
            if (i) out += ',';
            out += "{\"Name\":";
            AppendJsonString(list->Item(i), out);
            out += ",\"Header\":";
            out += header ? *header : std::string("null");
            out += '}';
          });
      out += ']';
    } else if (page == kImportPage) {
      ui::ListBox* list = form.ImportModuleListBox;
      out += '[';
      size_t functionLines = 0;
      ForEachLine(
          list, &TVistrelMainForm::ImportModuleListBoxClick, form,
          [&](int i, bool clicked) {
            if (clicked) functionLines += form.ImportedFunctionsListBox->Count();
            if (i) out += ',';
            out += "{\"Module\":";
            AppendJsonString(list->Item(i), out);
            out += ",\"Functions\":";
            if (clicked)
              JsonValue(form.ImportedFunctionsListBox, out);
            else
              out += "null";
            out += '}';
          },
          [&](int i) { return i < kMaxImportLookups && functionLines < kMaxImportFunctionLines; });
      out += ']';
    } else if (page == kExportPage) {
      out += '{';
      AppendJsonString(form.PageFields[page][0].Label, out);
      out += ':';
      AppendJsonString(form.NumberOfExportedFunctionsEdit->Text(), out);
      out += ",\"Exports\":[";
      ui::ListBox* list = form.ExportSectionListBox;
      ForEachLine(list, &TVistrelMainForm::ExportSectionListBoxClick, form, [&](int i, bool) {
        if (i) out += ',';
        out += "{\"Line\":";
        AppendJsonString(list->Item(i), out);
        out += ",\"Entry Point:\":";
        AppendJsonString(form.EntryPointEdit->Text(), out);
        out += '}';
      });
      out += "]}";
    } else {
      JsonFields(form.PageFields[page], out);
    }
  }
  out += '}';
}

}  // namespace vistrel

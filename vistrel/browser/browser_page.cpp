// What every page shares: labelled fields, bounded lists, the report of
// labelled fields.
#include "vistrel/browser/browser_pages.h"
#include "vistrel/browser/page_formats.h"

namespace vistrel {

void BrowserModel::Forget() {
  BaseOfCode = 0;
  ImageBase = 0;
  Is64Bit = false;
  Machine = 0;
  CodeSectionName.clear();
  CodeDelta = 0;
}

std::string ExportEntry::Line() const {
  return ExportLine(Name ? Name->c_str() : nullptr, Ordinal);
}

size_t FillList(ui::ListBox* list, const std::vector<std::string>& lines, size_t limit) {
  list->Clear();
  size_t used = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    used += lines[i].size() + 2;  // with the line break a copy gives it
    if (used > limit) {
      list->AddItem(kRestLeftOut);
      return i;
    }
    list->AddItem(lines[i]);
  }
  return lines.size();
}

std::vector<FieldValue> ValuesOf(const PageField& field) {
  std::vector<FieldValue> values;
  for (ui::Control* control : field.Controls) {
    FieldValue v;
    if (auto* list = dynamic_cast<ui::ListBox*>(control)) {
      v.IsList = true;
      v.Lines = list->Items();
    } else if (auto* tree = dynamic_cast<ui::TreeView*>(control)) {
      v.IsList = true;
      for (ui::TreeNode group : tree->Children(ui::kNoNode)) {
        v.Lines.push_back(tree->NodeText(group));
        for (ui::TreeNode leaf : tree->Children(group))
          v.Lines.push_back("  " + tree->NodeText(leaf));
      }
    } else {
      v.Text = control->Text();
    }
    values.push_back(std::move(v));
  }
  return values;
}

void BrowserPage::Clear() {
  for (auto& field : Fields) {
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

void BrowserPage::Report(ReportSink& sink) {
  sink.BeginPage(Sheet->Text(), false);
  ReportFields(sink);
  sink.EndPage();
}

void BrowserPage::ReportFields(ReportSink& sink, size_t from) const {
  for (size_t i = from; i < Fields.size() && !sink.Full(); ++i) {
    sink.Field(Fields[i].Label, ValuesOf(Fields[i]));
  }
}

ui::Edit* BrowserPage::AddField(const std::string& label, const std::string& editName, int x, int y,
                                int labelWidth, int editWidth) {
  Sheet->AddLabel(editName + "Label", {x, y + 3, labelWidth, 13}, label);
  ui::Edit* edit = Sheet->AddEdit(editName, {x + labelWidth, y, editWidth, 20});
  edit->SetReadOnly(true);
  Fields.push_back(PageField{label, {edit}});
  return edit;
}

}  // namespace vistrel

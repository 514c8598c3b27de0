#include "cli/vistrel_cli_report.h"

#include <memory>

#include "common/json_text.h"

namespace vistrel {

namespace {

FileReport Report(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                  const std::string& path, bool json, bool first) {
  FileReport result;
  app.messages.clear();
  app.errors.clear();
  std::string out;
  bool opened = false, completed = false;
  app.Guard([&] {
    form.FileName = path;
    form.LoadFile();
    if (form.OpenError) return;
    opened = true;
    size_t limit = TextLimit(form.ImageView ? form.ImageView->Size() : 0);
    std::unique_ptr<ReportSink> sink;
    if (json) {
      sink = std::make_unique<JsonSink>(limit);
    } else {
      sink = std::make_unique<TextSink>(limit);
    }
    form.Report(*sink);
    if (json) {
      if (!first) out += ",";
      out += "\n";
      common::AppendJsonString(path, out);
      out += ":";
      if (!app.messages.empty()) {
        out += "{\"Message\":";
        common::AppendJsonString(app.messages.front().Text, out);
        out += ",\"Pages\":" + sink->Output() + "}";
      } else {
        out += sink->Output();
      }
    } else {
      out += "#### " + path + "\n";
      for (const auto& message : app.messages) out += message.Caption + ": " + message.Text + "\n";
      out += sink->Output();
      out += "\n";
    }
    completed = true;
  });
  if (form.OpenError) result.Errors.push_back(*form.OpenError);
  // The window shows such a file as an image of type "Unknown" (an empty one
  // as nothing at all); a script must be able to tell it from a good file.
  const std::string type = form.FileHeader->ImageTypeEdit->Text();
  if (opened && (type == "Unknown" || type.empty())) result.Errors.push_back(kNotAnExecutable);
  result.Errors.insert(result.Errors.end(), app.errors.begin(), app.errors.end());
  // A report cut short by a failure is left out whole: the JSON stays valid.
  if (!opened || completed) result.Output = std::move(out);
  return result;
}

}  // namespace

FileReport ReportFile(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                      const std::string& path, bool json, bool first) {
  try {
    return Report(form, app, path, json, first);
  } catch (const std::exception& e) {
    // Out of memory while gathering the errors: still this file's error.
    FileReport failed;
    failed.Errors.push_back(e.what());
    return failed;
  }
}

}  // namespace vistrel

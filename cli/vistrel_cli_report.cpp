#include "cli/vistrel_cli_report.h"

#include <algorithm>
#include <memory>

#include "cli/vistrel_cli_data.h"
#include "common/json_text.h"

namespace vistrel {

namespace {

// Why a file shows nothing: it could not be opened, or is no executable.
std::vector<std::string> FileErrors(const TVistrelMainForm& form, bool opened) {
  std::vector<std::string> errors;
  if (form.OpenError) errors.push_back(*form.OpenError);
  // The window shows such a file as an image of type "Unknown" (an empty one
  // as nothing at all); a script must be able to tell it from a good file.
  const std::string type = form.FileHeader->ImageTypeEdit->Text();
  if (opened && (type == "Unknown" || type.empty())) errors.push_back(kNotAnExecutable);
  return errors;
}

FileReport Report(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                  const std::string& path, bool json, bool first, const FactServices& facts) {
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
      const std::string& pages = sink->Output();
      out += pages;
      // The pages and the facts' lists share the file's bound.
      if (facts.Wanted) {
        out +=
            FileFactsText(form, facts.Hashing, facts.Trust, limit - std::min(limit, pages.size()));
      }
      out += "\n";
      // A hostile file's names are bytes, not always UTF-8.
      out = common::ValidUtf8(out);
    }
    completed = true;
  });
  // A file that failed otherwise is not said to be no executable.
  result.Errors = FileErrors(form, opened && app.errors.empty());
  result.Errors.insert(result.Errors.end(), app.errors.begin(), app.errors.end());
  // A report cut short by a failure is left out whole: the JSON stays valid.
  if (!opened || completed) result.Output = std::move(out);
  return result;
}

}  // namespace

FileReport ReportFileData(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                          const std::string& path, bool first, platform::Hashing* hashing,
                          platform::TrustVerifier* trust) {
  FileReport result;
  app.messages.clear();
  app.errors.clear();
  try {
    bool opened = false;
    app.Guard([&] {
      form.FileName = path;
      form.LoadFile();
      opened = !form.OpenError;
    });
    result.Errors = FileErrors(form, opened && app.errors.empty());
    result.Errors.insert(result.Errors.end(), app.errors.begin(), app.errors.end());
    std::optional<std::string> error;
    if (!result.Errors.empty()) error = result.Errors.front();
    std::string out = first ? "\n" : ",\n";
    common::JsonWriter json(out);
    // What fails while writing (out of memory) fails the whole element.
    WriteFileData(form, path, error, TextLimit(form.ImageView ? form.ImageView->Size() : 0),
                  hashing, json, trust);
    json.Finish();
    result.Output = std::move(out);
  } catch (const std::exception& e) {
    result.Output.clear();
    result.Errors.push_back(e.what());
  }
  return result;
}

FileReport ReportFile(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                      const std::string& path, bool json, bool first, FactServices facts) {
  try {
    return Report(form, app, path, json, first, facts);
  } catch (const std::exception& e) {
    // Out of memory while gathering the errors: still this file's error.
    FileReport failed;
    failed.Errors.push_back(e.what());
    return failed;
  }
}

}  // namespace vistrel

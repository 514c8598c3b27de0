#include "platform/fake/fake_printer.h"

namespace platform::fake {

bool FakePrinter::ShowDialog() {
  ++dialogs;
  return !cancelDialog;
}

PrintedDocument& FakePrinter::Open() {
  if (!open_) throw PrinterError("No document is open.");
  return documents.back();
}

void FakePrinter::StartPage() {
  PrintedDocument& doc = documents.back();
  if (failAtPage > 0 && static_cast<int>(doc.Pages.size()) + 1 == failAtPage) {
    throw PrinterError("The printer failed at page " + std::to_string(failAtPage) + ".");
  }
  doc.Pages.emplace_back();
}

void FakePrinter::BeginDoc(const std::string& title, const std::string& outputFile) {
  if (Printing()) throw PrinterError("The printer is busy.");
  PrintedDocument doc;
  doc.Title = title;
  doc.OutputFile = outputFile;
  doc.Landscape = landscape_;
  documents.push_back(std::move(doc));
  open_ = true;
  StartPage();
}

void FakePrinter::SetFont(const std::string& name, int points) {
  PrintedDocument& doc = Open();
  doc.FontName = name;
  doc.FontSize = points;
}

TextSize FakePrinter::TextExtent(const std::string& text) {
  PrintedDocument& doc = Open();
  int height = doc.FontSize * dpi / 72;
  return {static_cast<int>(text.size()) * height * 3 / 5, height};
}

int FakePrinter::PageWidth() {
  return Open().Landscape ? paperLength : paperWidth;
}

int FakePrinter::PageHeight() {
  return Open().Landscape ? paperWidth : paperLength;
}

void FakePrinter::NewPage() {
  Open();
  StartPage();
}

void FakePrinter::TextOut(int x, int y, const std::string& text, bool bold) {
  Open().Pages.back().Texts.push_back({x, y, text, bold});
}

void FakePrinter::EndDoc() {
  Open().Ended = true;
  open_ = false;
}

void FakePrinter::AbortDoc() noexcept {
  if (!open_) return;
  documents.back().Aborted = true;
  open_ = false;
}

}  // namespace platform::fake

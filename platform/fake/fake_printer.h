// A printer for tests: records every document, page and text drawn, with its
// position and style; can be told to cancel the dialog, to be busy with
// another job, or to fail when a given page starts.
#ifndef PLATFORM_FAKE_FAKE_PRINTER_H
#define PLATFORM_FAKE_FAKE_PRINTER_H

#include <string>
#include <vector>

#include "platform/printer.h"

namespace platform::fake {

struct PrintedText {
  int X = 0;
  int Y = 0;
  std::string Text;
  bool Bold = false;
};

struct PrintedPage {
  std::vector<PrintedText> Texts;
};

struct PrintedDocument {
  std::string Title;
  std::string OutputFile;
  bool Landscape = false;
  std::string FontName;
  int FontSize = 0;
  std::vector<PrintedPage> Pages;
  bool Ended = false;
  bool Aborted = false;
};

class FakePrinter : public Printer {
 public:
  bool ShowDialog() override;
  bool PrintsToFile() const override { return toFile; }
  bool Printing() const override { return busy || open_; }
  void SetLandscape(bool landscape) override { landscape_ = landscape; }
  void BeginDoc(const std::string& title, const std::string& outputFile) override;
  void SetFont(const std::string& name, int points) override;
  TextSize TextExtent(const std::string& text) override;
  int PageWidth() override;
  int PageHeight() override;
  void NewPage() override;
  void TextOut(int x, int y, const std::string& text, bool bold) override;
  void EndDoc() override;
  void AbortDoc() noexcept override;

  // Scripts.
  bool cancelDialog = false;
  bool busy = false;    // another job holds the printer
  bool toFile = false;  // the dialog chose printing to a file
  int failAtPage = 0;   // starting this page (1: the first) fails; 0: never
  // The device: dots per inch and the paper's sides in device pixels
  // (portrait); a font of p points is p * dpi / 72 high and 3/5 as wide.
  int dpi = 300;
  int paperWidth = 2550;
  int paperLength = 3300;

  // Records.
  int dialogs = 0;
  std::vector<PrintedDocument> documents;

 private:
  void StartPage();
  PrintedDocument& Open();
  bool open_ = false;
  bool landscape_ = false;
};

}  // namespace platform::fake

#endif  // PLATFORM_FAKE_FAKE_PRINTER_H

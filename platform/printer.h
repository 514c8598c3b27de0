// The printer: the print dialog, then one document at a time, drawn as lines
// of text at device positions in one font, regular or bold.
#ifndef PLATFORM_PRINTER_H
#define PLATFORM_PRINTER_H

#include <stdexcept>
#include <string>

namespace platform {

// A failure of the print subsystem itself (no device, a page or document the
// spooler refused). The open document is then to be aborted.
class PrinterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TextSize {
  int Width = 0;
  int Height = 0;
};

class Printer {
 public:
  virtual ~Printer() = default;
  // The print dialog, printing to a file allowed: true when the user
  // confirms. A failure of the dialog itself throws PrinterError.
  virtual bool ShowDialog() = 0;
  // What the dialog chose prints into a file (the box ticked, or a printer
  // on the FILE: port): the document then needs the file's name.
  virtual bool PrintsToFile() const = 0;
  // A document is open on the printer.
  virtual bool Printing() const = 0;
  // For the next document.
  virtual void SetLandscape(bool landscape) = 0;

  // The document; each of these throws PrinterError when the system fails.
  // outputFile: where a document printed to a file goes (empty otherwise).
  // The first page is started with the document.
  virtual void BeginDoc(const std::string& title, const std::string& outputFile) = 0;
  // Points at the printer's own resolution.
  virtual void SetFont(const std::string& name, int points) = 0;
  // In device pixels, in the regular style of the font.
  virtual TextSize TextExtent(const std::string& text) = 0;
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;
  // Ends the page and starts the next.
  virtual void NewPage() = 0;
  // The text's top-left corner at (x, y) in device pixels.
  virtual void TextOut(int x, int y, const std::string& text, bool bold) = 0;
  virtual void EndDoc() = 0;
  // Drops the open document, if any; never throws.
  virtual void AbortDoc() noexcept = 0;
};

}  // namespace platform

#endif  // PLATFORM_PRINTER_H

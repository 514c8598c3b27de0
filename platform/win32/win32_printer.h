// The system's printers: the common print dialog, a device context per
// document, GDI text.
#ifndef PLATFORM_WIN32_WIN32_PRINTER_H
#define PLATFORM_WIN32_WIN32_PRINTER_H

#include <memory>

#include "platform/printer.h"

namespace platform::win32 {

class Win32Printer : public Printer {
 public:
  Win32Printer();
  ~Win32Printer() override;
  Win32Printer(const Win32Printer&) = delete;
  Win32Printer& operator=(const Win32Printer&) = delete;

  // PrintDlgW owned by the active window; the choice presets the next one.
  bool ShowDialog() override;
  // The default printer, as the dialog would offer it, without showing it;
  // false when the system has no printer.
  bool ChooseDefault();
  bool PrintsToFile() const override;
  bool Printing() const override;
  void SetLandscape(bool landscape) override;
  void BeginDoc(const std::string& title, const std::string& outputFile) override;
  void SetFont(const std::string& name, int points) override;
  TextSize TextExtent(const std::string& text) override;
  int PageWidth() override;
  int PageHeight() override;
  void NewPage() override;
  void TextOut(int x, int y, const std::string& text, bool bold) override;
  void EndDoc() override;
  void AbortDoc() noexcept override;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_PRINTER_H

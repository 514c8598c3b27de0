// TViewSourceForm: the hex view. Any block of the file as a dump of 16 bytes
// a row; from it the user goes to an address, starts the calculator and
// opens the structure viewer or the disassembly on the same block.
#ifndef VISTREL_VIEWERS_VIEW_SOURCE_FORM_H
#define VISTREL_VIEWERS_VIEW_SOURCE_FORM_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/files.h"
#include "platform/processes.h"
#include "ui/widgets.h"
#include "vistrel/viewers/hex_rows.h"

namespace vistrel {

class TGoToAddressDlg;
class TStructureDlg;
class TDisassemblyDlg;

inline constexpr const char* kConfigureCalculator =
    "Use the File/Preferences dialogbox to configure this button.";

struct HexViewServices {
  platform::FileSystem& Files;
  platform::ProcessLauncher& Launcher;
};

class TViewSourceForm {
 public:
  // The dialogs may be null (the command-line program has none).
  TViewSourceForm(ui::Application& app, HexViewServices services, TGoToAddressDlg* goTo = nullptr,
                  TStructureDlg* structure = nullptr, TDisassemblyDlg* disassembly = nullptr);
  ~TViewSourceForm();

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;
  // The bytes that may be read from the block's start; nullopt when the
  // block cannot be read. The dump shows BlockLength bytes of them at most.
  std::optional<std::span<const uint8_t>> Block;
  int32_t BlockLength = 0;
  uint64_t BaseAddress = 0;
  uint8_t StructureKind = 0;
  // The optional header handed to the structure viewer is the PE32+ one.
  bool Pe32Plus = false;
  // Where "Calculator..." finds its program (the browser's setting).
  std::function<std::string()> CalculatorPath;

  void SetCurrentRow(int row) { CurrentRow = row; }
  int CurrentRow = 0;
  HexAlign Alignment = HexAlign::Byte;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  // The row whose label the text names; -1 for none.
  int FindRow(const std::string& addressText) const;
  // The rows the dump shows (empty before a showing or without a block).
  const HexRows& Rows() const { return rows_; }

  // Handlers.
  void FormShow();
  void AlignRadioGroupClick();
  void GoToButtonClick();
  void CalcButtonClick();
  void StructureButtonClick();
  void OKBitBtnClick();

  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::Label *ColumnsLabel1, *ColumnsLabel2;
  ui::ListBox* ViewSourceListbox;
  ui::RadioGroup* AlignRadioGroup;
  ui::Button *OKButton, *GoToButton, *CalcButton, *StructureButton;

  TGoToAddressDlg* GoToAddressDlg;
  TStructureDlg* StructureDlg;
  TDisassemblyDlg* DisassemblyDlg;

 private:
  void RebuildDump();
  HexViewServices services_;
  HexRows rows_;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_VIEW_SOURCE_FORM_H

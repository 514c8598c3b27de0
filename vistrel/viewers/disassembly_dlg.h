// TDisassemblyDlg: twenty instructions from a code address.
#ifndef VISTREL_VIEWERS_DISASSEMBLY_DLG_H
#define VISTREL_VIEWERS_DISASSEMBLY_DLG_H

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "ui/widgets.h"

namespace vistrel {

inline constexpr int kDisassemblyLines = 20;
inline constexpr const char* kUnableToView = "*** Unable to view this item ***";

class TDisassemblyDlg {
 public:
  explicit TDisassemblyDlg(ui::Application& app);

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;
  // The bytes the code may be read from (the private image or the view) and
  // the offset of the first instruction in them.
  std::span<const uint8_t> Code;
  uint64_t CodeOffset = 0;
  // The address the first instruction is labelled with.
  uint64_t CodeAddress = 0;
  int Bits = 32;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  void FormShow();

  std::unique_ptr<ui::Form> Form;
  ui::GroupBox* Frame;
  ui::ListBox* DisassemblyListBox;
  ui::Button* OKBtn;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_DISASSEMBLY_DLG_H

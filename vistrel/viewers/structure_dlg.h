// TStructureDlg: a block of the file decoded field by field.
#ifndef VISTREL_VIEWERS_STRUCTURE_DLG_H
#define VISTREL_VIEWERS_STRUCTURE_DLG_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "ui/widgets.h"

namespace vistrel {

class TStructureDlg {
 public:
  explicit TStructureDlg(ui::Application& app);

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;
  uint8_t StructureKind = 0;
  // The bytes that may be read from the block's start (the rest of the file
  // or a resource's data); nullopt when the block lies outside the file.
  std::optional<std::span<const uint8_t>> Block;
  int32_t BlockLength = 0;
  // The optional header is the 240-byte PE32+ one.
  bool Pe32Plus = false;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }
  void FormShow();

  std::unique_ptr<ui::Form> Form;
  ui::ListBox* StructureListBox;
  ui::Button* OKButton;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_STRUCTURE_DLG_H

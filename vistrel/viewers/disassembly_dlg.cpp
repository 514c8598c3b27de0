#include "vistrel/viewers/disassembly_dlg.h"

#include "common/hex_text.h"
#include "contracts/nubrik/nubrik.h"
#include "vistrel/viewers/viewer_ids.h"

namespace vistrel {

TDisassemblyDlg::TDisassemblyDlg(ui::Application& app) : Form(app.CreateForm("DisassemblyDlg")) {
  Form->SetCaption("Dialog");
  Form->SetClientSize(524, 214);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Frame = Form->AddGroupBox("Bevel1", {8, 8, 513, 161}, "");
  // Inside the frame, at (16, 16) of the dialog.
  DisassemblyListBox = Frame->AddListBox("DisassemblyListBox", {8, 8, 497, 145});
  DisassemblyListBox->SetFont(ui::Font{"Courier New", 8, false, false, ui::kBlack});
  DisassemblyListBox->SetItemHeight(14);
  DisassemblyListBox->SetControlId(ids::kDisassemblyListBox);
  OKBtn = Form->AddButton("OKBtn", {224, 180, 75, 25}, "OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(ui::ModalResult::Ok);
  Form->OnShow = [this] { FormShow(); };
}

void TDisassemblyDlg::FormShow() {
  DisassemblyListBox->Clear();
  std::string addressText = Bits == 64 ? common::HexTextWide(CodeAddress)
                                       : common::HexText(static_cast<uint32_t>(CodeAddress));
  Form->SetCaption(CaptionText + " - " + addressText);
  if (CodeOffset >= Code.size()) {
    DisassemblyListBox->AddItem(kUnableToView);
    return;
  }
  const unsigned char* code = Code.data() + CodeOffset;
  const unsigned char* end = Code.data() + Code.size();
  uint64_t address = CodeAddress;
  char text[128];
  for (int i = 0; i < kDisassemblyLines; ++i) {
    text[0] = '\0';
    const unsigned char* before = code;
    int length = NubrikDisassembleEx(&code, end, address, Bits, text, sizeof text);
    text[sizeof text - 1] = '\0';
    DisassemblyListBox->AddItem(text);
    // Past the end the library decodes nothing: the remaining lines stay
    // empty rather than repeating the last instruction.
    if (length > 0) address += static_cast<uint64_t>(code - before);
  }
}

}  // namespace vistrel

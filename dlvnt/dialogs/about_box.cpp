#include "dlvnt/dialogs/about_box.h"

#include "common/about_texts.h"
#include "common/version_info_system.h"

namespace dlvnt {
namespace {

constexpr const char* kAboutCaption = "About Delvane for Windows NT";
// The labels' design texts, shown when the program file has no better.
const versioninfo::AboutTexts kDesignTexts{"Version 4.0", "Delvane for Windows NT",
                                           "Copyright (c) Tessaloom. All rights reserved."};

}  // namespace

TDelvaneNTAboutBox::TDelvaneNTAboutBox(ui::Application& app, std::string programPath,
                                       const versioninfo::VersionSystem* system)
    : ProgramPath(std::move(programPath)),
      Form(app.CreateForm("DelvaneNTAboutBox")),
      system_(system) {
  Form->SetCaption(kAboutCaption);
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetClientSize(521, 203);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  GroupBox1 = Form->AddGroupBox("GroupBox1", {8, 4, 505, 153}, "");
  ProgramIcon = GroupBox1->AddImage("ProgramIcon", {16, 20, 33, 33});
  ProgramIcon->SetIconResource(1);
  ProductName = GroupBox1->AddLabel("ProductName", {64, 20, 300, 24}, "Delvane for Windows NT");
  // 19 pixels at 96 DPI is about 14 points.
  ProductName->SetFont(ui::Font{"Times New Roman", 14, true, true, ui::kBlack});
  TrademarkLabel = GroupBox1->AddLabel("TrademarkLabel", {366, 18, 20, 13}, "TM");
  TrademarkLabel->SetFont(ui::Font{"MS Sans Serif", 7, true, false, ui::kBlack});
  Version = GroupBox1->AddLabel("Version", {8, 56, 489, 13}, kDesignTexts.Version);
  Version->SetAlignment(ui::Alignment::Center);
  Copyright = GroupBox1->AddLabel("Copyright", {8, 78, 489, 13}, kDesignTexts.Product);
  Copyright->SetAlignment(ui::Alignment::Center);
  Copyright2Label =
      GroupBox1->AddLabel("Copyright2Label", {8, 98, 489, 13}, kDesignTexts.Copyright);
  Copyright2Label->SetAlignment(ui::Alignment::Center);
  ContactLabel = GroupBox1->AddLabel("ContactLabel", {8, 124, 489, 13},
                                     "Questions: support@tessaloom.example");
  ContactLabel->SetAlignment(ui::Alignment::Center);
  OKButton = Form->AddButton("OKButton", {223, 168, 75, 25}, "OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(ui::ModalResult::Ok);
  Form->OnShow = [this] { FormShow(); };
}

void TDelvaneNTAboutBox::FormShow() {
  Form->SetCaption(kAboutCaption);
  const versioninfo::VersionSystem& system =
      system_ ? *system_ : versioninfo::DefaultVersionSystem();
  versioninfo::AboutTexts texts = versioninfo::ReadAboutTexts(system, ProgramPath, kDesignTexts);
  Version->SetText(texts.Version);
  Copyright->SetText(texts.Product);
  Copyright2Label->SetText(texts.Copyright);
}

}  // namespace dlvnt

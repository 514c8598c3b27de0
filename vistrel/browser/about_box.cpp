#include "vistrel/browser/about_box.h"

#include "common/about_texts.h"
#include "common/version_info.h"

namespace vistrel {
namespace {

// The labels' design texts, shown when the program file has no better.
const versioninfo::AboutTexts kDesignTexts{"Version 4.0.1", "PE file browser and automation server",
                                           "Copyright (c) Tessaloom. All rights reserved."};

}  // namespace

TAboutBox::TAboutBox(ui::Application& app, std::string programPath,
                     const versioninfo::VersionSystem* system)
    : ProgramPath(std::move(programPath)), Form(app.CreateForm("AboutBox")), system_(system) {
  Form->SetCaption("About Vistrel");
  Form->SetBorderStyle(ui::BorderStyle::Dialog);
  Form->SetClientSize(306, 199);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Panel1 = Form->AddPanel("Panel1", {8, 8, 290, 150});
  Panel1->SetBevel(false);
  ProgramIcon = Panel1->AddImage("ProgramIcon", {12, 12, 32, 32});
  ProgramIcon->SetIconResource(1);
  ProductName = Panel1->AddLabel("ProductName", {60, 14, 120, 24}, "Vistrel");
  ProductName->SetFont(ui::Font{"Times New Roman", 16, true, true, ui::kBlack});
  TrademarkLabel = Panel1->AddLabel("TrademarkLabel", {150, 12, 24, 13}, "TM");
  TrademarkLabel->SetFont(ui::Font{"MS Sans Serif", 7, true, false, ui::kBlack});
  VersionLabel = Panel1->AddLabel("VersionLabel", {60, 46, 220, 13}, kDesignTexts.Version);
  CopyrightLabel1 = Panel1->AddLabel("CopyrightLabel1", {12, 70, 266, 13}, kDesignTexts.Product);
  CopyrightLabel2 = Panel1->AddLabel("CopyrightLabel2", {12, 92, 266, 13}, kDesignTexts.Copyright);
  ContactLabel =
      Panel1->AddLabel("ContactLabel", {12, 114, 266, 13}, "Questions: support@tessaloom.example");
  OKButton = Form->AddButton("OKButton", {115, 166, 75, 25}, "OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(ui::ModalResult::Ok);
  Form->OnShow = [this] { FormShow(); };
}

void TAboutBox::FormShow() {
  const versioninfo::VersionSystem& system =
      system_ ? *system_ : versioninfo::DefaultVersionSystem();
  versioninfo::AboutTexts texts = versioninfo::ReadAboutTexts(system, ProgramPath, kDesignTexts);
  VersionLabel->SetText(texts.Version);
  CopyrightLabel1->SetText(texts.Product);
  CopyrightLabel2->SetText(texts.Copyright);
}

}  // namespace vistrel

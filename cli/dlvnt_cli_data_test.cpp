#include "cli/dlvnt_cli_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/version_info_test_util.h"
#include "dlv_fixtures.h"
#include "dlvnt/inventory/test_machine.h"
#include "ui/headless/headless.h"

namespace dlvntcli {
namespace {

namespace vt = versioninfo::testing;

TEST(DlvntCliData, DatesAreTheirDayCountsInIsoForm) {
  EXPECT_EQ(DayCountText(0), "");
  EXPECT_EQ(DayCountText(25569), "1970-01-01T00:00:00");
  EXPECT_EQ(DayCountText(36000.5), "1998-07-24T12:00:00");
  EXPECT_EQ(DayCountText(platform::DayCount(2026, 12, 9, 10, 45, 30, 0)), "2026-12-09T10:45:30");
  EXPECT_EQ(DayCountText(-1), "");
  EXPECT_EQ(DayCountText(1e300), "");
}

TEST(DlvntCliData, RowsAreRecordsWithTheirStateNumbersVersionAndSigner) {
  dlvnt::testing::TestMachine m;
  m.AddImage("C:\\APP\\APP.EXE", {"kernel32.dll"});
  m.AddImage("C:\\WINNT\\system32\\KERNEL32.DLL");
  std::ifstream signedFile(DLV_SIGNED_EXE_X64, std::ios::binary);
  std::stringstream signedBytes;
  signedBytes << signedFile.rdbuf();
  m.AddFile("C:\\APP\\SIGNED.DLL", signedBytes.str());
  m.system.AddProcess(8, {{"APP.EXE", "C:\\APP\\APP.EXE"},
                          {"KERNEL32.DLL", "C:\\WINNT\\system32\\KERNEL32.DLL"},
                          {"SIGNED.DLL", "C:\\APP\\SIGNED.DLL"}});
  m.AddClass("{2}", "InprocServer32", "C:\\GONE\\GONE.OCX");
  m.AddImage("C:\\WINNT\\system32\\OCX1.DLL");
  m.AddClass("{1}", "InprocServer32", "C:\\WINNT\\system32\\OCX1.DLL");
  vt::BlockSystem versions;
  versions.Add("C:\\WINNT\\SYSTEM32\\KERNEL32.DLL",
               vt::Serialize(vt::Block(
                   {}, {{"040904B0", {{"FileVersion", u"10.0.1"}, {"CompanyName", u"Tessaloom"}}}},
                   {{0x0409, 1200}})));
  ui::headless::HeadlessApplication app;
  dlvnt::TMainForm form(app, {m.Services(), m.clipboard, m.printer, {}});
  form.Form->Show();
  form.SetToggle(form.ViewNotFoundMenuItem, form.PopupNotFoundMenuItem, true);
  form.CopyAllText();  // every page filled, as the command line does

  std::string text = InventoryData(form, m.files, versions, true);
  // The texts the window shows stay out of the data: no padded cells.
  EXPECT_EQ(text.find("  "), std::string::npos) << text;
  EXPECT_NE(text.find("{\"state\":\"process\",\"mainModule\":true,\"processId\":8,"
                      "\"module\":\"APP.EXE\",\"path\":\"C:\\\\APP\\\\APP.EXE\",\"size\":"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"date\":\"1998-07-24T12:00:00\""), std::string::npos);
  EXPECT_NE(text.find("\"module\":\"KERNEL32.DLL\",\"path\":"
                      "\"C:\\\\WINNT\\\\SYSTEM32\\\\KERNEL32.DLL\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"fileVersion\":\"10.0.1\",\"company\":\"Tessaloom\""), std::string::npos)
      << text;
  if (DLV_SIGNED_FIXTURES) {
    EXPECT_NE(text.find("\"signer\":\"Tessaloom Test Signer\""), std::string::npos) << text;
  }
  EXPECT_NE(text.find("{\"state\":\"not found\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"clsid\":\"{1}\""), std::string::npos) << text;
  // The drivers and Win16 pages hold no module: empty lists, not a blank row.
  EXPECT_NE(text.find("{\"name\":\"Device Drivers\",\"rows\":[],\"processes\":null}"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("{\"name\":\"Win16 Modules\",\"rows\":[],\"processes\":[]}"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"processes\":[{\"process\":\"APP.EXE (8)\""), std::string::npos) << text;
}

}  // namespace
}  // namespace dlvntcli

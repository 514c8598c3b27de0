// dlvnt's Win16 page under Wine with the simulated WOW host: two simulated
// WOW processes holding real 16-bit files that this driver writes; the page
// and tree filled by our dlv16.exe, the details of a shared module (its uses
// from its module-reference table, its users and tasks, its own version
// texts), no "*.dlv" file left behind, and a helper that never answers.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <gtest/gtest.h>

#include "common/text_case.h"
#include "common/win32/utf16.h"
#include "dlvnt/dialogs/dialog_ids.h"
#include "dlvnt/inventory/win16.h"
#include "tests/e2e/dlvnt_driver.h"
#include "tests/e2e/win16_machine.h"

namespace {

namespace ids = dlvnt::ids;
using common::Wide;
using Lines = std::vector<std::string>;

// The helper's files in dlvnt's folder.
Lines HelperFilesLeft(const e2e::Win16Machine& machine) {
  Lines names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(machine.program + "\\*.dlv").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(common::Utf8(found.cFileName));
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

TEST(DlvntWin16E2E, ThePageTreeAndDetailsComeFromTheHelper) {
  e2e::Win16Machine machine;
  ASSERT_TRUE(machine.ok);
  std::string upper = common::Upper(machine.folder);
  e2e::Dlvnt d;
  ASSERT_TRUE(d.Start(machine.program));
  e2e::SelectTab(e2e::FindChild(d.window, dlvnt::kPageControlId), 3);
  HWND grid = e2e::FindChild(d.window, dlvnt::kGridControlIds[3]);
  std::vector<Lines> rows;
  ASSERT_TRUE(e2e::WaitFor([&] {
    rows = e2e::GridRows(grid, 5);
    return rows.size() == 3;
  })) << e2e::StatusText(d.status);
  // The tasks are marked, the library shared by both processes is one row.
  EXPECT_EQ(rows[0][0], "P");
  EXPECT_EQ(rows[0][1], "CARDS");
  EXPECT_EQ(rows[0][4], upper + "CARDS.EXE");
  EXPECT_EQ(rows[1][1], "CARDLIB");
  EXPECT_EQ(rows[1][0], " ");
  EXPECT_EQ(rows[2][1], "NOTES");
  EXPECT_EQ(e2e::StatusText(d.status), "3 Items Displayed - 0 Duplicate(s)");
  EXPECT_EQ(HelperFilesLeft(machine), Lines{});

  // The tree: a node per WOW process, its modules' paths under it.
  e2e::PostCommand(d.window, dlvnt::kCmdViewTreeView);
  ASSERT_TRUE(e2e::WaitFor(
      [&] { return IsWindowVisible(e2e::FindChild(d.window, dlvnt::kTreeControlIds[1])) != 0; }));
  e2e::SetClipboardText("before");
  e2e::PostCommand(d.window, dlvnt::kCmdEditCopyModule16);
  std::optional<std::string> tree;
  ASSERT_TRUE(e2e::WaitFor([&] {
    tree = e2e::ClipboardText();
    return tree && *tree != "before";
  }));
  EXPECT_NE(tree->find("000003e9\r\n" + machine.folder + "CARDS.EXE\r\n" + machine.folder +
                       "CARDLIB.DLL\r\n"),
            std::string::npos)
      << *tree;
  EXPECT_NE(tree->find("000003ea\r\n" + machine.folder + "NOTES.EXE\r\n"), std::string::npos);
  EXPECT_NE(e2e::StatusText(d.status).find("2 Processes, "), std::string::npos);
  e2e::PostCommand(d.window, dlvnt::kCmdViewTreeView);
  ASSERT_TRUE(e2e::WaitFor([&] { return IsWindowVisible(grid) != 0; }));

  // The details of the shared library: what it uses, who uses it, the tasks
  // in both processes, and its own version texts.
  e2e::SelectGridRow(grid, 1);
  e2e::PostCommand(d.window, dlvnt::kCmdModulesDetails);
  HWND dlg = e2e::WaitForTopWindow(d.process.Id(), "Delvane Details for CARDLIB");
  ASSERT_TRUE(dlg);
  auto child = [&](int id) { return e2e::FindChild(dlg, id); };
  HWND company = child(ids::kFirstVersionEdit + 7);
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::WindowText(company) == "Tessaloom Sixteen"; }))
      << e2e::WindowText(company);
  EXPECT_EQ(e2e::WindowText(child(ids::kFirstVersionEdit)), "File Version 3.0.0.10");
  EXPECT_EQ(e2e::WindowText(child(ids::kFirstVersionEdit + 3)), "File OS DOS-Win16");
  EXPECT_EQ(e2e::WindowText(child(ids::kFirstVersionEdit + 8)), "Cards");
  EXPECT_EQ(e2e::ListBoxItems(child(ids::kUsesListBox)), Lines{"KERNEL"});
  EXPECT_EQ(e2e::ListBoxItems(child(ids::kUsedByListBox)), (Lines{"CARDS.EXE", "NOTES.EXE"}));
  EXPECT_EQ(e2e::ListBoxItems(child(ids::kTasksListBox)),
            (Lines{"CARDS.EXE (1001)", "NOTES.EXE (1002)"}));
  EXPECT_EQ(e2e::WindowText(child(ids::kUsageCountEdit)), "2");
  EXPECT_EQ(e2e::FindTopWindow(d.process.Id(), "Delvane NT", "#32770"), nullptr);
  PostMessageW(child(ids::kDetailsOKButton), BM_CLICK, 0, 0);
  ASSERT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(dlg); }));
  EXPECT_EQ(HelperFilesLeft(machine), Lines{});
  EXPECT_TRUE(d.Close());
  EXPECT_EQ(HelperFilesLeft(machine), Lines{});
}

TEST(DlvntWin16E2E, AHelperThatNeverAnswersIsReportedAndDlvntGoesOn) {
  // The helper writes its file within dlvnt's bound (a margin for starting
  // a process under Wine on a loaded machine).
  e2e::Win16Machine machine("silent\nwait 4\n");
  ASSERT_TRUE(machine.ok);
  e2e::Dlvnt d;
  ASSERT_TRUE(d.Start(machine.program));
  auto started = std::chrono::steady_clock::now();
  e2e::SelectTab(e2e::FindChild(d.window, dlvnt::kPageControlId), 3);
  HWND box = e2e::WaitForTopWindow(d.process.Id(), "Delvane NT", "#32770");
  ASSERT_TRUE(box);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3500));
  EXPECT_EQ(e2e::MessageBoxText(box), dlvnt::kHelperNoAnswer);
  HWND ok = e2e::FindChildByText(box, "Button", "OK");
  ASSERT_TRUE(ok);
  e2e::Click(ok);
  // What the helper wrote before it hung is shown, and its files are gone.
  HWND grid = e2e::FindChild(d.window, dlvnt::kGridControlIds[3]);
  EXPECT_TRUE(e2e::WaitFor([&] { return e2e::GridRows(grid, 5).size() == 3; }));
  EXPECT_EQ(HelperFilesLeft(machine), Lines{});
  // The window still answers: the Win32 page and a close.
  e2e::SelectTab(e2e::FindChild(d.window, dlvnt::kPageControlId), 0);
  EXPECT_TRUE(e2e::WaitFor([&] {
    return e2e::GridRows(e2e::FindChild(d.window, dlvnt::kGridControlIds[0]), 5).size() > 5;
  }));
  EXPECT_TRUE(d.Close());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  return RUN_ALL_TESTS();
}

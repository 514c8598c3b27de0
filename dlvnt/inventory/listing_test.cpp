#include "dlvnt/inventory/listing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dlvnt/inventory/collect.h"
#include "dlvnt/inventory/paths.h"
#include "dlvnt/inventory/test_machine.h"
#include "platform/inventory.h"

namespace dlvnt {
namespace {

using testing::TestMachine;

TEST(FormatSize, GroupsAndPads) {
  EXPECT_EQ(FormatSize(0), "        0");
  EXPECT_EQ(FormatSize(999), "      999");
  EXPECT_EQ(FormatSize(1000), "    1,000");
  EXPECT_EQ(FormatSize(1234567), "1,234,567");
  EXPECT_EQ(FormatSize(123456789), "123,456,789");
  EXPECT_EQ(FormatSize(-1), "       -1");
  EXPECT_EQ(FormatSize(-1234), "   -1,234");
  EXPECT_EQ(FormatSize(INT32_MIN), "-2,147,483,648");
}

TEST(FormatDate, PatternAndLimits) {
  EXPECT_EQ(FormatDate(0), "12-30-99  00:00");
  EXPECT_EQ(FormatDate(platform::DayCount(2026, 12, 8, 10, 5, 0, 0)), "12-08-26  10:05");
  EXPECT_EQ(FormatDate(platform::DayCount(1999, 2, 28, 23, 59, 0, 0)), "02-28-99  23:59");
  EXPECT_EQ(FormatDate(platform::DayCount(2000, 2, 29, 0, 0, 59, 0)), "02-29-00  00:00");
  EXPECT_EQ(FormatDate(std::nan("")), "Invalid date");
  EXPECT_EQ(FormatDate(INFINITY), "Invalid date");
  EXPECT_EQ(FormatDate(1e12), "Invalid date");
}

// The minute shown is the one the file time lies in, never the next one,
// across minute, hour, day, month, leap-day and year ends.
TEST(FormatDate, ShowsTheFileTimesOwnMinute) {
  struct Case {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
    const char* Expected;
  };
  const Case cases[] = {
      {2026, 12, 8, 10, 59, 59, 600, "12-08-26  10:59"},  // not 11:00
      {2026, 12, 8, 10, 4, 59, 500, "12-08-26  10:04"},
      {2026, 12, 8, 10, 4, 59, 999, "12-08-26  10:04"},
      {2026, 12, 8, 10, 5, 0, 0, "12-08-26  10:05"},  // a whole minute stays itself
      {2026, 12, 8, 10, 5, 0, 1, "12-08-26  10:05"},
      {2026, 12, 8, 23, 59, 59, 999, "12-08-26  23:59"},  // not the next day
      {2026, 12, 9, 0, 0, 0, 0, "12-09-26  00:00"},
      {2026, 1, 31, 23, 59, 30, 0, "01-31-26  23:59"},
      {2026, 2, 1, 0, 0, 0, 0, "02-01-26  00:00"},
      {2000, 2, 28, 23, 59, 59, 999, "02-28-00  23:59"},
      {2000, 2, 29, 0, 0, 0, 0, "02-29-00  00:00"},
      {2000, 2, 29, 23, 59, 59, 500, "02-29-00  23:59"},
      {1999, 12, 31, 23, 59, 59, 999, "12-31-99  23:59"},  // not the next year
      {2000, 1, 1, 0, 0, 0, 0, "01-01-00  00:00"},
      {9999, 12, 31, 23, 59, 59, 999, "12-31-99  23:59"},  // the coarsest fraction the value has
      {9999, 12, 31, 0, 1, 0, 0, "12-31-99  00:01"},
      {1601, 1, 1, 0, 0, 0, 0, "01-01-01  00:00"},  // the first file time
  };
  for (const Case& c : cases) {
    double date =
        platform::DayCount(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, c.Millisecond);
    EXPECT_EQ(FormatDate(date), c.Expected)
        << c.Year << "-" << c.Month << "-" << c.Day << " " << c.Hour << ":" << c.Minute << ":"
        << c.Second << "." << c.Millisecond;
  }
  // A hair before midnight, closer than a millisecond, is still that day.
  EXPECT_EQ(FormatDate(platform::DayCount(2026, 12, 8, 0, 0, 0, 0) + (1.0 - 1e-10)),
            "12-08-26  23:59");
  // Before 30 December 1899 the fraction is still the time of that day.
  EXPECT_EQ(FormatDate(-1.25), "12-29-99  06:00");
  EXPECT_EQ(FormatDate(-1.0 - 59.9 / 86400.0), "12-29-99  00:00");
}

TEST(Rows, ItemAndDuplicateRows) {
  TestMachine m;
  TInventoryItem item;
  item.Kind = kMainModule;
  item.ModuleName = "APP.EXE";
  item.ModulePath = "C:\\APP\\APP.EXE";
  item.FileSize = 1000;
  EXPECT_EQ(ItemRow(item),
            (GridRow{"P", "APP.EXE", "    1,000", "12-30-99  00:00", "C:\\APP\\APP.EXE"}));
  item.Kind = kOtherModule;
  EXPECT_EQ(ItemRow(item)[0], " ");
  m.catalog.AddFile("C:\\Tools\\App.exe", 5, 0);
  EXPECT_EQ(DuplicateRow(m.catalog, "C:\\Tools\\App.exe", "app.exe"),
            (GridRow{"D", "APP.EXE", "        5", "12-30-99  00:00", "C:\\TOOLS\\APP.EXE"}));
}

struct FillFixture : ::testing::Test {
  TestMachine m;
  ItemList items;
  UsageList usage;
  std::vector<std::string> search;
  void SetUp() override {
    m.catalog.variables["PATH"] = "C:\\TOOLS;C:\\APP;C:\\MORE";
    search = BuildSearchPathList(m.catalog, m.dirs);
  }
  TInventoryItem& Add(const std::string& name, const std::string& path, int16_t kind) {
    TInventoryItem item;
    item.ModuleName = name;
    item.ModulePath = path;
    item.Kind = kind;
    item.FileSize = 10;
    return items.Append(item);
  }
};

TEST_F(FillFixture, Win32ColoursAndStatusWithoutDuplicates) {
  Add("APP.EXE", "C:\\APP\\APP.EXE", kMainModule);
  Add("USED.DLL", "C:\\APP\\USED.DLL", kOtherModule);
  Add("IDLE.DLL", "C:\\APP\\IDLE.DLL", kOtherModule);
  usage.Append("USED.DLL", "APP.EXE", 1);
  PageFill fill = FillModule32Rows(m.catalog, search, items, usage, {}, 3, 9);
  ASSERT_EQ(fill.Rows.size(), 3u);
  EXPECT_EQ(fill.Rows[0].Color, kGreen);
  EXPECT_EQ(fill.Rows[1].Color, kBlack);
  EXPECT_EQ(fill.Rows[2].Color, kBlue);
  EXPECT_EQ(fill.Rows[2].Item, &items[2]);
  EXPECT_EQ(fill.Rows[2].Row, 2);
  EXPECT_EQ(fill.StatusText, "3 Items Displayed - 0 Duplicate(s)");
  FillOptions tree;
  tree.TreeMode = true;
  EXPECT_EQ(FillModule32Rows(m.catalog, search, items, usage, tree, 3, 9).StatusText,
            "3 Processes, 6 Item(s)");
}

TEST_F(FillFixture, DuplicatesSkipSystemWindowsAndOwnDirectory) {
  Add("X.DLL", "C:\\APP\\X.DLL", kOtherModule);
  m.catalog.AddFile("C:\\APP\\X.DLL", 10);
  m.catalog.AddFile("C:\\WINNT\\system32\\X.DLL", 10);
  m.catalog.AddFile("C:\\WINNT\\X.DLL", 10);
  m.catalog.AddFile("C:\\TOOLS\\X.DLL", 20);
  m.catalog.AddFile("C:\\MORE\\X.DLL", 0);  // empty: absent
  FillOptions options;
  options.Duplicates = true;
  PageFill fill = FillModule32Rows(m.catalog, search, items, usage, options, 0, 0);
  ASSERT_EQ(fill.Rows.size(), 2u);
  EXPECT_EQ(fill.Duplicates, 1);
  EXPECT_EQ(fill.Rows[1].Color, kRed);
  EXPECT_EQ(fill.Rows[1].Item, nullptr);
  EXPECT_EQ(fill.Rows[1].Text, "C:\\TOOLS\\X.DLL");
  EXPECT_EQ(fill.Cells[1][0], "D");
  EXPECT_EQ(fill.Cells[1][2], "       20");
  EXPECT_EQ(fill.StatusText, "2 Items Displayed - 1 Duplicate(s)");
}

TEST_F(FillFixture, OCXNotFoundRowsAndPlaceholders) {
  Add("HERE.DLL", "C:\\APP\\HERE.DLL", kOcxImage);
  Add("GONE.DLL", "C:\\GONE\\GONE.DLL", kOcxUnreadable).FileSize = -1;
  usage.Append("HERE.DLL", "APP.EXE", 1);
  InventoryServices services = m.Services();
  FillOptions options;
  PageFill hidden = FillOCXRows(services, search, items, usage, options, false, nullptr);
  ASSERT_EQ(hidden.Rows.size(), 1u);
  EXPECT_EQ(hidden.Rows[0].Color, kBlack);
  EXPECT_EQ(hidden.StatusText, "1 Item(s) Displayed - 0 Duplicate(s)");

  options.NotFound = true;
  CollectionHeap heap;
  PageFill shown = FillOCXRows(services, search, items, usage, options, true, &heap);
  ASSERT_EQ(shown.Rows.size(), 2u);
  EXPECT_EQ(shown.Cells[1], (GridRow{" ", "GONE.DLL", " ", "Not found", "C:\\GONE\\GONE.DLL"}));
  EXPECT_EQ(shown.Rows[1].Color, kBlue);
  EXPECT_EQ(shown.Rows[1].Item, nullptr);
  // The collecting fill appended a placeholder; a later fill lists it too.
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items[2].ModulePath, "");
  EXPECT_EQ(items[2].ExtraText, " ");
  PageFill again = FillOCXRows(services, search, items, usage, options, false, nullptr);
  ASSERT_EQ(again.Rows.size(), 3u);
  EXPECT_EQ(again.Cells[2][4], "");
}

// A server file is present when it has at least one byte: an empty file is
// listed as not found (or hidden), like a missing one.
TEST_F(FillFixture, OCXZeroByteServerCountsAsAbsent) {
  struct Case {
    int32_t Size;
    bool NotFound;
    size_t Rows;
    bool ItemRow;
  };
  const Case cases[] = {
      {-1, false, 0, false}, {0, false, 0, false}, {1, false, 1, true},
      {-1, true, 1, false},  {0, true, 1, false},  {1, true, 1, true},
  };
  InventoryServices services = m.Services();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "size " << c.Size << ", not found " << c.NotFound);
    items.Clear();
    Add("SERVER.OCX", "C:\\APP\\SERVER.OCX", kOcxImage).FileSize = c.Size;
    FillOptions options;
    options.NotFound = c.NotFound;
    PageFill fill = FillOCXRows(services, search, items, usage, options, false, nullptr);
    ASSERT_EQ(fill.Rows.size(), c.Rows);
    if (c.Rows == 0) continue;
    EXPECT_EQ(fill.Rows[0].Item, c.ItemRow ? &items[0] : nullptr);
    EXPECT_EQ(fill.Cells[0][3], c.ItemRow ? FormatDate(items[0].FileDate) : "Not found");
  }
}

// The same rule for a copy found along the search path.
TEST_F(FillFixture, DuplicateMustHaveAByte) {
  struct Case {
    int64_t Size;  // of C:\TOOLS\X.DLL; -1: no such file
    bool Present;
  };
  const Case cases[] = {{-1, false}, {0, false}, {1, true}, {2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "size " << c.Size);
    TestMachine machine;
    if (c.Size >= 0) machine.catalog.AddFile("C:\\TOOLS\\X.DLL", c.Size);
    EXPECT_EQ(FilePresent(machine.catalog, "C:\\TOOLS\\X.DLL"), c.Present);
    items.Clear();
    Add("X.DLL", "C:\\APP\\X.DLL", kOtherModule);
    FillOptions options;
    options.Duplicates = true;
    PageFill fill = FillModule32Rows(machine.catalog, search, items, usage, options, 0, 0);
    EXPECT_EQ(fill.Duplicates, c.Present ? 1 : 0);
  }
}

TEST_F(FillFixture, DriversAreBlackAndWin16SaysNoWow) {
  Add("DISK.SYS", "C:\\WINNT\\SYSTEM32\\DRIVERS\\DISK.SYS", kDriver);
  PageFill drivers = FillDeviceDriverRows(m.catalog, search, items, {});
  ASSERT_EQ(drivers.Rows.size(), 1u);
  EXPECT_EQ(drivers.Rows[0].Color, kBlack);
  EXPECT_EQ(drivers.Rows[0].Text, "C:\\WINNT\\SYSTEM32\\DRIVERS\\DISK.SYS");
  EXPECT_EQ(drivers.StatusText, "1 Item(s) Displayed - 0 Duplicate(s)");
  PageFill win16 = FillModule16Rows(m.catalog, search, ItemList{}, {}, 0, 0);
  ASSERT_EQ(win16.Cells.size(), 1u);
  EXPECT_EQ(win16.Cells[0], (GridRow{" ", " ", " ", " ", "No 16-bit WOW processes active"}));
  EXPECT_EQ(win16.StatusText, "No 16-bit WOW processes active");
}

TEST_F(FillFixture, Win16ColoursAndDuplicatesAlongTaskDirectories) {
  Add("TASK.EXE", "C:\\APP16\\TASK.EXE", 0).ExtraText = "C:\\APP16;C:\\WINNT;C:\\OLD16";
  Add("LIB16.DLL", "C:\\APP16\\LIB16.DLL", 1).ExtraText = "C:\\APP16;C:\\OLD16";
  m.catalog.AddFile("C:\\OLD16\\TASK.EXE", 10);
  m.catalog.AddFile("C:\\WINNT\\TASK.EXE", 10);  // the Windows directory: never reported
  m.catalog.AddFile("C:\\APP16\\TASK.EXE", 10);  // its own directory
  FillOptions options;
  options.Duplicates = true;
  PageFill fill = FillModule16Rows(m.catalog, search, items, options, 1, 3);
  ASSERT_EQ(fill.Rows.size(), 3u);
  EXPECT_EQ(fill.Rows[0].Color, kGreen);
  EXPECT_EQ(fill.Rows[0].Text, "C:\\APP16\\TASK.EXE");
  EXPECT_EQ(fill.Rows[1].Text, "C:\\OLD16\\TASK.EXE");  // after the last ";"
  EXPECT_EQ(fill.Rows[2].Color, kBlack);
  EXPECT_EQ(fill.StatusText, "3 Items Displayed - 1 Duplicate(s)");
  options.TreeMode = true;
  EXPECT_EQ(FillModule16Rows(m.catalog, search, items, options, 1, 3).StatusText,
            "1 Processes, 2 Item(s)");
}

TEST(Sort, ComparatorsAndReversal) {
  ItemList items;
  auto add = [&](const char* name, int32_t size, double date, const char* path) {
    TInventoryItem item;
    item.ModuleName = name;
    item.FileSize = size;
    item.FileDate = date;
    item.ModulePath = path;
    items.Append(item);
  };
  add("B.DLL", 10, 3, "C:\\Z");
  add("A.DLL", -1, 1, "C:\\Y");
  add("C.DLL", 5, 2, "C:\\X");
  auto names = [&] {
    std::string s;
    for (size_t i = 0; i < items.Count(); ++i) s += items[i].ModuleName.substr(0, 1);
    return s;
  };
  SortItems(items, SortKey::Name, 1);
  EXPECT_EQ(names(), "ABC");
  SortItems(items, SortKey::Name, -1);
  EXPECT_EQ(names(), "CBA");
  SortItems(items, SortKey::Size, 1);
  EXPECT_EQ(names(), "ACB");  // missing files (-1) first
  SortItems(items, SortKey::Date, 1);
  EXPECT_EQ(names(), "ACB");
  SortItems(items, SortKey::Path, 1);
  EXPECT_EQ(names(), "CAB");
  TInventoryItem a, b;
  a.FileDate = std::nan("");
  EXPECT_EQ(CompareItems(a, b, SortKey::Date, 1), 0);
}

TEST(Sort, ManyItemsWithNotANumberDatesStayInBounds) {
  ItemList items;
  for (int i = 0; i < 2000; ++i) {
    TInventoryItem item;
    item.ModuleName = "M";  // appended: GCC 12 warns falsely on "M" + std::to_string(i)
    item.ModuleName += std::to_string(i);
    item.FileDate = i % 7 == 0 ? std::nan("") : (i * 7919) % 1000;
    items.Append(item);
  }
  SortItems(items, SortKey::Date, 1);
  EXPECT_EQ(items.Count(), 2000u);
  SortItems(items, SortKey::Name, 1);
  for (size_t i = 1; i < items.Count(); ++i)
    EXPECT_LE(items[i - 1].ModuleName, items[i].ModuleName);
}

// Each column of a print line starts at its place under the heading, a
// short cell is padded to the next column and a long one cut there.
TEST(PrintLine, ColumnsStartUnderTheirHeading) {
  const std::string heading = kPrintHeading;
  constexpr size_t kToEnd = std::string::npos;
  struct Column {
    size_t Start, Next;
    const char* HeadingWord;
  };
  const Column columns[] = {
      {0, 5, "Type"}, {5, 20, "Module"}, {20, 31, "Size"}, {31, 48, "Date"}, {48, kToEnd, "Path"},
  };
  for (size_t i = 0; i < 5; ++i) {
    const Column& c = columns[i];
    SCOPED_TRACE(c.HeadingWord);
    size_t word = heading.find(c.HeadingWord);
    EXPECT_GE(word, c.Start);
    EXPECT_LT(word, c.Next);

    GridRow row;
    row[i] = "#";
    std::string line = PrintLine(row);
    EXPECT_EQ(line.find('#'), c.Start);
    EXPECT_EQ(line.find_first_not_of(' '), c.Start);
    EXPECT_EQ(line.size(), c.Next == kToEnd ? c.Start + 1 : size_t{48});

    row[i] = std::string(60, 'x');
    line = PrintLine(row);
    EXPECT_EQ(line.find('x'), c.Start);
    EXPECT_EQ(line.find_last_of('x') + 1, c.Next == kToEnd ? c.Start + 60 : c.Next);
  }
  // A full row: the time of day stands under "Time".
  std::string line =
      PrintLine({"P", "KERNELBASE.DLL", "1,234,567", "12-08-26  10:05", "C:\\WINNT\\X.DLL"});
  EXPECT_EQ(line, "P    KERNELBASE.DLL 1,234,567  12-08-26  10:05  C:\\WINNT\\X.DLL");
  EXPECT_EQ(line.find("10:05"), heading.find("Time"));
}

TEST(TextLayouts, CopyAndPrintLines) {
  std::vector<GridRow> rows{{"P", "A.EXE", "        1", "12-30-99  00:00", "C:\\A.EXE"},
                            {" ", "B", "", "", ""}};
  EXPECT_EQ(GridCopyText(rows),
            "P\tA.EXE\t        1\t12-30-99  00:00\tC:\\A.EXE\r\n \tB\t\t\t\r\n");
  std::string longName(300, 'N');
  rows.push_back({"P", longName, "x", "y", "z"});
  EXPECT_NE(GridCopyText(rows).find(longName), std::string::npos);  // never cut
  ProcessTree tree{{"A.EXE (1)", {"C:\\A.EXE", "C:\\K.DLL"}}, {"B.EXE (2)", {}}};
  EXPECT_EQ(TreeCopyText(tree), "A.EXE (1)\r\nC:\\A.EXE\r\nC:\\K.DLL\r\nB.EXE (2)\r\n");
  EXPECT_EQ(TreeCopyText({}), "");
  std::string line = PrintLine({"P", "A.EXE", "    1,000", "12-30-99  00:00", "C:\\A.EXE"});
  EXPECT_EQ(line.substr(0, 5), "P    ");
  EXPECT_EQ(line.substr(5, 15), "A.EXE          ");
  EXPECT_EQ(line.substr(48), "C:\\A.EXE");
  EXPECT_EQ(PrintLine({"PPPPPPP", longName, "1", "2", "end"}).size(), 51u);
}

}  // namespace
}  // namespace dlvnt

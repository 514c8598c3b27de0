// The menus' state as a function of page, flags and selection.
#include "vistrel/browser/menu_state.h"

#include <gtest/gtest.h>

#include "vistrel/browser/browser_pages.h"

namespace vistrel {
namespace {

TEST(MenuState, ItemCommandsPerPageAndSelection) {
  struct Case {
    int Page;
    bool ExportLines;
    std::optional<uint32_t> Resource;
    bool Item, File, Image, Structure;
  };
  const Case cases[] = {
      {kFileHeaderPage, false, {}, true, true, false, true},
      {kOptionalHeaderPage, false, {}, true, true, false, true},
      {kSectionHeadersPage, false, {}, true, true, false, false},
      {kImportPage, true, {}, false, false, false, false},
      {kExportPage, true, {}, true, true, false, false},
      {kExportPage, false, {}, false, false, false, false},
      {kResourcePage, false, {}, false, false, false, false},
      {kResourcePage, false, 3u, true, true, true, true},     // ICON
      {kResourcePage, false, 6u, true, true, true, false},    // STRING: no structure
      {kResourcePage, false, 16u, true, true, true, true},    // VERSION
      {kResourcePage, false, 10u, true, true, false, false},  // RCDATA: file offset only
      {kResourcePage, false, 240u, true, true, false, false},
      {kDebugPage, true, {}, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "page " << c.Page << " resource " << (c.Resource ? int(*c.Resource) : -1));
    MenuSnapshot s;
    s.Page = c.Page;
    s.HasExportLines = c.ExportLines;
    s.SelectedResourceType = c.Resource;
    MenuState m = MenusFor(s);
    EXPECT_EQ(m.ItemEnabled, c.Item);
    EXPECT_EQ(m.FileOffsetVisible, c.File);
    EXPECT_EQ(m.ImageVisible, c.Image);
    EXPECT_EQ(m.StructureVisible, c.Structure);
    // The pop-up's separator goes with the commands above it.
    EXPECT_EQ(m.PopupSeparatorVisible, c.File);
  }
}

TEST(MenuState, ModeSortedAndEditPerPage) {
  for (int page = 0; page < kPageCount; ++page) {
    SCOPED_TRACE(page);
    for (bool hex : {true, false}) {
      for (bool sorted : {true, false}) {
        MenuSnapshot s;
        s.Page = page;
        s.HexMode = hex;
        s.Sorted = sorted;
        MenuState m = MenusFor(s);
        bool listPage = page == kImportPage || page == kExportPage;
        EXPECT_EQ(m.ModeCaption, hex ? "Decimal Mode" : "Hex Mode");
        EXPECT_EQ(m.ModeEnabled, page != kImportPage);
        EXPECT_EQ(m.SortedEnabled, listPage);
        EXPECT_EQ(m.SortedChecked, sorted);
        EXPECT_EQ(m.EditEnabled, listPage);
        // Copy: always on the import page, elsewhere only with export lines.
        EXPECT_EQ(m.CopyEnabled, page == kImportPage);
        s.HasExportLines = true;
        EXPECT_TRUE(MenusFor(s).CopyEnabled);
      }
    }
  }
}

}  // namespace
}  // namespace vistrel

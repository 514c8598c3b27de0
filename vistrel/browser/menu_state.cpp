#include "vistrel/browser/menu_state.h"

#include "vistrel/browser/browser_pages.h"

namespace vistrel {

namespace {

// Resource types that the image and structure viewers know.
bool HasViewer(uint32_t type) {
  switch (type) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 9:
    case 12:
    case 14:
    case 16:
      return true;
    default:
      return false;
  }
}

}  // namespace

MenuState MenusFor(const MenuSnapshot& s) {
  MenuState m;
  const bool listPage = s.Page == kImportPage || s.Page == kExportPage;
  m.ModeCaption = s.HexMode ? "Decimal Mode" : "Hex Mode";
  m.ModeEnabled = s.Page != kImportPage;
  m.SortedEnabled = listPage;
  m.SortedChecked = s.Sorted;
  m.EditEnabled = listPage;
  m.CopyEnabled = s.Page == kImportPage || s.HasExportLines;
  switch (s.Page) {
    case kFileHeaderPage:
    case kOptionalHeaderPage:
      m.ItemEnabled = m.FileOffsetVisible = m.StructureVisible = true;
      break;
    case kSectionHeadersPage:
      m.ItemEnabled = m.FileOffsetVisible = true;
      break;
    case kExportPage:
      m.ItemEnabled = m.FileOffsetVisible = s.HasExportLines;
      break;
    case kResourcePage:
      if (s.SelectedResourceType) {
        uint32_t type = *s.SelectedResourceType;
        m.ItemEnabled = m.FileOffsetVisible = true;
        m.ImageVisible = HasViewer(type);
        m.StructureVisible = HasViewer(type) && type != 6;
      }
      break;
    default:  // the import and debug pages offer no item
      break;
  }
  m.PopupSeparatorVisible = m.FileOffsetVisible;
  return m;
}

}  // namespace vistrel

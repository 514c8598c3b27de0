// From item lists to what the user sees: grid rows with colours, duplicate
// and not-found rows, status texts, sort orders and text layouts.
#ifndef DLVNT_INVENTORY_LISTING_H
#define DLVNT_INVENTORY_LISTING_H

#include <array>
#include <string>
#include <vector>

#include "dlvnt/inventory/inventory.h"

namespace nubrik {
class ScopedHeap;
}  // namespace nubrik

namespace dlvnt {

using GridRow = std::array<std::string, 5>;

inline constexpr const char* kNoWowProcesses = "No 16-bit WOW processes active";
inline constexpr const char* kNotFound = "Not found";
inline constexpr const char* kInvalidDate = "Invalid date";
inline constexpr const char* kPrintHeading =
    "Type   Module           Size     Date    Time             Path                       Page %d";

std::string FormatSize(int32_t size);
// "mm-dd-yy  hh:mm"; the search grid puts one blank between date and time.
std::string FormatDate(double date, const char* separator = "  ");

GridRow ItemRow(const TInventoryItem& item);
GridRow DuplicateRow(platform::FileCatalog& catalog, const std::string& path,
                     const std::string& name);

// The result of one page fill: cells and row records side by side.
struct PageFill {
  std::vector<GridRow> Cells;
  std::vector<TDisplayRow> Rows;
  int Duplicates = 0;
  std::string StatusText;
  void Add(uint32_t color, const std::string& text, const TInventoryItem* item, GridRow cells);
};

struct FillOptions {
  bool Duplicates = false;
  bool NotFound = false;
  bool TreeMode = false;
};

PageFill FillModule32Rows(platform::FileCatalog& catalog,
                          const std::vector<std::string>& searchPath, const ItemList& items,
                          const UsageList& usage, const FillOptions& options, int processCount,
                          int treeNodeCount);
// collecting: placeholder items for servers that are not found are appended
// to the list (and are listed again by later fills).
PageFill FillOCXRows(InventoryServices& services, const std::vector<std::string>& searchPath,
                     ItemList& items, const UsageList& usage, const FillOptions& options,
                     bool collecting, nubrik::ScopedHeap* heap);
PageFill FillDeviceDriverRows(platform::FileCatalog& catalog,
                              const std::vector<std::string>& searchPath, const ItemList& items,
                              const FillOptions& options);
// An empty list tells that no WOW process is active. Duplicates are looked
// for along each item's own task directories (its ExtraText).
PageFill FillModule16Rows(platform::FileCatalog& catalog,
                          const std::vector<std::string>& searchPath, const ItemList& items,
                          const FillOptions& options, int processCount, int treeNodeCount);

// Status texts as the menus' recompute shows them.
std::string ProcessesStatus(int processes, int items);
std::string ItemsDisplayedStatus(int rows, int duplicates);
std::string ItemsDisplayedStatusS(int rows, int duplicates);

// Comparators: return d when a > b, -d when a < b, 0 when equal.
enum class SortKey { Name, Size, Date, Path };
int CompareItems(const TInventoryItem& a, const TInventoryItem& b, SortKey key, int direction);
// In-place quicksort (not stable); safe for any comparator answer.
void SortItems(ItemList& items, SortKey key, int direction);

std::string GridCopyText(const std::vector<GridRow>& rows);
std::string TreeCopyText(const ProcessTree& tree);
std::string PrintLine(const GridRow& row);

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_LISTING_H

#include "dlvnt/inventory/listing.h"

#include <cmath>
#include <utility>

#include "common/text_format.h"
#include "dlvnt/inventory/collect.h"
#include "dlvnt/inventory/paths.h"

namespace dlvnt {
namespace {

using common::Format;

constexpr long long kMillisecondsPerDay = 86400000;

void Civil(long days, int& year, int& month, int& day) {
  // days since 1970-01-01 to the proleptic Gregorian calendar.
  long z = days + 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long y = yoe + era * 400;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

// Duplicates of one file along the search path: the system and Windows
// directories and the item's own directory are never reported.
void AddDuplicates(platform::FileCatalog& catalog, const std::vector<std::string>& searchPath,
                   const std::vector<std::string>& directories, const std::string& ownDirectory,
                   const std::string& fileName, const std::string& name, PageFill& fill) {
  for (const std::string& entry : directories) {
    if (entry == ownDirectory) continue;
    if (!searchPath.empty() && entry == searchPath[0]) continue;
    if (searchPath.size() > 1 && entry == searchPath[1]) continue;
    std::string candidate = entry + "\\" + fileName;
    if (!FilePresent(catalog, candidate)) continue;
    ++fill.Duplicates;
    fill.Add(kRed, candidate, nullptr, DuplicateRow(catalog, candidate, name));
  }
}

}  // namespace

std::string FormatSize(int32_t size) {
  std::string digits = std::to_string(size < 0 ? -static_cast<int64_t>(size) : size);
  std::string grouped;
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    grouped.insert(grouped.begin(), digits[i]);
    if (++count % 3 == 0 && i > 0) grouped.insert(grouped.begin(), ',');
  }
  if (size < 0) grouped.insert(grouped.begin(), '-');
  if (grouped.size() < 9) grouped.insert(0, 9 - grouped.size(), ' ');
  return grouped;
}

std::string FormatDate(double date, const char* separator) {
  // Years 1 to 9999, as a date-time value can hold them.
  if (!std::isfinite(date) || date < -693593.0 || date >= 2958466.0) return kInvalidDate;
  double whole = std::trunc(date);
  // A negative value's fraction is still the time of that day.
  double fraction = std::fabs(date - whole);
  // File times arrive with millisecond resolution and the day count keeps
  // them to well under half a millisecond up to year 9999: rounding to the
  // millisecond undoes the binary fraction and nothing more. The minute shown
  // is then the one that millisecond lies in (10:59:59.600 shows 10:59).
  long long milliseconds = std::llround(fraction * static_cast<double>(kMillisecondsPerDay));
  if (milliseconds >= kMillisecondsPerDay) milliseconds = kMillisecondsPerDay - 1;  // same day
  int minutes = static_cast<int>(milliseconds / 60000);
  long days = static_cast<long>(whole);
  int year = 0, month = 0, day = 0;
  Civil(days - 25569, year, month, day);
  return Format("%02d-%02d-%02d%s%02d:%02d", month, day, year % 100, separator, minutes / 60,
                minutes % 60);
}

GridRow ItemRow(const TInventoryItem& item) {
  return {item.Kind == kMainModule ? "P" : " ", item.ModuleName, FormatSize(item.FileSize),
          FormatDate(item.FileDate), item.ModulePath};
}

GridRow DuplicateRow(platform::FileCatalog& catalog, const std::string& path,
                     const std::string& name) {
  return {"D", Upper(name), FormatSize(FileSize(catalog, path)),
          FormatDate(FileDate(catalog, path)), Upper(path)};
}

void PageFill::Add(uint32_t color, const std::string& text, const TInventoryItem* item,
                   GridRow cells) {
  Rows.push_back({static_cast<int32_t>(Rows.size()), color, text, item});
  Cells.push_back(std::move(cells));
}

std::string ProcessesStatus(int processes, int items) {
  return Format("%d Processes, %d Items", processes, items);
}
std::string ItemsDisplayedStatus(int rows, int duplicates) {
  return Format("%d Items Displayed - %d Duplicate(s)", rows, duplicates);
}
std::string ItemsDisplayedStatusS(int rows, int duplicates) {
  return Format("%d Item(s) Displayed - %d Duplicate(s)", rows, duplicates);
}

namespace {

// The Win32 and Win16 pages: processes and tree items in tree mode, rows and
// duplicates in grid mode.
std::string ProcessPageStatus(const FillOptions& options, int processCount, int treeNodeCount,
                              const PageFill& fill) {
  if (options.TreeMode) {
    return Format("%d Processes, %d Item(s)", processCount, treeNodeCount - processCount);
  }
  return ItemsDisplayedStatus(static_cast<int>(fill.Rows.size()), fill.Duplicates);
}

}  // namespace

PageFill FillModule32Rows(platform::FileCatalog& catalog,
                          const std::vector<std::string>& searchPath, const ItemList& items,
                          const UsageList& usage, const FillOptions& options, int processCount,
                          int treeNodeCount) {
  PageFill fill;
  for (size_t i = 0; i < items.Count(); ++i) {
    const TInventoryItem& item = items[i];
    uint32_t color = item.Kind == kMainModule           ? kGreen
                     : usage.Find(item.ModuleName) >= 0 ? kBlack
                                                        : kBlue;
    fill.Add(color, item.ModuleName, &item, ItemRow(item));
    if (options.Duplicates) {
      AddDuplicates(catalog, searchPath, searchPath, DirectoryPart(item.ModulePath),
                    FileNamePart(item.ModulePath), item.ModuleName, fill);
    }
  }
  fill.StatusText = ProcessPageStatus(options, processCount, treeNodeCount, fill);
  return fill;
}

PageFill FillOCXRows(InventoryServices& services, const std::vector<std::string>& searchPath,
                     ItemList& items, const UsageList& usage, const FillOptions& options,
                     bool collecting, nubrik::ScopedHeap* heap) {
  PageFill fill;
  size_t count = items.Count();
  for (size_t i = 0; i < count; ++i) {
    const TInventoryItem& item = items[i];
    if (PresentSize(item.FileSize)) {
      uint32_t color = usage.Find(item.ModuleName) >= 0 ? kBlack : kBlue;
      fill.Add(color, item.ModuleName, &item, ItemRow(item));
      if (options.Duplicates) {
        AddDuplicates(services.Catalog, searchPath, searchPath, DirectoryPart(item.ModulePath),
                      item.ModuleName, item.ModuleName, fill);
      }
    } else if (options.NotFound) {
      std::string name = item.ModuleName;
      std::string path = item.ModulePath;
      if (collecting && heap) CreateItem(services, items, *heap, 0, kOcxUnreadable, name, "", " ");
      fill.Add(kBlue, name, nullptr, {" ", name, " ", kNotFound, path});
    }
  }
  fill.StatusText = ItemsDisplayedStatusS(static_cast<int>(fill.Rows.size()), fill.Duplicates);
  return fill;
}

PageFill FillDeviceDriverRows(platform::FileCatalog& catalog,
                              const std::vector<std::string>& searchPath, const ItemList& items,
                              const FillOptions& options) {
  PageFill fill;
  for (size_t i = 0; i < items.Count(); ++i) {
    const TInventoryItem& item = items[i];
    fill.Add(kBlack, item.ModulePath, &item, ItemRow(item));
    if (options.Duplicates) {
      AddDuplicates(catalog, searchPath, searchPath, DirectoryPart(item.ModulePath),
                    FileNamePart(item.ModulePath), item.ModuleName, fill);
    }
  }
  fill.StatusText = ItemsDisplayedStatusS(static_cast<int>(fill.Rows.size()), fill.Duplicates);
  return fill;
}

PageFill FillModule16Rows(platform::FileCatalog& catalog,
                          const std::vector<std::string>& searchPath, const ItemList& items,
                          const FillOptions& options, int processCount, int treeNodeCount) {
  PageFill fill;
  if (items.Count() == 0) {
    fill.Add(kBlack, kNoWowProcesses, nullptr, {" ", " ", " ", " ", kNoWowProcesses});
    fill.StatusText = kNoWowProcesses;
    return fill;
  }
  for (size_t i = 0; i < items.Count(); ++i) {
    const TInventoryItem& item = items[i];
    fill.Add(item.Kind != 0 ? kBlack : kGreen, item.ModulePath, &item, ItemRow(item));
    if (options.Duplicates) {
      // Every piece of the list, the one after the last ";" included.
      std::vector<std::string> directories;
      size_t at = 0;
      while (true) {
        size_t end = item.ExtraText.find(';', at);
        directories.push_back(item.ExtraText.substr(at, end == std::string::npos ? end : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
      }
      AddDuplicates(catalog, searchPath, directories, DirectoryPart(item.ModulePath),
                    FileNamePart(item.ModulePath), item.ModuleName, fill);
    }
  }
  fill.StatusText = ProcessPageStatus(options, processCount, treeNodeCount, fill);
  return fill;
}

int CompareItems(const TInventoryItem& a, const TInventoryItem& b, SortKey key, int direction) {
  int order = 0;
  switch (key) {
    case SortKey::Name:
      order = a.ModuleName.compare(b.ModuleName);
      break;
    case SortKey::Size:
      order = a.FileSize < b.FileSize ? -1 : a.FileSize > b.FileSize ? 1 : 0;
      break;
    case SortKey::Date:
      // Values that do not compare (not a number) count as equal.
      order = a.FileDate < b.FileDate ? -1 : a.FileDate > b.FileDate ? 1 : 0;
      break;
    case SortKey::Path:
      order = a.ModulePath.compare(b.ModulePath);
      break;
  }
  return order > 0 ? direction : order < 0 ? -direction : 0;
}

void SortItems(ItemList& items, SortKey key, int direction) {
  auto& v = items.Items();
  auto cmp = [&](size_t i, const TInventoryItem& pivot) {
    return CompareItems(*v[i], pivot, key, direction);
  };
  // Hoare partition with explicit bounds; recurse into the smaller half.
  std::vector<std::pair<long, long>> stack;
  if (v.size() > 1) stack.push_back({0, static_cast<long>(v.size()) - 1});
  while (!stack.empty()) {
    auto [lo, hi] = stack.back();
    stack.pop_back();
    while (lo < hi) {
      const TInventoryItem& pivot = *v[static_cast<size_t>(lo + (hi - lo) / 2)];
      long i = lo, j = hi;
      while (i <= j) {
        while (i < hi && cmp(static_cast<size_t>(i), pivot) < 0) ++i;
        while (j > lo && cmp(static_cast<size_t>(j), pivot) > 0) --j;
        if (i <= j) {
          std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>(j)]);
          ++i;
          --j;
        }
      }
      if (j - lo < hi - i) {
        if (i < hi) stack.push_back({i, hi});
        hi = j;
      } else {
        if (lo < j) stack.push_back({lo, j});
        lo = i;
      }
    }
  }
}

std::string GridCopyText(const std::vector<GridRow>& rows) {
  std::string text;
  for (const GridRow& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c) text += '\t';
      text += row[c];
    }
    text += "\r\n";
  }
  return text;
}

std::string TreeCopyText(const ProcessTree& tree) {
  std::string text;
  for (const ProcessNode& node : tree) {
    text += node.Text + "\r\n";
    for (const std::string& module : node.Modules) text += module + "\r\n";
  }
  return text;
}

std::string PrintLine(const GridRow& row) {
  std::string line;
  auto column = [&](const std::string& cell, size_t width) {
    line += cell;
    line.resize(width, ' ');
  };
  column(row[0], 5);
  column(row[1], 20);
  column(row[2], 31);
  column(row[3], 48);
  line += row[4];
  return line;
}

}  // namespace dlvnt

// Every hostile file of the corpus as an OCX server file: an item with a
// kind and, for the images, sorted unique import names; nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "dlvnt/inventory/collect.h"
#include "platform/fake/fake_inventory.h"
#include "platform/fake/fake_machine.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_inventory.h"

namespace dlvnt {
namespace {

TEST(HostileFiles, EveryCorpusFileGivesOneItem) {
  namespace fs = std::filesystem;
  const fs::path corpus = "/work/shared/corpus/corkami";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus here";
  platform::fake::FakeSystemInventory system;
  platform::posix::PosixFileCatalog catalog;
  platform::posix::PosixFileSystem plain;
  platform::posix::CaseInsensitiveFileSystem files(plain, catalog.Resolver());
  platform::fake::FakeRegistry registry;
  InventoryServices services{system, catalog, files, registry, {"/usr/lib", "/usr"}};
  CollectionHeap heap;
  ItemList items;
  size_t count = 0, images = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().string();
    TInventoryItem& item = CreateItem(services, items, heap, 0, kOcxUnreadable,
                                      entry.path().filename().string(), path, "{X}");
    ++count;
    EXPECT_TRUE(item.Kind == kOcxImage || item.Kind == kOcxNotImage) << path;
    EXPECT_EQ(item.FileSize, static_cast<int32_t>(entry.file_size())) << path;
    if (item.ImportNames) {
      ++images;
      EXPECT_TRUE(std::is_sorted(item.ImportNames->begin(), item.ImportNames->end())) << path;
      EXPECT_EQ(std::adjacent_find(item.ImportNames->begin(), item.ImportNames->end()),
                item.ImportNames->end())
          << path;
    }
  }
  EXPECT_EQ(items.Count(), count);
  EXPECT_GT(images, 50u);
}

}  // namespace
}  // namespace dlvnt

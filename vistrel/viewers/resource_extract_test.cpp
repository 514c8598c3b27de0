#include "vistrel/viewers/resource_extract.h"

#include <gtest/gtest.h>

#include <map>

#include "vistrel/viewers/byte_builder_test_util.h"

namespace vistrel {
namespace {

using test::Bytes;

constexpr uint32_t kEnglish = 0x409, kGerman = 0x407, kFrench = 0x40C;

// A device-independent bitmap's header as icons hold it (height doubled for
// the mask), then `extra` bytes of pixels.
Bytes Dib(uint32_t width, uint32_t height, uint16_t bitCount, uint32_t used = 0,
          uint32_t compression = 0, size_t extra = 8) {
  Bytes b;
  b.U32(40).U32(width).U32(height * 2).U16(1).U16(bitCount).U32(compression).U32(0).U32(0).U32(0);
  b.U32(used).U32(0);
  for (size_t i = 0; i < extra; ++i) b.U8(static_cast<uint8_t>(0xA0 + i));
  return b;
}

// Records over bytes of their own, each at a distinct RVA.
class Resources {
 public:
  size_t Add(uint32_t type, const std::string& name, uint32_t language,
             const std::vector<uint8_t>& data) {
    nubrik::ResourceRecord r;
    r.Type = type;
    r.Name = name;
    r.Language = language;
    r.OffsetToData = static_cast<uint32_t>(0x1000 * (records_.size() + 1));
    r.Size = static_cast<uint32_t>(data.size());
    records_.push_back(r);
    data_[r.OffsetToData] = data;
    return records_.size() - 1;
  }
  // The file ends `missing` bytes into the record's data.
  void Cut(size_t index, size_t missing) { cut_[records_[index].OffsetToData] = missing; }
  void Outside(size_t index) { data_.erase(records_[index].OffsetToData); }

  ExtractResult Extract(size_t index) const {
    return ExtractResource(
        records_, index,
        [this](const nubrik::ResourceRecord& r) -> std::optional<std::span<const uint8_t>> {
          auto it = data_.find(r.OffsetToData);
          if (it == data_.end()) return std::nullopt;
          std::span<const uint8_t> bytes = it->second;
          auto cut = cut_.find(r.OffsetToData);
          return cut == cut_.end() ? bytes : bytes.first(cut->second);
        });
  }
  std::vector<uint8_t> Written(size_t index) const {
    ExtractResult result = Extract(index);
    EXPECT_TRUE(result.Resource) << result.Error;
    return result.Resource ? result.Resource->Bytes : std::vector<uint8_t>{};
  }

 private:
  std::vector<nubrik::ResourceRecord> records_;
  std::map<uint32_t, std::vector<uint8_t>> data_;
  std::map<uint32_t, size_t> cut_;
};

// A group's 14-byte entry for an icon.
void IconEntry(Bytes& group, uint8_t width, uint8_t height, uint8_t colors, uint16_t bitCount,
               uint32_t size, uint16_t id) {
  group.U8(width).U8(height).U8(colors).U8(0).U16(1).U16(bitCount).U32(size).U16(id);
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(ResourceExtractTest, IconGroupBecomesAnIcoFileWithItsImagesInOrder) {
  Resources file;
  Bytes first = Dib(16, 16, 4, 0, 0, 3), second = Dib(32, 32, 32, 0, 0, 9);
  file.Add(kResourceIcon, "2", kEnglish, second);
  file.Add(kResourceIcon, "1", kEnglish, first);
  Bytes group;
  group.U16(0).U16(1).U16(2);
  IconEntry(group, 16, 16, 16, 4, static_cast<uint32_t>(first.Size()), 1);
  // A size the image does not have: the file's entry says what follows.
  IconEntry(group, 32, 32, 0, 32, 1, 2);
  size_t g = file.Add(kResourceGroupIcon, "MAIN", kEnglish, group);

  ExtractResult result = file.Extract(g);
  ASSERT_TRUE(result.Resource) << result.Error;
  EXPECT_EQ(result.Resource->Extension, ".ico");
  Bytes expected;
  expected.U16(0).U16(1).U16(2);
  expected.U8(16)
      .U8(16)
      .U8(16)
      .U8(0)
      .U16(1)
      .U16(4)
      .U32(static_cast<uint32_t>(first.Size()))
      .U32(38);
  expected.U8(32).U8(32).U8(0).U8(0).U16(1).U16(32).U32(static_cast<uint32_t>(second.Size()));
  expected.U32(static_cast<uint32_t>(38 + first.Size()));
  EXPECT_EQ(result.Resource->Bytes, Concat({expected, first, second}));
}

TEST(ResourceExtractTest, ImagesInTheGroupsLanguageComeFirstElseTheFirstOne) {
  Resources file;
  Bytes german = Dib(16, 16, 8, 0, 0, 1), english = Dib(16, 16, 8, 0, 0, 2);
  file.Add(kResourceIcon, "7", kGerman, german);
  file.Add(kResourceIcon, "7", kEnglish, english);
  Bytes group;
  group.U16(0).U16(1).U16(1);
  IconEntry(group, 16, 16, 0, 8, static_cast<uint32_t>(english.Size()), 7);
  size_t inEnglish = file.Add(kResourceGroupIcon, "1", kEnglish, group);
  size_t inFrench = file.Add(kResourceGroupIcon, "1", kFrench, group);
  // The header and the one entry, then the image.
  auto image = [](const std::vector<uint8_t>& ico) {
    return std::vector<uint8_t>(ico.begin() + std::min<size_t>(ico.size(), 22), ico.end());
  };
  EXPECT_EQ(image(file.Written(inEnglish)), english.Data());
  EXPECT_EQ(image(file.Written(inFrench)), german.Data());
}

TEST(ResourceExtractTest, GroupsThatCannotBeRebuiltAreErrors) {
  Resources file;
  Bytes icon = Dib(16, 16, 8);
  size_t present = file.Add(kResourceIcon, "1", 0, icon);
  Bytes group;
  group.U16(0).U16(1).U16(2);
  IconEntry(group, 16, 16, 0, 8, static_cast<uint32_t>(icon.Size()), 1);
  IconEntry(group, 32, 32, 0, 8, 100, 9);
  size_t missing = file.Add(kResourceGroupIcon, "1", 0, group);
  ExtractResult result = file.Extract(missing);
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("no icon 9"), std::string::npos) << result.Error;

  // A directory shorter than its count says.
  Bytes cut;
  cut.U16(0).U16(1).U16(2);
  IconEntry(cut, 16, 16, 0, 8, static_cast<uint32_t>(icon.Size()), 1);
  result = file.Extract(file.Add(kResourceGroupIcon, "2", 0, cut));
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("cut short"), std::string::npos) << result.Error;

  // An image the file ends inside, or does not reach.
  Bytes one;
  one.U16(0).U16(1).U16(1);
  IconEntry(one, 16, 16, 0, 8, static_cast<uint32_t>(icon.Size()), 1);
  size_t whole = file.Add(kResourceGroupIcon, "3", 0, one);
  EXPECT_TRUE(file.Extract(whole).Resource);
  file.Cut(present, icon.Size() - 1);
  result = file.Extract(whole);
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("past the end of the file"), std::string::npos) << result.Error;
  file.Outside(present);
  result = file.Extract(whole);
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("outside the file"), std::string::npos) << result.Error;
  EXPECT_FALSE(file.Extract(99).Resource);
}

TEST(ResourceExtractTest, CursorGroupCarriesEachHotSpotInItsEntry) {
  Resources file;
  Bytes image = Dib(32, 32, 1, 0, 0, 5);
  Bytes cursor;
  cursor.U16(5).U16(7);
  for (uint8_t b : image.Data()) cursor.U8(b);
  file.Add(kResourceCursor, "3", 0, cursor);
  // The group's height counts both masks (as Microsoft's compiler writes it)
  // or not (as others do): the image's header decides.
  for (uint16_t groupHeight : {64, 32}) {
    Bytes group;
    group.U16(0).U16(2).U16(1);
    group.U16(32).U16(groupHeight).U16(1).U16(1).U32(static_cast<uint32_t>(cursor.Size())).U16(3);
    Resources copy = file;
    size_t g = copy.Add(kResourceGroupCursor, "1", 0, group);
    ExtractResult result = copy.Extract(g);
    ASSERT_TRUE(result.Resource) << result.Error;
    EXPECT_EQ(result.Resource->Extension, ".cur");
    Bytes expected;
    expected.U16(0).U16(2).U16(1);
    expected.U8(32).U8(32).U8(0).U8(0).U16(5).U16(7).U32(static_cast<uint32_t>(image.Size()));
    expected.U32(22);
    EXPECT_EQ(result.Resource->Bytes, Concat({expected, image})) << groupHeight;
  }
}

TEST(ResourceExtractTest, SingleImagesTakeTheirEntryFromTheirOwnHeader) {
  Resources file;
  Bytes image = Dib(48, 48, 4, 0, 0, 2);
  Bytes cursor;
  cursor.U16(1).U16(2);
  for (uint8_t b : image.Data()) cursor.U8(b);
  Bytes expected;
  expected.U16(0).U16(2).U16(1);
  expected.U8(48).U8(48).U8(16).U8(0).U16(1).U16(2).U32(static_cast<uint32_t>(image.Size()));
  expected.U32(22);
  EXPECT_EQ(file.Written(file.Add(kResourceCursor, "1", 0, cursor)), Concat({expected, image}));

  // A 256-pixel PNG icon: dimensions of 256 are written as 0.
  Bytes png;
  png.U8(0x89).U8('P').U8('N').U8('G').U8(0x0D).U8(0x0A).U8(0x1A).U8(0x0A);
  png.U32(0x0D000000).U8('I').U8('H').U8('D').U8('R');
  png.U32(0x00010000).U32(0x00010000).U8(8).U8(6).U8(0).U8(0).U8(0);
  Bytes icoHead;
  icoHead.U16(0).U16(1).U16(1).U8(0).U8(0).U8(0).U8(0).U16(1).U16(32);
  icoHead.U32(static_cast<uint32_t>(png.Size())).U32(22);
  EXPECT_EQ(file.Written(file.Add(kResourceIcon, "2", 0, png)), Concat({icoHead, png}));

  ExtractResult result = file.Extract(file.Add(kResourceIcon, "3", 0, std::vector<uint8_t>(30)));
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("neither a bitmap nor a PNG"), std::string::npos) << result.Error;
}

TEST(ResourceExtractTest, BitmapGetsAFileHeaderPointingPastItsColourTable) {
  struct Case {
    Bytes Data;
    uint32_t Bits;
  };
  Bytes core;
  core.U32(12).U16(8).U16(8).U16(1).U16(4).Zeros(16 * 3 + 32);
  Case cases[] = {
      {Dib(8, 4, 8, 0, 0, 1024 + 64), 14 + 40 + 1024},
      {Dib(8, 4, 8, 16, 0, 64 + 64), 14 + 40 + 64},
      {Dib(8, 4, 24, 0, 0, 96), 14 + 40},
      {Dib(8, 4, 32, 0, 3, 12 + 128), 14 + 40 + 12},  // the masks after a short header
      {core, 14 + 12 + 16 * 3},
  };
  for (const auto& c : cases) {
    Resources file;
    ExtractResult result = file.Extract(file.Add(kResourceBitmap, "1", 0, c.Data));
    ASSERT_TRUE(result.Resource) << result.Error;
    EXPECT_EQ(result.Resource->Extension, ".bmp");
    Bytes head;
    head.U8('B').U8('M').U32(static_cast<uint32_t>(14 + c.Data.Size())).U32(0).U32(c.Bits);
    EXPECT_EQ(result.Resource->Bytes, Concat({head, c.Data})) << c.Bits;
  }
  // A colour table longer than the data.
  Resources file;
  ExtractResult result = file.Extract(file.Add(kResourceBitmap, "1", 0, Dib(8, 4, 8, 0, 0, 10)));
  EXPECT_FALSE(result.Resource);
  EXPECT_NE(result.Error.find("colour table"), std::string::npos) << result.Error;
}

TEST(ResourceExtractTest, OtherResourcesAreTheirBytes) {
  Resources file;
  std::vector<uint8_t> data = {1, 2, 3, 0, 5};
  ExtractResult result = file.Extract(file.Add(10, "DATA", 0, data));
  ASSERT_TRUE(result.Resource) << result.Error;
  EXPECT_EQ(result.Resource->Bytes, data);
  EXPECT_EQ(result.Resource->Extension, "");
  size_t cut = file.Add(6, "1", 0, data);
  file.Cut(cut, 4);
  EXPECT_FALSE(file.Extract(cut).Resource);
}

}  // namespace
}  // namespace vistrel

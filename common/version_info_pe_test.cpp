// The portable reader on real PE files made by the resource compiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/version_info.h"
#include "common/version_info_test_util.h"

namespace versioninfo {
namespace {

std::string Fixture(const std::string& name) {
  return std::string(VERSION_FIXTURE_DIR) + "/" + name + ".dll";
}

class VersionFixtureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VERSION_FIXTURES_BUILT) GTEST_SKIP() << "no MinGW resource compiler to make fixtures";
  }
  const VersionSystem& system_ = PortableVersionSystem();
};

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST_F(VersionFixtureTest, AllFifteenTextsOfACompleteResource) {
  const std::string file = Fixture("full");
  const char* expected[15] = {"File Version 3.2.1.0",
                              "Product Version 4.0.65535.1",
                              "File Flags Debug PreRel     ",
                              "File OS NT-Win32",
                              "File Type DLL",
                              "File SubType None",
                              "Language English",
                              "Tessaloom",
                              "Version fixture",
                              "3.2.1.0",
                              "FULL",
                              "Copyright \xA9 2026 Tessaloom",
                              "Delvane",
                              "Delvane for Windows NT",
                              "4.0"};
  for (int i = 0; i < 15; ++i) {
    VersionText text = kVersionTextOperations[i].Operation(system_, file, 255);
    EXPECT_EQ(text.Text, expected[i]) << kVersionTextOperations[i].Name;
    EXPECT_EQ(text.Length, static_cast<int>(std::string(expected[i]).size()));
  }
  EXPECT_EQ(GetVersionString(system_, file, "InternalName"), "FULL");
}

TEST_F(VersionFixtureTest, TheBlockIsTheResourceAsStored) {
  auto block = system_.ReadVersionBlock(Fixture("full"));
  ASSERT_TRUE(block);
  ByteView bytes = block->Bytes();
  EXPECT_EQ(bytes.U16(0), bytes.Size());
  EXPECT_EQ(bytes.U32(40), 0xFEEF04BDu);  // the fixed information's signature
  auto key = block->Query("\\VarFileInfo\\Translation");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->Value, (std::vector<uint8_t>{0x09, 0x04, 0xB0, 0x04}));
}

TEST_F(VersionFixtureTest, StringsUnderALaterTranslationAreNotFound) {
  const std::string file = Fixture("other_translation");
  EXPECT_EQ(GetLanguageText(system_, file, 240).Text, "Language German");
  EXPECT_EQ(GetCompanyName(system_, file, 240).Length, 0);
  EXPECT_EQ(GetProductName(system_, file, 240).Length, 0);
  EXPECT_EQ(GetFileTypeText(system_, file, 240).Text, "File Type App");
}

TEST_F(VersionFixtureTest, LanguageZeroFile) {
  const std::string file = Fixture("language_zero");
  EXPECT_EQ(GetLanguageText(system_, file, 240).Length, 0);
  EXPECT_EQ(GetCompanyName(system_, file, 240).Text, "Neutral Ltd");
  EXPECT_EQ(GetFileFlagsText(system_, file, 240).Text, "File Flags       Unknown");
  EXPECT_EQ(GetFileOSText(system_, file, 240).Text, "File OS DOS-Win16");
  EXPECT_EQ(GetFileTypeText(system_, file, 240).Text, "File Type VxD");
  EXPECT_EQ(GetFileSubTypeText(system_, file, 240).Text, "File SubType Virtual Device Driver");
}

TEST_F(VersionFixtureTest, LongValuesAgainstTheViewersLimit) {
  const std::string file = Fixture("long");
  VersionText over = GetCompanyName(system_, file, kViewerMaxLength);
  EXPECT_EQ(over.Length, 241);
  EXPECT_EQ(over.Text, "");
  EXPECT_EQ(GetCompanyName(system_, file, kDetailsMaxLength).Text.size(), 241u);
  VersionText at = GetFileDescription(system_, file, kViewerMaxLength);
  EXPECT_EQ(at.Length, 240);
  EXPECT_EQ(at.Text.size(), 240u);
  EXPECT_EQ(GetLanguageText(system_, file, 240).Text, "Language Swedish");
  EXPECT_EQ(GetFileSubTypeText(system_, file, 240).Text, "File SubType System Drv");
}

TEST_F(VersionFixtureTest, EnglishIsPreferredAmongLanguages) {
  const std::string file = Fixture("two_languages");
  EXPECT_EQ(GetFileVersionText(system_, file, 240).Text, "File Version 9.0.0.0");
  EXPECT_EQ(GetProductName(system_, file, 240).Text, "English");
}

TEST_F(VersionFixtureTest, OnlyIdOneIsTheVersionResource) {
  for (const NamedOperation& op : kVersionTextOperations) {
    EXPECT_EQ(op.Operation(system_, Fixture("not_id_one"), 255).Length, 0) << op.Name;
  }
}

TEST_F(VersionFixtureTest, FilesWithoutAResourceGiveNothing) {
  const std::string missing = Fixture("no_such_file");
  const std::string directory = VERSION_FIXTURE_DIR;
  for (const NamedOperation& op : kVersionTextOperations) {
    EXPECT_EQ(op.Operation(system_, missing, 255).Length, 0) << op.Name;
    EXPECT_EQ(op.Operation(system_, directory, 255).Length, 0) << op.Name;
  }
}

TEST_F(VersionFixtureTest, TruncatedFilesAreReadAsFarAsTheyGo) {
  std::vector<uint8_t> full = ReadAll(Fixture("full"));
  ASSERT_GT(full.size(), 1000u);
  auto block = system_.ReadVersionBlock(Fixture("full"));
  ASSERT_TRUE(block);
  // Find where the block lies in the file, then cut the file inside it.
  std::vector<uint8_t> blockBytes(block->Bytes().Size());
  for (size_t i = 0; i < blockBytes.size(); ++i) blockBytes[i] = *block->Bytes().U8(i);
  auto at = std::search(full.begin(), full.end(), blockBytes.begin(), blockBytes.end());
  ASSERT_NE(at, full.end());
  size_t start = static_cast<size_t>(at - full.begin());
  const std::string path = Fixture("full") + ".cut";
  for (size_t keep : {size_t{0}, size_t{1}, size_t{64}, start, start + 60, start + 84, start + 200,
                      start + blockBytes.size() - 1}) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + std::min(keep, full.size()));
    WriteAll(path, cut);
    VersionText version = GetFileVersionText(system_, path, 255);
    if (keep >= start + 84) {
      EXPECT_EQ(version.Text, "File Version 3.2.1.0") << keep;
    } else {
      EXPECT_EQ(version.Length, 0) << keep;
    }
    for (const NamedOperation& op : kVersionTextOperations) {
      VersionText text = op.Operation(system_, path, 255);
      EXPECT_TRUE(text.Text.empty() || static_cast<int>(text.Text.size()) == text.Length);
    }
  }
  std::remove(path.c_str());
}

TEST(VersionResourceTest, NonPeBytesHaveNoResource) {
  std::vector<uint8_t> bytes(512, 0);
  EXPECT_FALSE(ReadVersionResource(ByteView(bytes.data(), bytes.size())));
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = 0xF0;  // e_lfanew past the end
  bytes[0x3D] = 0xFF;
  EXPECT_FALSE(ReadVersionResource(ByteView(bytes.data(), bytes.size())));
  EXPECT_FALSE(ReadVersionResource(ByteView(bytes.data(), 2)));
  EXPECT_FALSE(ReadVersionResource(ByteView()));
}

// A PE32 file with one section at RVA 0x1000 (file offset 0x200) holding a
// resource directory with one version resource whose block starts at 0x58.
struct SmallPe {
  std::vector<uint8_t> Bytes;
  void Set32(size_t offset, uint32_t value) {
    if (Bytes.size() < offset + 4) Bytes.resize(offset + 4, 0);
    for (int i = 0; i < 4; ++i) Bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  void Set16(size_t offset, uint16_t value) {
    if (Bytes.size() < offset + 2) Bytes.resize(offset + 2, 0);
    Bytes[offset] = static_cast<uint8_t>(value);
    Bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
  }
  SmallPe(const std::vector<uint8_t>& block, uint32_t directorySize, uint32_t rawSize) {
    Bytes.assign(0x200, 0);
    Set16(0, 0x5A4D);
    Set32(0x3C, 0x40);
    Set32(0x40, 0x4550);
    Set16(0x44, 0x14C);
    Set16(0x46, 1);      // one section
    Set16(0x54, 0xE0);   // optional header size
    Set16(0x58, 0x10B);  // PE32
    Set32(0x58 + 60, 0x200);
    Set32(0x58 + 92, 16);
    Set32(0x58 + 96 + 16, 0x1000);
    Set32(0x58 + 96 + 20, directorySize);
    size_t section = 0x58 + 0xE0;
    Set32(section + 8, 0x2000);
    Set32(section + 12, 0x1000);
    Set32(section + 16, rawSize);
    Set32(section + 20, 0x200);
    const size_t r = 0x200;
    Set16(r + 14, 1);
    Set32(r + 16, 16);
    Set32(r + 20, 0x80000018);
    Set16(r + 0x18 + 14, 1);
    Set32(r + 0x18 + 16, 1);
    Set32(r + 0x18 + 20, 0x80000030);
    Set16(r + 0x30 + 14, 1);
    Set32(r + 0x30 + 16, 0x409);
    Set32(r + 0x30 + 20, 0x48);
    Set32(r + 0x48, 0x1058);
    Set32(r + 0x48 + 4, static_cast<uint32_t>(block.size()));
    Bytes.resize(r + 0x58);
    Bytes.insert(Bytes.end(), block.begin(), block.end());
  }
  std::optional<std::vector<uint8_t>> Resource() const {
    return ReadVersionResource(ByteView(Bytes.data(), Bytes.size()));
  }
};

std::vector<uint8_t> SampleBlock() {
  return testing::Serialize(testing::Block(testing::Fixed{}, {}, {{0x0409, 0x04B0}}));
}

TEST(VersionResourceTest, FindsTheResourceThroughTheSectionTable) {
  std::vector<uint8_t> block = SampleBlock();
  SmallPe pe(block, 0x100, 0x1000);
  EXPECT_EQ(pe.Resource(), block);
}

TEST(VersionResourceTest, ResourceDirectoryNeedsRoomForItsHeader) {
  std::vector<uint8_t> block = SampleBlock();
  EXPECT_FALSE(SmallPe(block, 0, 0x1000).Resource());
  EXPECT_FALSE(SmallPe(block, 15, 0x1000).Resource());
  EXPECT_TRUE(SmallPe(block, 16, 0x1000).Resource());
}

TEST(VersionResourceTest, DataPastTheSectionsFileBytesReadsAsZeros) {
  std::vector<uint8_t> block = SampleBlock();
  ASSERT_GT(block.size(), 0x70u);
  // The section's file data ends 0x18 bytes into the block.
  SmallPe pe(block, 0x100, 0x70);
  auto resource = pe.Resource();
  ASSERT_TRUE(resource);
  ASSERT_EQ(resource->size(), block.size());
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + 0x18, resource->begin()));
  EXPECT_TRUE(
      std::all_of(resource->begin() + 0x18, resource->end(), [](uint8_t b) { return b == 0; }));
}

TEST(VersionResourceTest, DataOutsideEverySectionOrFileIsAbsentOrCut) {
  std::vector<uint8_t> block = SampleBlock();
  SmallPe outside(block, 0x100, 0x1000);
  outside.Set32(0x200 + 0x48, 0x9000);
  EXPECT_FALSE(outside.Resource());
  SmallPe cut(block, 0x100, 0x1000);
  cut.Bytes.resize(cut.Bytes.size() - 10);
  auto resource = cut.Resource();
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->size(), block.size() - 10);
  SmallPe huge(block, 0x100, 0x1000);
  huge.Set32(0x200 + 0x48 + 4, 0xFFFFFFFF);  // a size far beyond the file
  resource = huge.Resource();
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->size(), block.size());
}

}  // namespace
}  // namespace versioninfo

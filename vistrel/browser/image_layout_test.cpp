// The image layout against the reader: every byte of the layout is the file
// byte that the reader's RVA-to-offset mapping names, or zero where it names
// none; and files whose sections claim the same bytes many times over build
// in bounded time and memory.
#include "vistrel/browser/image_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "contracts/nubrik/pe_image.h"
#include "tests/fixtures/pe_writer.h"

namespace {

using fixtures::PeWriter;
using vistrel::ImageLayout;

// Compares every byte of the layout with the reader's answer for its RVA.
void ExpectLayoutMatchesTheReader(const std::vector<uint8_t>& file) {
  pe::Image image(file.data(), file.size());
  auto layout = ImageLayout::Build(image);
  ASSERT_TRUE(layout.has_value());
  auto bytes = layout->Bytes();
  ASSERT_EQ(bytes.size(), image.GetOptionalHeader()->SizeOfImage);
  size_t mismatches = 0;
  for (uint64_t rva = 0; rva < bytes.size(); ++rva) {
    auto offset = image.RvaToOffset(rva);
    const uint8_t expected = offset && *offset < file.size() ? file[*offset] : 0;
    if (bytes[rva] != expected && ++mismatches < 5) {
      ADD_FAILURE() << "RVA 0x" << std::hex << rva << ": layout " << int{bytes[rva]} << ", reader "
                    << int{expected};
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

PeWriter Marked() {
  PeWriter w;
  std::vector<uint8_t> data(0x300);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
  w.Add(data);
  return w;
}

TEST(ImageLayoutTest, BytesAreTheReadersWithUnusualRawPointers) {
  struct Case {
    const char* Name;
    uint32_t FileAlignment;
    uint32_t Pointer;
    uint32_t VirtualSize;
    uint32_t RawSize;
  } cases[] = {
      {"aligned", 0x200, 0x200, 0, 0},
      {"unaligned, FileAlignment 0x200", 0x200, 0x210, 0, 0},
      {"unaligned, FileAlignment 0x1000", 0x1000, 0x2F0, 0, 0},
      {"unaligned, FileAlignment 0x100", 0x100, 0x210, 0, 0},
      {"raw part longer than the virtual size", 0x200, 0x200, 0x80, 0x400},
      {"raw part past the file's end", 0x200, 0x200, 0x2000, 0x100000},
      {"virtual size beyond the raw part", 0x200, 0x200, 0x1800, 0x200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    PeWriter w = Marked();
    w.FileAlignment = c.FileAlignment;
    w.SectionPointerToRawData = c.Pointer;
    w.SectionVirtualSize = c.VirtualSize;
    w.SectionRawSize = c.RawSize;
    w.SizeOfImage = 0x3000;
    ExpectLayoutMatchesTheReader(w.Build());
  }
}

TEST(ImageLayoutTest, OverlappingSectionsTakeTheFirstSectionsBytesAsTheReaderDoes) {
  PeWriter w = Marked();
  w.NumberOfSections = 3;
  w.SectionStride = 0x100;  // each section starts inside the one before
  w.SectionVirtualSize = 0x300;
  w.SizeOfImage = 0x2000;
  auto file = w.Build();
  // Give the second and third sections other raw pointers.
  const size_t table = 0x40 + 24 + 224;
  file[table + 40 + 20] = 0x00, file[table + 40 + 21] = 0x03;  // 0x300
  file[table + 80 + 20] = 0x00, file[table + 80 + 21] = 0x04;  // 0x400
  ExpectLayoutMatchesTheReader(file);
}

// 65,535 sections, each claiming the whole file (raw pointer 0, raw size
// and virtual size the file's), at one RVA or one after another: the layout
// writes each byte of the image once, not 65,535 times.
TEST(ImageLayoutTest, SixtyFiveThousandSectionsClaimingTheWholeFileBuildInBoundedTime) {
  for (uint32_t stride : {0u, 0x1000u}) {
    SCOPED_TRACE(stride);
    PeWriter w;
    w.NumberOfSections = 0xFFFF;
    w.SectionStride = stride;
    w.SectionPointerToRawData = 0;
    w.SizeOfImage = 64u << 20;
    const size_t fileSize = 0x40 + 24 + 224 + 40u * 0xFFFF;
    w.SectionRawSize = static_cast<uint32_t>(fileSize);
    w.SectionVirtualSize = static_cast<uint32_t>(fileSize);
    const auto file = w.Build();
    ASSERT_EQ(file.size(), fileSize);
    const auto start = std::chrono::steady_clock::now();
    pe::Image image(file.data(), file.size());
    ASSERT_EQ(image.Sections().size(), 0xFFFFu);
    auto layout = ImageLayout::Build(image);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(layout.has_value());
    // Copying the file once per section would be 170 GB.
    EXPECT_LT(seconds, 10.0);
    auto bytes = layout->Bytes();
    ASSERT_EQ(bytes.size(), 64u << 20);
    // The first section holds RVA 0x1000 on: the file from its start.
    EXPECT_EQ(std::memcmp(bytes.data() + 0x1000, file.data(), 0x1000), 0);
    EXPECT_EQ(bytes[0], 'M');
    if (stride == 0) {
      // Past the one claimed range the image is zero.
      EXPECT_EQ(bytes[0x1000 + fileSize], 0);
    }
  }
}

TEST(ImageLayoutTest, NotALayableImage) {
  EXPECT_FALSE(ImageLayout::Build(fixtures::DosFile()).has_value());
  EXPECT_FALSE(ImageLayout::Build(std::vector<uint8_t>{}).has_value());
  PeWriter zero;
  zero.SizeOfImage = 0;
  auto file = zero.Build();
  file[0x40 + 24 + 56] = 0;  // SizeOfImage 0 (the writer's 0 means "computed")
  file[0x40 + 24 + 57] = 0;
  EXPECT_FALSE(ImageLayout::Build(file).has_value());
}

}  // namespace

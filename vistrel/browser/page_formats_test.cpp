#include "vistrel/browser/page_formats.h"

#include <gtest/gtest.h>

#include "common/hex_text.h"

namespace vistrel {
namespace {

using Lines = std::vector<std::string>;

TEST(HexText, WidthsAndUpperCase) {
  EXPECT_EQ(common::HexText(0xAB, 1), "0xAB");
  EXPECT_EQ(common::HexText(0x40, 2), "0x0040");
  EXPECT_EQ(common::HexText(0x401000), "0x00401000");
  EXPECT_EQ(common::HexText(0xDEADBEEF, 4), "0xDEADBEEF");
  EXPECT_EQ(common::HexText(0x12345, 2), "0x2345");  // cut to the width
  EXPECT_EQ(common::HexText64(0x180000000ull), "0x0000000180000000");
  EXPECT_EQ(common::HexTextWide(0xFFFFFFFFull), "0xFFFFFFFF");
  EXPECT_EQ(common::HexTextWide(0x100000000ull), "0x0000000100000000");
}

TEST(NumberFormats, ModesAndSignedness) {
  EXPECT_EQ(ModeText(0x1A00, false), "6656");
  EXPECT_EQ(ModeText(0x1A00, true), "0x00001A00");
  EXPECT_EQ(ModeText(0x80000000u, false), "-2147483648");
  EXPECT_EQ(ModeText(0xFFFFFFFFu, false), "-1");
  EXPECT_EQ(ModeText16(224, true), "0x00E0");
  EXPECT_EQ(ModeText16(224, false), "224");
  EXPECT_EQ(ModeText16(0xFFFF, false), "65535");  // 16-bit fields are unsigned
  EXPECT_EQ(ModeText64(0x100000, true), "0x00100000");
  EXPECT_EQ(ModeText64(0x100000, false), "1048576");
  EXPECT_EQ(ModeText64(0x200000000ull, true), "0x0000000200000000");
  EXPECT_EQ(ModeText64(0x200000000ull, false), "8589934592");
}

TEST(FileCharacteristics, OneLinePerKnownBitInOrder) {
  EXPECT_EQ(FileCharacteristicsLines(0x210E),
            (Lines{"File is executable.", "Line numbers stripped from file.",
                   "Local symbols stripped from file.", "32 bit word machine.", "File is a DLL."}));
  EXPECT_TRUE(
      FileCharacteristicsLines(0x0010 | 0x0020 | 0x0040 | 0x0400 | 0x0800 | 0x4000).empty());
  EXPECT_EQ(FileCharacteristicsLines(0x8281),
            (Lines{"Relocation info stripped from file.", "Low bytes of machine word are reversed.",
                   "Debugging info stripped from file in .DBG file.",
                   "High bytes of machine word are reversed."}));
  EXPECT_EQ(FileCharacteristicsLines(0x1000), (Lines{"System File."}));
}

TEST(SectionCharacteristics, FlagsAlignmentAndSharedBit) {
  EXPECT_EQ(SectionCharacteristicsLines(0x60000020),
            (Lines{"Contains code", "Executable", "Readable"}));
  EXPECT_EQ(SectionCharacteristicsLines(0xC0000040),
            (Lines{"Contains initialized data", "Readable", "Writeable"}));
  EXPECT_EQ(SectionCharacteristicsLines(0x60500020),
            (Lines{"Contains code", "16 bytes aligned", "Executable", "Readable"}));
  EXPECT_EQ(SectionCharacteristicsLines(0x00020000), (Lines{"Purgeable", "16 bit"}));
  EXPECT_EQ(SectionCharacteristicsLines(0x00100000), (Lines{"1 byte aligned"}));
  EXPECT_EQ(SectionCharacteristicsLines(0x00700000), (Lines{"64 bytes aligned"}));
  EXPECT_TRUE(SectionCharacteristicsLines(0x00800000).empty());  // 8: no line
  EXPECT_TRUE(SectionCharacteristicsLines(0x00F00000).empty());
  EXPECT_EQ(SectionCharacteristicsLines(0x1E0C0080),
            (Lines{"Contains uninitialized data", "Locked", "Preload", "Discardable",
                   "Cannot be cached", "Cannot be paged", "Shareable"}));
}

TEST(Names, MachineSubsystemDebugAndImageType) {
  EXPECT_EQ(MachineName(0x014C), "Intel 386");
  EXPECT_EQ(MachineName(0x0162), "MIPS little-endian");
  EXPECT_EQ(MachineName(0x0166), "MIPS little-endian");
  EXPECT_EQ(MachineName(0x0168), "MIPS little-endian");
  EXPECT_EQ(MachineName(0x0184), "Alpha_AXP");
  EXPECT_EQ(MachineName(0x01F0), "IBM PowerPC Little-Endian");
  EXPECT_EQ(MachineName(0x8664), "AMD64 (K8)");
  EXPECT_EQ(MachineName(0xAA64), "ARM64 Little-Endian");
  EXPECT_EQ(MachineName(0x01C4), "ARM Thumb-2 Little-Endian");
  EXPECT_EQ(MachineName(0x0200), "Intel 64");
  EXPECT_EQ(MachineName(0x01C0), "Unknown");  // plain ARM has no name in the table
  EXPECT_EQ(MachineName(0), "Unknown");
  EXPECT_EQ(SubsystemText(0), "Unknown subsystem.");
  EXPECT_EQ(SubsystemText(2), "Windows GUI subsystem.");
  EXPECT_EQ(SubsystemText(7), "Posix character subsystem.");
  EXPECT_EQ(SubsystemText(4), "");
  EXPECT_EQ(SubsystemText(9), "");
  EXPECT_EQ(DebugTypeName(0), "Unknown");
  EXPECT_EQ(DebugTypeName(2), "CodeView");
  EXPECT_EQ(DebugTypeName(8), "OMAP from source");
  EXPECT_EQ(DebugTypeName(9), "");
  EXPECT_EQ(ImageTypeText(0x4550), "NT");
  EXPECT_EQ(ImageTypeText(0x454E), "Win16");
  EXPECT_EQ(ImageTypeText(0x454C), "VXD");
  EXPECT_EQ(ImageTypeText(0x5A4D), "DOS");
  EXPECT_EQ(ImageTypeText(0x1234), "Unknown");
}

TEST(Names, GuardFlags) {
  EXPECT_EQ(GuardFlagsNames(0x500), (Lines{"CF_INSTRUMENTED", "CF_FUNCTION_TABLE_PRESENT"}));
  EXPECT_EQ(GuardFlagsNames(0), Lines{});
  // A reserved bit by value; the stride last.
  EXPECT_EQ(GuardFlagsNames(0x10220400), (Lines{"CF_FUNCTION_TABLE_PRESENT", "RF_INSTRUMENTED",
                                                "0x00200000", "CF_FUNCTION_TABLE_SIZE=1"}));
}

TEST(Names, DllCharacteristicsAndTheTimeStampsDate) {
  EXPECT_EQ(DllCharacteristicsText(0xC160), "High-entropy VA, ASLR, DEP, CFG, TS aware");
  EXPECT_EQ(DllCharacteristicsText(0x0400), "No SEH");
  EXPECT_EQ(DllCharacteristicsText(0), "");
  // Reserved bits by value, in bit order with the named ones.
  EXPECT_EQ(DllCharacteristicsText(0x0041), "0x0001, ASLR");
  EXPECT_EQ(TimeStampText(0), "1970-01-01 00:00:00 UTC");
  EXPECT_EQ(TimeStampText(0x63F14E2B), "2023-02-18 22:16:11 UTC");
  // Past 2038: the field is unsigned.
  EXPECT_EQ(TimeStampText(0xFFFFFFFF), "2106-02-07 06:28:15 UTC");
}

TEST(ExportLines, NameAndOrdinalOrOrdinalAlone) {
  EXPECT_EQ(ExportLine("Foo", 3), "Foo (3)");
  EXPECT_EQ(ExportLine(nullptr, 7), "(7)");
  EXPECT_EQ(ExportLine("", 1), " (1)");
}

}  // namespace
}  // namespace vistrel

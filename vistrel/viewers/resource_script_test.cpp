#include "vistrel/viewers/resource_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "vistrel/viewers/byte_builder_test_util.h"
#include "vistrel/viewers/structure_formats.h"

namespace vistrel {
namespace {

using test::Bytes;
using Lines = std::vector<std::string>;

TEST(StyleNamesTest, TableOrderAndCombinedNames) {
  const std::pair<uint32_t, const char*> kCases[] = {
      {0x80C80000, "WS_POPUPWINDOW | WS_DLGFRAME"},
      {0x50010000, "WS_CHILD | WS_MAXIMIZEBOX | WS_TABSTOP | WS_VISIBLE"},
      {0x00CF0000, "WS_OVERLAPPEDWINDOW"},
      {0x00C80000, "WS_CAPTION | WS_SYSMENU"},
      {0x00020000, "WS_GROUP | WS_MINIMIZEBOX"},
      {0x00000003, "DS_ABSALIGN | DS_SYSMODAL"},
      {0x00000048, "DS_FIXEDSYS | DS_SETFONT"},
      {0x0000C000, ""},
      {0, ""},
  };
  for (auto [style, text] : kCases) EXPECT_EQ(StyleNames(style).Text, text) << std::hex << style;
  EXPECT_TRUE(StyleNames(0x00000040).SetFont);
  EXPECT_TRUE(StyleNames(0x80C80048).SetFont);
  EXPECT_FALSE(StyleNames(0x80C80008).SetFont);
}

// A standard dialog with a menu name, a class ordinal, a font and items of
// every class and title form, one with creation data.
std::vector<uint8_t> StandardDialog() {
  Bytes d;
  d.U32(0x80C800C0).U32(0x00000200).U16(5).U16(0xFFFD).U16(2).U16(200).U16(100);
  d.Str(u"MAINMENU").Ordinal(0x8002).Str(u"Title").U16(8).Str(u"MS Shell Dlg").Align4();
  d.U32(0x50010001).U32(0).U16(10).U16(30).U16(40).U16(14).U16(1);
  d.Ordinal(0x80).Str(u"OK").U16(0).Align4();
  d.U32(0x50000003).U32(0).U16(4).U16(4).U16(32).U16(32).U16(0xFFFF);
  d.Ordinal(0x82).Ordinal(101).U16(0).Align4();
  d.U32(0x50000000).U32(0).U16(1).U16(2).U16(3).U16(4).U16(7);
  d.Ordinal(0x86).Str(u"").U16(0).Align4();
  d.U32(0x50800000).U32(0).U16(1).U16(2).U16(3).U16(4).U16(8);
  // Four bytes of creation data after the size word: the next item is at the
  // multiple of 4 after them, not 2 bytes sooner.
  d.Str(u"msctls_progress32").Str(u"").U16(4).U16(0xAAAA).U16(0xBBBB).Align4();
  d.U32(0x50000000).U32(0).U16(0xFFF6).U16(2).U16(3).U16(4).U16(9);
  d.Ordinal(0x81).Str(u"x").U16(0);
  return d;
}

TEST(DialogTemplateTest, StandardTemplate) {
  Lines expected = {
      "DIALOG -3, 2, 200, 100",
      "STYLE WS_POPUPWINDOW | DS_MODALFRAME | DS_SETFONT | WS_DLGFRAME",
      "MAINMENU",
      "CAPTION \"Title\"",
      "FONT 8, \"MS Shell Dlg\"",
      "BEGIN",
      "  CONTROL \"OK\", 1, BUTTON, DS_ABSALIGN | WS_CHILD | WS_MAXIMIZEBOX | WS_TABSTOP | "
      "WS_VISIBLE, 10, 30, 40, 14",
      "  CONTROL \"101\", -1, STATIC, DS_ABSALIGN | DS_SYSMODAL | WS_CHILD | WS_VISIBLE, 4, 4, 32, "
      "32",
      "  CONTROL \"\", 7, , WS_CHILD | WS_VISIBLE, 1, 2, 3, 4",
      "  CONTROL \"\", 8, msctls_progress32, WS_BORDER | WS_CHILD | WS_VISIBLE, 1, 2, 3, 4",
      "  CONTROL \"x\", 9, EDIT, WS_CHILD | WS_VISIBLE, -10, 2, 3, 4",
      "END",
  };
  EXPECT_EQ(DialogTemplateLines(StandardDialog()), expected);
}

TEST(DialogTemplateTest, WithoutFontItemsFollowTheTitleAligned) {
  // Style 0: no FONT line; the title ends at 30, the item starts at 32.
  Bytes d;
  d.U32(0).U32(0).U16(1).U16(0).U16(0).U16(10).U16(10).U16(0).U16(0).Str(u"abc").Align4();
  ASSERT_EQ(d.Size(), 32u);
  d.U32(0x10000000).U32(0).U16(1).U16(1).U16(1).U16(1).U16(0x0042).Ordinal(0x85).Str(u"c").U16(0);
  Lines expected = {"DIALOG 0, 0, 10, 10",
                    "STYLE ",
                    "CAPTION \"abc\"",
                    "BEGIN",
                    "  CONTROL \"c\", 66, COMBOBOX, WS_VISIBLE, 1, 1, 1, 1",
                    "END"};
  EXPECT_EQ(DialogTemplateLines(d), expected);

  Bytes empty;
  empty.U32(0).U32(0).U16(0).Zeros(8).U16(0).U16(0).U16(0);
  EXPECT_EQ(DialogTemplateLines(empty), (Lines{"DIALOG 0, 0, 0, 0", "STYLE ", "BEGIN", "END"}));
}

std::vector<uint8_t> ExtendedDialog() {
  Bytes d;
  d.U16(1).U16(0xFFFF).U32(0).U32(0x80).U32(0x80C00048).U16(3).U16(3).U16(4).U16(120).U16(60);
  d.U16(0).U16(0).Str(u"Extended").U16(9).U16(700).U8(1).U8(204).Str(u"Segoe UI").Align4();
  d.U32(77).U32(0x200).U32(0x50010003).U16(5).U16(6).U16(50).U16(10).U32(1001);
  d.Str(u"BUTTON").Str(u"Check").U16(0).Align4();
  d.U32(0).U32(0).U32(0x50810000).U16(5).U16(20).U16(60).U16(12).U32(0xFFFFFFFF);
  d.Ordinal(0x81).Ordinal(5).U16(5).U8(1).U8(2).U8(3).U8(4).U8(5).Align4();
  d.U32(0).U32(0).U32(0x50000000).U16(0xFFFF).U16(0).U16(1).U16(1).U32(3);
  d.Ordinal(0x82).Str(u"after").U16(0);
  return d;
}

TEST(DialogTemplateTest, ExtendedTemplate) {
  Lines expected = {
      "DIALOGEX 3, 4, 120, 60",
      "STYLE WS_CAPTION | DS_FIXEDSYS | DS_SETFONT | WS_POPUP",
      "EXSTYLE 0x00000080",
      "CAPTION \"Extended\"",
      "FONT 9, \"Segoe UI\", 700, 1, 204",
      "BEGIN",
      "  CONTROL \"Check\", 1001, BUTTON, DS_ABSALIGN | DS_SYSMODAL | WS_CHILD | WS_MAXIMIZEBOX | "
      "WS_TABSTOP | WS_VISIBLE, 5, 6, 50, 10, 0x00000200, 77",
      "  CONTROL \"5\", -1, EDIT, WS_BORDER | WS_CHILD | WS_MAXIMIZEBOX | WS_TABSTOP | WS_VISIBLE, "
      "5, 20, 60, 12",
      "  CONTROL \"after\", 3, STATIC, WS_CHILD | WS_VISIBLE, -1, 0, 1, 1",
      "END",
  };
  EXPECT_EQ(DialogTemplateLines(ExtendedDialog()), expected);

  // No extended style, no font: neither line.
  Bytes plain;
  plain.U16(1).U16(0xFFFF).U32(0).U32(0).U32(0x10000000).U16(0).Zeros(8).U16(0).U16(0).U16(0);
  EXPECT_EQ(DialogTemplateLines(plain),
            (Lines{"DIALOGEX 0, 0, 0, 0", "STYLE WS_VISIBLE", "BEGIN", "END"}));
}

std::vector<uint8_t> StandardMenu() {
  Bytes m;
  m.U16(0).U16(0);
  m.U16(0x0010).Str(u"&File");
  m.U16(0x0003).U16(101).Str(u"&Open");
  m.U16(0).U16(0).Str(u"");
  m.U16(0).U16(0).Str(u"Zero");
  m.U16(0x0080).U16(102).Str(u"E&xit");
  m.U16(0x0090).Str(u"&Help");
  m.U16(0x010C).U16(0xFFFF).Str(u"About \u00E9");
  m.U16(0x0080).U16(7).Str(u"Last");
  return m;
}

TEST(MenuTemplateTest, StandardTemplate) {
  std::vector<uint8_t> menu = StandardMenu();
  Lines expected = {
      "POPUP \"&File\", ",
      "MENUITEM \"&Open\", 101, GRAYED INACTIVE ",
      "MENUITEM SEPARATOR",
      "MENUITEM \"Zero\", 0, ",
      "MENUITEM \"E&xit\", 102, ",
      "ENDPOPUP",
      "POPUP \"&Help\", ",
      "ENDPOPUP",
      "MENUITEM \"About \xC3\xA9\", 65535, BITMAP OWNERDRAW CHECKED ",
      "MENUITEM \"Last\", 7, ",
      "ENDPOPUP",
  };
  EXPECT_EQ(MenuTemplateLines(menu, static_cast<int32_t>(menu.size())), expected);

  // A length that ends inside the last item still lists it; one that ends
  // before it does not.
  int32_t lastItem = static_cast<int32_t>(menu.size()) - 14;
  EXPECT_EQ(MenuTemplateLines(menu, lastItem + 3), expected);
  Lines shorter(expected.begin(), expected.end() - 2);
  EXPECT_EQ(MenuTemplateLines(menu, lastItem), shorter);
  EXPECT_EQ(MenuTemplateLines(menu, 0), Lines{});
  // A length past the bytes: the data ends before the menu does.
  Lines longer = expected;
  longer.push_back(kDataEndsHere);
  EXPECT_EQ(MenuTemplateLines(menu, static_cast<int32_t>(menu.size()) + 2), longer);
}

TEST(MenuTemplateTest, Utf16Texts) {
  auto only = [](const std::u16string& text) {
    Bytes m;
    m.U16(0).U16(0).U16(0x0080).U16(5).Str(text);
    Lines lines = MenuTemplateLines(m, static_cast<int32_t>(m.Size()));
    return lines.empty() ? std::string("(none)") : lines.front();
  };
  EXPECT_EQ(only(u"\U0001F600 \u65E5"), "MENUITEM \"\xF0\x9F\x98\x80 \xE6\x97\xA5\", 5, ");
  EXPECT_EQ(only(std::u16string{u'a', u'\xD800', u'b'}), "MENUITEM \"\", 5, ");
  EXPECT_EQ(only(std::u16string{u'\xDC00'}), "MENUITEM \"\", 5, ");
  EXPECT_EQ(only(std::u16string{u'a', u'\xD83D'}), "MENUITEM \"\", 5, ");
}

std::vector<uint8_t> ExtendedMenu() {
  Bytes e;
  e.U16(1).U16(4).U32(0);
  e.U32(0).U32(0).U32(200).U16(0x01).Str(u"&Edit").Align4().U32(55);
  e.U32(0).U32(3).U32(201).U16(0).Str(u"&Copy").Align4();
  e.U32(0x800).U32(0).U32(0).U16(0).Str(u"").Align4();
  e.U32(0).U32(0).U32(210).U16(0x81).Str(u"More").Align4().U32(0);
  e.U32(0x200).U32(0x1008).U32(211).U16(0x80).Str(u"Deep").Align4();
  e.U32(0x14000).U32(0x80).U32(203).U16(0x80).Str(u"&About").Align4();
  e.Zeros(16);  // past the last item: not items
  return e;
}

TEST(MenuTemplateTest, ExtendedTemplate) {
  std::vector<uint8_t> menu = ExtendedMenu();
  Lines expected = {
      "POPUP \"&Edit\", 200, MFT_STRING, MFS_ENABLED, 55",
      "MENUITEM \"&Copy\", 201, MFT_STRING, MFS_GRAYED",
      "MENUITEM SEPARATOR",
      "POPUP \"More\", 210, MFT_STRING, MFS_ENABLED, 0",
      "MENUITEM \"Deep\", 211, MFT_RADIOCHECK, MFS_CHECKED | MFS_DEFAULT",
      "ENDPOPUP",
      "ENDPOPUP",
      "MENUITEM \"&About\", 203, MFT_RIGHTJUSTIFY | 0x00010000, MFS_HILITE",
      "ENDPOPUP",
  };
  EXPECT_EQ(MenuTemplateLines(menu, static_cast<int32_t>(menu.size())), expected);
}

// Every prefix of a template, in a buffer of its own size: the full listing's
// first lines and the closing line, or the full listing.
template <typename Format>
void ExpectEveryCutEndsCleanly(const std::vector<uint8_t>& bytes, Format format) {
  Lines full = format(std::span<const uint8_t>(bytes));
  ASSERT_FALSE(full.empty());
  ASSERT_NE(full.back(), kDataEndsHere);
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
    Lines lines = format(std::span<const uint8_t>(cut));
    if (lines == full) continue;
    ASSERT_FALSE(lines.empty()) << "cut at " << n;
    ASSERT_EQ(lines.back(), kDataEndsHere) << "cut at " << n;
    ASSERT_LE(lines.size() - 1, full.size());
    ASSERT_TRUE(std::equal(lines.begin(), lines.end() - 1, full.begin())) << "cut at " << n;
  }
}

TEST(TemplateCutTest, EveryPrefixEndsCleanly) {
  auto dialog = [](std::span<const uint8_t> b) { return DialogTemplateLines(b); };
  ExpectEveryCutEndsCleanly(StandardDialog(), dialog);
  ExpectEveryCutEndsCleanly(ExtendedDialog(), dialog);
  for (const std::vector<uint8_t>& menu : {StandardMenu(), ExtendedMenu()}) {
    int32_t length = static_cast<int32_t>(menu.size());
    ExpectEveryCutEndsCleanly(
        menu, [length](std::span<const uint8_t> b) { return MenuTemplateLines(b, length); });
  }
  // Counts far beyond the bytes.
  Bytes many;
  many.U32(0).U32(0).U16(0xFFFF).Zeros(8).U16(0).U16(0).U16(0);
  EXPECT_EQ(DialogTemplateLines(many).back(), kDataEndsHere);
  EXPECT_EQ(DialogTemplateLines({}), Lines{kDataEndsHere});
}

// The menu viewer hands a template to the platform only when it is whole:
// every level closed within the bytes, in both formats.
void ExpectWholeOnlyInFull(const std::vector<uint8_t>& menu) {
  EXPECT_TRUE(MenuTemplateComplete(menu));
  // The padding after the last item is not needed; the last item is.
  size_t end = menu.size();
  while (end >= 2 && menu[end - 1] == 0 && menu[end - 2] == 0) end -= 2;
  for (size_t n = 0; n + 1 < end; ++n) {
    EXPECT_FALSE(MenuTemplateComplete(std::span<const uint8_t>(menu).first(n))) << n;
  }
}

TEST(MenuTemplateTest, WholeTemplatesAreTold) {
  ExpectWholeOnlyInFull(StandardMenu());
  ExpectWholeOnlyInFull(ExtendedMenu());
  // A popup that never ends; an unknown version.
  Bytes open;
  open.U16(0).U16(0).U16(0x0010).Str(u"P").U16(0).U16(1).Str(u"x");
  EXPECT_FALSE(MenuTemplateComplete(open));
  Bytes later;
  later.U16(2).U16(0).U16(0x0080).U16(1).Str(u"x");
  EXPECT_FALSE(MenuTemplateComplete(later));
  // Nesting without end.
  Bytes deep;
  deep.U16(0).U16(0);
  for (int i = 0; i < 100; ++i) deep.U16(0x0010).Str(u"");
  EXPECT_FALSE(MenuTemplateComplete(deep));
}

#ifdef VIEWER_TEMPLATES_RES
// The resources of a compiled .res file by type and name (ordinals only).
std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>> ReadRes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> res((std::istreambuf_iterator<char>(file)), {});
  std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>> out;
  auto u32 = [&](size_t at) {
    return uint32_t(res[at]) | res[at + 1] << 8 | res[at + 2] << 16 | uint32_t(res[at + 3]) << 24;
  };
  auto u16 = [&](size_t at) { return uint16_t(res[at] | res[at + 1] << 8); };
  for (size_t at = 0; at + 16 <= res.size();) {
    uint32_t dataSize = u32(at), headerSize = u32(at + 4);
    if (headerSize < 16 || at + headerSize + dataSize > res.size()) break;
    if (dataSize > 0 && u16(at + 8) == 0xFFFF && u16(at + 12) == 0xFFFF) {
      auto data = res.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
      out[{u16(at + 10), u16(at + 14)}] = std::vector<uint8_t>(data, data + dataSize);
    }
    at = (at + headerSize + dataSize + 3) & ~size_t{3};
  }
  return out;
}

// Templates as the resource compiler writes them.
TEST(TemplateCompilerTest, CompiledTemplates) {
  auto res = ReadRes(VIEWER_TEMPLATES_RES);
  ASSERT_EQ(res.size(), 4u) << VIEWER_TEMPLATES_RES;
  EXPECT_EQ(DialogTemplateLines(res[{5, 10}]),
            (Lines{"DIALOG 1, 2, 100, 50",
                   "STYLE WS_POPUPWINDOW | DS_MODALFRAME | DS_SETFONT | WS_DLGFRAME",
                   "CAPTION \"Plain\"", "FONT 8, \"MS Shell Dlg\"", "BEGIN",
                   "  CONTROL \"OK\", 1, BUTTON, DS_ABSALIGN | WS_CHILD | WS_MAXIMIZEBOX | "
                   "WS_TABSTOP | WS_VISIBLE, 10, 30, 40, 14",
                   "  CONTROL \"Name:\", -1, STATIC, WS_CHILD | WS_GROUP | WS_MINIMIZEBOX | "
                   "WS_VISIBLE, 4, 4, 30, 8",
                   "END"}));
  EXPECT_EQ(
      DialogTemplateLines(res[{5, 11}]),
      (Lines{"DIALOGEX 3, 4, 120, 60", "STYLE WS_CAPTION | DS_FIXEDSYS | DS_SETFONT | WS_POPUP",
             "EXSTYLE 0x00000080", "CAPTION \"Extended\"", "FONT 9, \"Segoe UI\", 700, 1, 204",
             "BEGIN",
             "  CONTROL \"Check\", 1001, BUTTON, DS_ABSALIGN | DS_SYSMODAL | WS_CHILD | "
             "WS_MAXIMIZEBOX | WS_TABSTOP | WS_VISIBLE, 5, 6, 50, 10, 0x00000200, 77",
             "  CONTROL \"\", 1002, EDIT, WS_BORDER | WS_CHILD | WS_MAXIMIZEBOX | WS_TABSTOP | "
             "WS_VISIBLE, 5, 20, 60, 12",
             "END"}));
  const std::vector<uint8_t>& menu = res[{4, 20}];
  EXPECT_EQ(MenuTemplateLines(menu, static_cast<int32_t>(menu.size())),
            (Lines{"POPUP \"&File\", ", "MENUITEM \"&Open\", 101, GRAYED ", "MENUITEM SEPARATOR",
                   "MENUITEM \"E&xit\", 102, ", "ENDPOPUP", "MENUITEM \"&Help\", 103, CHECKED ",
                   "ENDPOPUP"}));
  const std::vector<uint8_t>& menuEx = res[{4, 21}];
  EXPECT_EQ(MenuTemplateLines(menuEx, static_cast<int32_t>(menuEx.size())),
            (Lines{"POPUP \"&Edit\", 200, MFT_STRING, MFS_ENABLED, 55",
                   "MENUITEM \"&Copy\", 201, MFT_STRING, MFS_GRAYED", "MENUITEM SEPARATOR",
                   "MENUITEM \"&Paste\", 202, MFT_RADIOCHECK, MFS_CHECKED | MFS_DEFAULT",
                   "ENDPOPUP", "MENUITEM \"&About\", 203, MFT_STRING, MFS_ENABLED", "ENDPOPUP"}));

  ExpectWholeOnlyInFull(menu);
  ExpectWholeOnlyInFull(menuEx);
  auto dialog = [](std::span<const uint8_t> b) { return DialogTemplateLines(b); };
  ExpectEveryCutEndsCleanly(res[{5, 10}], dialog);
  ExpectEveryCutEndsCleanly(res[{5, 11}], dialog);
  for (const std::vector<uint8_t>* m : {&menu, &menuEx}) {
    int32_t length = static_cast<int32_t>(m->size());
    ExpectEveryCutEndsCleanly(
        *m, [length](std::span<const uint8_t> b) { return MenuTemplateLines(b, length); });
  }
}
#endif

}  // namespace
}  // namespace vistrel

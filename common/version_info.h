// The version texts of a file: fifteen one-line texts made from its version
// resource, and the platform test both programs share.
//
// Every call is self-contained: it reads the file's version block, makes its
// text and releases the block. Nothing is cached, nothing is reported to the
// user; every failure gives empty text.
//
// The fifteen text operations take the file name and the caller's maximum
// length L and give a VersionText: Length is the length of the whole text the
// operation made, and Text holds it only when Length <= L (otherwise Text is
// empty while Length still tells how long it was). Length 0 means there is
// nothing to show.
//
// The about boxes take their three texts through ReadAboutTexts
// (common/about_texts.h), which keeps a label's design text when nothing fits.
// The details dialog asks with L = 255 and shows each text whose Length > 0;
// the version viewer with L = 240.
//
// Every operation has a second form taking a VersionSystem first, for tests
// and for comparing the system's functions with the portable reader; the plain
// form uses DefaultVersionSystem() (the system's functions on Windows, the
// portable reader elsewhere, see common/version_info_system.h). A form test
// can hand in testing::BlockSystem (common/version_info_test_util.h), which
// serves version blocks built in the test as files.
#ifndef COMMON_VERSION_INFO_H
#define COMMON_VERSION_INFO_H

#include <string>

#include "common/version_info_system.h"

namespace versioninfo {

struct VersionText {
  std::string Text;
  int Length = 0;
};

// The maximum lengths the programs ask with.
constexpr int kDetailsMaxLength = 255;
constexpr int kViewerMaxLength = 240;
constexpr int kAboutBoxMaxLength = 240;

// True on the Windows NT family. The portable reader always answers true:
// it reads the UTF-16 blocks that the NT family returns.
bool IsWindowsNTPlatform();
bool IsWindowsNTPlatform(const VersionSystem& system);

// The value of key under the block's first translation, or empty text.
std::string GetVersionString(const std::string& fileName, const std::string& key);
std::string GetVersionString(const VersionSystem& system, const std::string& fileName,
                             const std::string& key);

#define VERSIONINFO_TEXT_OPERATION(Name)                        \
  VersionText Name(const std::string& fileName, int maxLength); \
  VersionText Name(const VersionSystem& system, const std::string& fileName, int maxLength);

// "File Version %d.%d.%d.%d", "Product Version %d.%d.%d.%d"
VERSIONINFO_TEXT_OPERATION(GetFileVersionText)
VERSIONINFO_TEXT_OPERATION(GetProductVersionText)
// "File Flags %s %s %s %s %s %s %s": Debug PreRel Patched Private Info Special Unknown
VERSIONINFO_TEXT_OPERATION(GetFileFlagsText)
// "File OS %s", "File Type %s", "File SubType %s"
VERSIONINFO_TEXT_OPERATION(GetFileOSText)
VERSIONINFO_TEXT_OPERATION(GetFileTypeText)
VERSIONINFO_TEXT_OPERATION(GetFileSubTypeText)
// "Language " and the name of the first translation's language
VERSIONINFO_TEXT_OPERATION(GetLanguageText)
// The string values themselves, without a label.
VERSIONINFO_TEXT_OPERATION(GetCompanyName)           // "CompanyName"
VERSIONINFO_TEXT_OPERATION(GetFileDescription)       // "FileDescription"
VERSIONINFO_TEXT_OPERATION(GetFileVersionString)     // "FileVersion"
VERSIONINFO_TEXT_OPERATION(GetInternalName)          // "InternalName"
VERSIONINFO_TEXT_OPERATION(GetCopyright)             // "LegalCopyright"
VERSIONINFO_TEXT_OPERATION(GetTrademarks)            // "LegalTrademarks"
VERSIONINFO_TEXT_OPERATION(GetProductName)           // "ProductName"
VERSIONINFO_TEXT_OPERATION(GetProductVersionString)  // "ProductVersion"

#undef VERSIONINFO_TEXT_OPERATION

// The fifteen operations in the order above, by name, for callers and tests
// that go through them all.
using VersionTextOperation = VersionText (*)(const VersionSystem&, const std::string&, int);
struct NamedOperation {
  const char* Name;
  VersionTextOperation Operation;
};
extern const NamedOperation kVersionTextOperations[15];

}  // namespace versioninfo

#endif  // COMMON_VERSION_INFO_H

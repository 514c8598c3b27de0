// Command and control ids of the main window: the menus' WM_COMMAND ids and
// the dialog item ids of the controls that test drivers read from another
// process. Shared with tests/e2e.
#ifndef VISTREL_BROWSER_COMMAND_IDS_H
#define VISTREL_BROWSER_COMMAND_IDS_H

#include "vistrel/viewers/viewer_ids.h"

namespace vistrel::ids {

// Menu commands.
constexpr int kFileLoad = 101;
constexpr int kFileClose = 102;
constexpr int kFilePreferences = 103;
constexpr int kFileExit = 104;
constexpr int kEditCopy = 111;
constexpr int kEditClear = 112;
constexpr int kViewItemFile = 121;
constexpr int kViewItemImage = 122;
constexpr int kViewItemStructure = 123;
constexpr int kViewMode = 124;
constexpr int kViewSorted = 125;
constexpr int kHelpAbout = 131;
constexpr int kPopupFile = 141;
constexpr int kPopupImage = 142;
constexpr int kPopupStructure = 143;
constexpr int kPopupMode = 144;
constexpr int kPopupSorted = 145;

// Controls.
constexpr int kPageControl = 1000;
constexpr int kImageTypeEdit = 1001;
constexpr int kMachineEdit = 1002;
constexpr int kNumberOfSectionsEdit = 1003;
constexpr int kFileCharacteristicsRawEdit = 1004;
constexpr int kFileCharacteristicsListBox = 1005;
constexpr int kTimeDateStampDateEdit = 1006;
constexpr int kMagicEdit = 1010;
constexpr int kImageBaseEdit = 1011;
constexpr int kSizeOfCodeEdit = 1012;
constexpr int kModuleEntryPointEdit = 1013;
constexpr int kSubsystemEdit = 1014;
constexpr int kDllCharacteristicsEdit = 1015;
constexpr int kDllCharacteristicsNamesEdit = 1016;
constexpr int kSectionHeadersListBox = 1020;
constexpr int kVirtualAddressEdit = 1021;
constexpr int kSizeOfRawDataEdit = 1022;
constexpr int kSectionCharacteristicsListBox = 1023;
constexpr int kImportModuleListBox = 1030;
constexpr int kImportedFunctionsListBox = 1031;
constexpr int kNumberOfExportedFunctionsEdit = 1040;
constexpr int kExportSectionListBox = 1041;
constexpr int kEntryPointEdit = 1042;
constexpr int kDisassembleButton = 1043;
constexpr int kNumberOfResourcesEdit = 1050;
constexpr int kResourceTreeView = 1051;
constexpr int kDebugTypeListBox = 1060;
constexpr int kDebugSizeOfDataEdit = 1061;
constexpr int kCodeViewEdit = 1062;
constexpr int kPdbFileEdit = 1063;
constexpr int kPdbGuidEdit = 1064;
constexpr int kCalculatorEdit = 1200;
constexpr int kSaveSettingsCheckBox = 1201;

}  // namespace vistrel::ids

#endif  // VISTREL_BROWSER_COMMAND_IDS_H

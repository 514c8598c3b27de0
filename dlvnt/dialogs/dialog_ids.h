// Control ids of the details and search dialogs: fixed so that a test
// driver in another process can find the controls.
#ifndef DLVNT_DIALOGS_DIALOG_IDS_H
#define DLVNT_DIALOGS_DIALOG_IDS_H

namespace dlvnt::ids {

// TDetailsDlg
constexpr int kUsageCountEdit = 2001;
constexpr int kModuleFileNameEdit = 2002;
constexpr int kUsesListBox = 2003;
constexpr int kUsedByListBox = 2004;
constexpr int kTasksListBox = 2005;
constexpr int kFirstVersionEdit = 2010;  // the fifteen version boxes in their order
constexpr int kCLSIDEdit = 2030;
constexpr int kDetailsButton = 2040;
constexpr int kBackButton = 2041;
constexpr int kCopyButton = 2042;
constexpr int kClearButton = 2043;
constexpr int kVistrelButton = 2044;
constexpr int kDetailsOKButton = 2045;

// TSearchDlg
constexpr int kFirstDriveCheckBox = 2100;  // A: to Z:
constexpr int kFilenameEdit = 2130;
constexpr int kSearchStringGrid = 2131;
constexpr int kSearchButton = 2132;
constexpr int kStopButton = 2133;
constexpr int kSearchDetailsButton = 2134;
constexpr int kSearchVistrelButton = 2135;
constexpr int kSearchOKButton = 2136;
constexpr int kSearchStatusBar = 2137;

}  // namespace dlvnt::ids

#endif  // DLVNT_DIALOGS_DIALOG_IDS_H

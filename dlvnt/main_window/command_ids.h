// Menu command ids of the main window: fixed so that a test driver in
// another process can send them.
#ifndef DLVNT_MAIN_WINDOW_COMMAND_IDS_H
#define DLVNT_MAIN_WINDOW_COMMAND_IDS_H

namespace dlvnt {

enum CommandId {
  kCmdFilePrint = 40001,
  kCmdFilePrintModule32 = 40002,
  kCmdFilePrintOCX = 40003,
  kCmdFilePrintDeviceDriver = 40004,
  kCmdFilePrintModule16 = 40005,
  kCmdFileFontDisplay = 40006,
  kCmdFileFontPrinter = 40007,
  kCmdFileExit = 40008,
  kCmdEditCopyAll = 40010,
  kCmdEditCopyModule32 = 40011,
  kCmdEditCopyOCX = 40012,
  kCmdEditCopyDeviceDriver = 40013,
  kCmdEditCopyModule16 = 40014,
  kCmdEditClearClipboard = 40015,
  kCmdViewModule32 = 40020,
  kCmdViewRegisteredOCX = 40021,
  kCmdViewDeviceDrivers = 40022,
  kCmdViewModule16 = 40023,
  kCmdViewRefresh = 40024,
  kCmdViewTreeView = 40025,
  kCmdViewDuplicates = 40026,
  kCmdViewNotFound = 40027,
  kCmdModulesDetails = 40030,
  kCmdModulesSearch = 40031,
  kCmdHelpAbout = 40040,
  kCmdPopupDetails = 40050,
  kCmdPopupSearch = 40051,
  kCmdPopupRefresh = 40052,
  kCmdPopupTreeView = 40053,
  kCmdPopupDuplicates = 40054,
  kCmdPopupNotFound = 40055,
};

// Control ids of the grids and trees, in page order.
constexpr int kGridControlIds[4] = {1001, 1002, 1003, 1004};
constexpr int kTreeControlIds[2] = {1011, 1014};
constexpr int kStatusBarControlId = 1020;
constexpr int kPageControlId = 1021;

}  // namespace dlvnt

#endif  // DLVNT_MAIN_WINDOW_COMMAND_IDS_H

// Dialog item ids of the viewers' controls that test drivers read from
// another process. The browser's own ids (command_ids.h) include these, so
// the viewers depend on nothing of the browser.
#ifndef VISTREL_VIEWERS_VIEWER_IDS_H
#define VISTREL_VIEWERS_VIEWER_IDS_H

namespace vistrel::ids {

constexpr int kDisassemblyListBox = 1100;
constexpr int kViewSourceListBox = 1110;
constexpr int kColumnsLabel1 = 1111;
constexpr int kColumnsLabel2 = 1112;
constexpr int kAlignRadioGroup = 1113;
constexpr int kViewSourceOKButton = 1114;
constexpr int kGoToButton = 1115;
constexpr int kCalcButton = 1116;
constexpr int kStructureButton = 1117;
constexpr int kGoToAddressEdit = 1120;
constexpr int kStructureListBox = 1130;
constexpr int kViewImageListBox = 1140;
constexpr int kCursorHotspotEdit = 1141;
constexpr int kNormalViewImage = 1142;
constexpr int kEnlargedViewImage = 1143;
constexpr int kUnknownFormatLabel = 1144;
constexpr int kViewImageOKButton = 1145;
constexpr int kSaveAsButton = 1146;
constexpr int kViewMenuOKButton = 1150;
// The version viewer's fifteen fields in reading order, then its OK.
constexpr int kFirstVersionEdit = 1160;
constexpr int kVersionOKButton = 1175;

}  // namespace vistrel::ids

#endif  // VISTREL_VIEWERS_VIEWER_IDS_H

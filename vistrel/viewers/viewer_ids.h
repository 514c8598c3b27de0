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

}  // namespace vistrel::ids

#endif  // VISTREL_VIEWERS_VIEWER_IDS_H

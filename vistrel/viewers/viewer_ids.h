// Dialog item ids of the viewers' controls that test drivers read from
// another process. The browser's own ids (command_ids.h) include these, so
// the viewers depend on nothing of the browser.
#ifndef VISTREL_VIEWERS_VIEWER_IDS_H
#define VISTREL_VIEWERS_VIEWER_IDS_H

namespace vistrel::ids {

constexpr int kDisassemblyListBox = 1100;

}  // namespace vistrel::ids

#endif  // VISTREL_VIEWERS_VIEWER_IDS_H

// TViewImageDlg: one resource in the form that suits its type: cursors,
// bitmaps and icons as pictures (normal size and enlarged), the first image
// of a cursor or icon group, a dialog as a live window, a string-table block
// and an accelerator table as lines of text.
#ifndef VISTREL_VIEWERS_VIEW_IMAGE_DLG_H
#define VISTREL_VIEWERS_VIEW_IMAGE_DLG_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/widgets.h"

namespace vistrel {

class TViewSourceForm;

// The save-as texts of the image viewer.
inline constexpr const char* kSaveResourceTitle = "Save Resource As";

class TViewImageDlg {
 public:
  // hexView: where a dialog that cannot be built is shown instead (may be
  // null).
  TViewImageDlg(ui::Application& app, TViewSourceForm* hexView = nullptr);
  ~TViewImageDlg();

  // Inputs, set by the opener before ShowModal.
  std::string CaptionText;   // "Resource " and the name
  std::string ResourceName;  // its name, or its id in decimal
  uint16_t ResourceType = 0;
  // The resource's bytes in the file, at most DataSize (fewer when the file
  // ends first); nullopt when they start outside it.
  std::optional<std::span<const uint8_t>> Data;
  int32_t DataSize = 0;
  // The browsed file, whose resources a live dialog's menu and icons come
  // from (opened as data only).
  std::string ModulePath;
  // The address the hex view labels a rejected dialog's bytes with.
  uint64_t BaseAddress = 0;
  // The image resource of type 1 or 3 and this id that a group names, in
  // the group's language when the file has one there.
  std::function<std::optional<std::span<const uint8_t>>(uint16_t type, uint16_t id)> GroupImage;
  // The resource as a file of its own (Save As...): its bytes and the
  // extension ("" to keep the bytes as they are), or the reason there is
  // none; and the writing of a file.
  struct SavedFile {
    std::vector<uint8_t> Bytes;
    std::string Extension;
    std::string Error;
  };
  std::function<SavedFile()> Extract;
  std::function<std::optional<std::string>(const std::string& path, std::span<const uint8_t> bytes)>
      WriteFile;

  ui::ModalResult ShowModal() { return Form->ShowModal(); }

  // What the picture shown is, for the command line: its size and depth.
  struct ShownImage {
    uint32_t Width = 0, Height = 0;
    uint16_t BitCount = 0;
  };
  std::optional<ShownImage> Shown;
  // What the viewer shows as lines of text (the command line's view).
  std::vector<std::string> Description() const;

  // Handlers.
  void FormShow();
  void FormActivate();
  void FormClose();
  void OKBitBtnClick();
  void SaveAsButtonClick();

  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::GroupBox* Frame;
  ui::Label *CursorHotspotLabel, *UnknownFormatLabel;
  ui::Edit* CursorHotspotEdit;
  ui::Image *NormalViewImage, *EnlargedViewImage;
  ui::ListBox* ViewImageListBox;
  ui::Button *OKButton, *SaveAsButton;
  TViewSourceForm* HexView;
  // The live dialog of a dialog resource, from FormShow until closing.
  std::unique_ptr<ui::TemplateDialog> LiveDialog;

 private:
  void ShowUnknown();
  void HideImages();
  void ShowPicture(ui::PictureData data, bool enlarge);
  bool DrawDib(size_t preceding);
  void ShowGroup(bool cursors);
  void ShowDialog();
  void ReleasePictures();
  std::unique_ptr<ui::OwnedPicture> picture_;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_VIEW_IMAGE_DLG_H

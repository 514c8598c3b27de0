// Every item view of every hostile file of the corkami corpus: fast enough
// for the sanitizer build, which checks that no view reads past the file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "dlv_fixtures.h"
#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_system.h"
#include "platform/posix/posix_files.h"
#include "ui/headless/headless.h"
#include "vistrel/browser/vistrel_main_form.h"
#include "vistrel/viewers/disassembly_dlg.h"
#include "vistrel/viewers/structure_dlg.h"
#include "vistrel/viewers/view_image_dlg.h"
#include "vistrel/viewers/view_menu_form.h"
#include "vistrel/viewers/view_source_form.h"
#include "vistrel/viewers/view_version_dlg.h"

namespace vistrel {
namespace {

// Every item command of every hostile file: the hex view's rows (the first
// and last few thousand of each block, in every alignment), the structure
// viewer's lines and what "Image..." shows of each resource, without reading
// past the file.
TEST(BrowserCorpus, HostileFilesThroughEveryItemView) {
  std::filesystem::path dir = DLV_CORKAMI_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  ui::headless::HeadlessApplication app;
  platform::posix::PosixFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  platform::fake::FakeProcessLauncher launcher;
  TDisassemblyDlg disassembly(app);
  TStructureDlg structure(app);
  TViewSourceForm view(app, {files, launcher}, nullptr, &structure, &disassembly);
  TVistrelMainForm form(app, {files, registry, clipboard, env}, &disassembly);
  form.ViewSourceForm = &view;
  form.StructureDlg = &structure;
  TViewImageDlg image(app, &view);
  TViewMenuForm menu(app);
  TViewVersionDlg version(app);
  form.ViewImageDlg = &image;
  form.ViewMenuForm = &menu;
  form.ViewVersionDlg = &version;
  size_t rows = 0, structures = 0, images = 0;
  std::string line;
  auto dump = [&] {
    if (!form.PrepareFileOffset()) return;
    for (int align = 0; align < 3; ++align) {
      view.Alignment = static_cast<HexAlign>(align);
      view.ShowModal();
      size_t count = static_cast<size_t>(view.ViewSourceListbox->Count());
      for (size_t r = 0; r < count; ++r) {
        if (r == 4096 && count > 8192) r = count - 4096;
        line.clear();
        view.Rows().AppendRow(r, view.Alignment, line);
        ++rows;
      }
      if (count > 1) {
        EXPECT_GE(view.FindRow(view.Rows().Label(count - 2)), 0);
      }
    }
    if (form.PrepareStructure()) {
      structure.ShowModal();
      ++structures;
    }
  };
  auto page = [&](int index) {
    form.VistrelPageControl->SetActivePageIndex(index);
    form.VistrelPageControlChange();
  };
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    auto start = std::chrono::steady_clock::now();
    form.FileName = entry.path().string();
    app.Guard([&] {
      form.LoadFile();
      page(kFileHeaderPage);
      dump();
      page(kOptionalHeaderPage);
      dump();
      page(kSectionHeadersPage);
      ui::ListBox* sections = form.SectionHeaders->SectionHeadersListBox;
      for (int i = 0; i < sections->Count() && i < 64; ++i) {
        sections->SetItemIndex(i);
        dump();
      }
      page(kExportPage);
      ui::ListBox* exports = form.ExportSection->ExportSectionListBox;
      for (int i = 0; i < exports->Count() && i < 64; ++i) {
        exports->SetItemIndex(i);
        dump();
      }
      page(kResourcePage);
      for (size_t i = 0; i < form.ResourceSection->ResourceNodes.size() && i < 256; ++i) {
        form.ResourceSection->SelectResource(i);
        dump();
        switch (form.PrepareImage()) {
          case TVistrelMainForm::ImageViewer::Image:
            image.ShowModal();
            image.Description();
            ++images;
            break;
          case TVistrelMainForm::ImageViewer::Menu:
            menu.ShowModal();
            break;
          case TVistrelMainForm::ImageViewer::Version:
            version.ShowModal();
            break;
          case TVistrelMainForm::ImageViewer::Hex:
            view.ShowModal();
            break;
          case TVistrelMainForm::ImageViewer::None:
            break;
        }
      }
    });
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 60.0) << entry.path();
    form.FileCloseMenuItemClick();
  }
  EXPECT_GT(rows, 10000u);
  EXPECT_GT(structures, 100u);
  EXPECT_GT(images, 10u);
  // A string block with a name that is no number is told to the user; any
  // other error is a fault.
  std::erase_if(app.errors,
                [](const std::string& e) { return e.ends_with("is not a valid integer value"); });
  EXPECT_TRUE(app.errors.empty()) << app.errors.front();
}

}  // namespace
}  // namespace vistrel

// Pictures of vistrel's seven pages for each file given: vistrel_screens
// OUTDIR FILE... writes OUTDIR\<name>_<page>.bmp (the window's screen area),
// and of the viewers: the file header's hex view in its three alignments
// (<name>_hex_byte/word/dword.bmp) and the first dialog resource in the
// structure viewer (<name>_structure_dialog.bmp).
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"
#include "vistrel/browser/command_ids.h"

namespace {

bool SaveWindow(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  return e2e::SaveScreenRect(r, path);
}

// Painting of another process's windows cannot be waited for: give it a
// moment (a picture tool, not a test).
void LetItPaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  Sleep(400);
}

void CloseViewer(HWND viewer) {
  PostMessageW(viewer, WM_CLOSE, 0, 0);
  e2e::WaitFor([&] { return !IsWindowVisible(viewer); });
}

int HexViews(HWND window, const std::string& out) {
  int failures = 0;
  e2e::OpenAndDismissPopup(window);
  e2e::PostCommand(window, vistrel::ids::kViewItemFile);
  HWND view = e2e::WaitForTopWindow(0, "Vistrel - View File Header");
  if (!view) return 1;
  static const char* const kNames[] = {"byte", "word", "dword"};
  for (int align = 0; align < 3; ++align) {
    e2e::Click(e2e::FindChild(view, vistrel::ids::kAlignRadioGroup * 10 + align));
    LetItPaint(view);
    if (!SaveWindow(view, out + "_hex_" + kNames[align] + ".bmp")) ++failures;
  }
  e2e::Click(e2e::FindChild(view, vistrel::ids::kAlignRadioGroup * 10));
  CloseViewer(view);
  return failures;
}

int DialogStructure(HWND window, const std::string& out) {
  HWND tree = e2e::FindChild(window, vistrel::ids::kResourceTreeView);
  for (HTREEITEM group : e2e::TreeChildren(tree, nullptr)) {
    if (e2e::TreeItemText(tree, group) != "DIALOG") continue;
    std::vector<HTREEITEM> dialogs = e2e::TreeChildren(tree, group);
    if (dialogs.empty()) break;
    e2e::TreeSelect(tree, dialogs[0]);
    e2e::OpenAndDismissPopup(window);
    e2e::PostCommand(window, vistrel::ids::kViewItemStructure);
    HWND viewer = e2e::WaitForTopWindow(0, "Vistrel - View Structure Resource");
    if (!viewer) return 1;
    LetItPaint(viewer);
    int failures = SaveWindow(viewer, out + "_structure_dialog.bmp") ? 0 : 1;
    CloseViewer(viewer);
    return failures;
  }
  return 0;
}

// The first resource of each group that "Image..." shows, in its viewer
// (<name>_image_<group>.bmp); a live dialog and an open menu are taken
// with the viewer.
int ResourceViewers(HWND window, const std::string& out) {
  static const char* const kGroups[] = {"CURSOR", "BITMAP",      "GROUPICON", "DIALOG",
                                        "STRING", "ACCELERATOR", "MENU",      "VERSION"};
  HWND tree = e2e::FindChild(window, vistrel::ids::kResourceTreeView);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  int failures = 0;
  for (const char* wanted : kGroups) {
    for (HTREEITEM group : e2e::TreeChildren(tree, nullptr)) {
      if (e2e::TreeItemText(tree, group) != wanted) continue;
      std::vector<HTREEITEM> items = e2e::TreeChildren(tree, group);
      if (items.empty() || !e2e::TreeDoubleClick(tree, items[0])) break;
      HWND viewer = e2e::WaitForTopWindow(pid, "Vistrel - View");
      if (!viewer) {
        ++failures;
        break;
      }
      LetItPaint(viewer);
      RECT area;
      GetWindowRect(viewer, &area);
      std::string kind = wanted;
      HWND extra = nullptr;
      if (kind == "DIALOG") {
        extra = e2e::WaitForTopWindow(pid, "", "#32770");
      } else if (kind == "MENU") {
        // The first popup of the bar, opened as its mnemonic would.
        PostMessageW(viewer, WM_KEYDOWN, VK_F10, 0);
        PostMessageW(viewer, WM_KEYUP, VK_F10, 0);
        PostMessageW(viewer, WM_KEYDOWN, VK_DOWN, 0);
        e2e::WaitFor([&] { return (extra = e2e::FindTopWindow(pid, "", "#32768")) != nullptr; });
      }
      if (extra) {
        LetItPaint(extra);
        RECT more;
        GetWindowRect(extra, &more);
        UnionRect(&area, &area, &more);
      }
      for (char& c : kind) c = static_cast<char>(tolower(c));
      if (!e2e::SaveScreenRect(area, out + "_image_" + kind + ".bmp")) ++failures;
      if (kind == "menu") PostMessageW(viewer, WM_CANCELMODE, 0, 0);
      CloseViewer(viewer);
      break;
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vistrel_screens OUTDIR FILE...\n");
    return 2;
  }
  e2e::ComScope com;
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    std::string path = argv[i];
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    e2e::AutomationClient client;
    if (client.Create("Vistrel.Vistrel") != S_OK || client.Call("Load", {path}) != S_OK) {
      std::fprintf(stderr, "cannot load %s\n", path.c_str());
      ++failures;
      continue;
    }
    HWND window = e2e::WaitForTopWindow(0, "Vistrel - " + name);
    HWND tab = window ? e2e::FindChild(window, vistrel::ids::kPageControl) : nullptr;
    if (!tab) {
      ++failures;
      continue;
    }
    SetForegroundWindow(window);
    for (int page = 0; page < 7; ++page) {
      e2e::SelectTab(tab, page);
      LetItPaint(window);
      std::string base = std::string(argv[1]) + "\\" + name;
      if (!SaveWindow(window, base + "_" + std::to_string(page) + ".bmp")) ++failures;
      if (page == 0) failures += HexViews(window, base);
      if (page == 5) failures += DialogStructure(window, base) + ResourceViewers(window, base);
      if (page != 4) continue;
      // The disassembly dialog of the first export, when there is one.
      HWND button = e2e::FindChild(window, vistrel::ids::kDisassembleButton);
      if (!button || !IsWindowEnabled(button)) continue;
      PostMessageW(button, BM_CLICK, 0, 0);
      if (HWND dialog = e2e::WaitForTopWindow(0, "Export Entry Point")) {
        Sleep(400);
        if (!SaveWindow(dialog, std::string(argv[1]) + "\\" + name + "_disassembly.bmp")) {
          ++failures;
        }
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        e2e::WaitFor([&] { return !IsWindowVisible(dialog); });
      }
    }
    client.Call("ShutDown");
  }
  return failures ? 1 : 0;
}

// The search walk of C: (the prefix and a tree of 2,000 directories made
// here) under Wine against a bare FindFirstFileW walk of the same tree (the same lookup of the name
// and listing of each directory, the same rule for what is entered), in the same run, best of five
// each: the walk alone, and the search dialog's walk, which also lets window messages run and shows
// the directory in its status bar once per directory.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <cstdio>
#include <string>

#include "dlvnt/dialogs/search_dlg.h"
#include "dlvnt/dialogs/search_walk.h"
#include "platform/win32/win32_inventory.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system.h"
#include "ui/win32/win32_application.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Bare {
  const std::wstring name;
  int directories = 0;
  int found = 0;
  void Visit(const std::wstring& directory) {
    ++directories;
    WIN32_FIND_DATAW data;
    HANDLE match = FindFirstFileW((directory + name).c_str(), &data);
    if (match != INVALID_HANDLE_VALUE) {
      ++found;
      FindClose(match);
    }
    HANDLE find = FindFirstFileW((directory + L"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      if (data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring_view entry(data.cFileName);
      if (entry == L"." || entry == L"..") continue;
      Visit(directory + data.cFileName + L"\\");
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
};

}  // namespace

// A tree of 2,000 directories beside the prefix's own, a file in each.
void MakeTree() {
  std::wstring root = L"C:\\benchtree";
  if (GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  CreateDirectoryW(root.c_str(), nullptr);
  for (int a = 0; a < 20; ++a) {
    std::wstring one = root + L"\\dir" + std::to_wstring(a);
    CreateDirectoryW(one.c_str(), nullptr);
    for (int b = 0; b < 10; ++b) {
      std::wstring two = one + L"\\sub" + std::to_wstring(b);
      CreateDirectoryW(two.c_str(), nullptr);
      for (int c = 0; c < 10; ++c) {
        std::wstring three = two + L"\\leaf" + std::to_wstring(c);
        CreateDirectoryW(three.c_str(), nullptr);
        HANDLE file = CreateFileW((three + L"\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
      }
    }
  }
}

int main() {
  const std::string name = "kernel32.dll";
  MakeTree();
  platform::win32::Win32Directories folders;
  platform::win32::Win32FileCatalog catalog;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32AutomationClient automation;
  platform::win32::Win32ProcessLauncher launcher;
  ui::win32::Win32Application app(GetModuleHandleW(nullptr));
  dlvnt::HandOffServices handOff{automation, launcher, files, "", {}, {}};
  dlvnt::TSearchDlg dialog(app, {catalog, folders}, handOff);
  dialog.Form->Show();

  double bare = 1e9, walk = 1e9, window = 1e9;
  int bareDirs = 0, bareFound = 0, walkDirs = 0;
  size_t walkFound = 0, windowFound = 0;
  for (int round = 0; round < 5; ++round) {
    double start = Now();
    Bare b{std::wstring(name.begin(), name.end())};
    b.Visit(L"C:\\");
    bare = std::min(bare, Now() - start);
    bareDirs = b.directories;
    bareFound = b.found;

    dlvnt::SearchWalk w(folders);
    int visited = 0;
    w.OnDirectory = [&](const std::string&) { ++visited; };

    start = Now();
    w.Begin();
    w.Walk('C', name);
    walk = std::min(walk, Now() - start);
    walkDirs = visited;
    walkFound = w.Rows().size();

    start = Now();
    dialog.Search("C", name);
    window = std::min(window, Now() - start);
    windowFound = dialog.Results.size();
  }
  std::printf("C: %d directories, %d holding %s\n", bareDirs, bareFound, name.c_str());
  std::printf("bare FindFirstFileW walk        %7.3f s\n", bare);
  std::printf("search walk                     %7.3f s  (%.2fx, %d directories, %zu rows)\n", walk,
              walk / bare, walkDirs, walkFound);
  std::printf("search dialog's walk (messages) %7.3f s  (%.2fx, %zu rows)\n", window, window / bare,
              windowFound);
  return walkDirs == bareDirs && static_cast<int>(walkFound) == bareFound ? 0 : 1;
}

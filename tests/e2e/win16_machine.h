// A simulated 16-bit machine for dlvnt under Wine: three real NE files
// (two tasks and a library both use, with a version resource) in a folder
// of their own, and the description of two WOW processes holding them,
// named to dlvnt through the environment it inherits. Gone when destroyed.
#ifndef TESTS_E2E_WIN16_MACHINE_H
#define TESTS_E2E_WIN16_MACHINE_H

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <string>
#include <vector>

#include "common/version_info_test_util.h"
#include "common/win32/utf16.h"
#include "contracts/dlv16/wow_simulation.h"
#include "tests/e2e/dlvnt_driver.h"
#include "tests/fixtures/pe_writer.h"

namespace e2e {

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(common::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

inline std::string Ne(const std::string& name, const std::vector<std::string>& imports,
                      const std::string& company, bool library) {
  std::vector<uint8_t> version;
  if (!company.empty()) {
    std::u16string wide(company.begin(), company.end());
    versioninfo::testing::Fixed fixed;
    fixed.FileMS = 0x00030000;
    fixed.FileLS = 0x0000000A;
    fixed.OS = 0x00010001;  // VOS_DOS_WINDOWS16
    version = versioninfo::testing::Serialize(
        versioninfo::testing::Block(
            fixed, {{"040904E4", {{"CompanyName", wide}, {"FileDescription", u"Cards"}}}},
            {{0x0409, 1252}}),
        true);
  }
  std::vector<uint8_t> bytes = fixtures::NeFile({name, imports, version, library});
  return {bytes.begin(), bytes.end()};
}

// The simulated machine: 16-bit files in a folder of their own and the
// description that names them, handed to dlvnt through its environment;
// and a copy of dlvnt with its helper in a folder of their own, since the
// helper's files lie beside dlvnt and every dlvnt deletes them when it
// closes (other tests start the build's own dlvnt meanwhile).
class Win16Machine {
 public:
  explicit Win16Machine(const std::string& extra = "") {
    folder = TempDirectory() + "win16-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryW(common::Wide(folder).c_str(), nullptr);
    program = folder + "program";
    CreateDirectoryW(common::Wide(program).c_str(), nullptr);
    bool copied = true;
    for (const char* name : kProgramFiles) {
      copied = copied && CopyFileW(common::Wide(DriverDirectory() + "\\" + name).c_str(),
                                   common::Wide(program + "\\" + name).c_str(), FALSE);
    }
    ok = WriteBytes(folder + "CARDS.EXE", Ne("CARDS", {"KERNEL", "USER", "CARDLIB"}, "", false)) &&
         WriteBytes(folder + "NOTES.EXE", Ne("NOTES", {"USER", "CARDLIB"}, "", false)) &&
         WriteBytes(folder + "CARDLIB.DLL", Ne("CARDLIB", {"KERNEL"}, "Tessaloom Sixteen", true));
    description = folder + "wow.txt";
    ok = ok && copied &&
         WriteBytes(description, extra + "process 1001\ntask " + folder + "CARDS.EXE\nmodule " +
                                     folder + "CARDLIB.DLL\nprocess 1002\ntask " + folder +
                                     "NOTES.EXE\nmodule " + folder + "CARDLIB.DLL\n");
    SetEnvironmentVariableW(common::Wide(dlv16::kSimulationVariable).c_str(),
                            common::Wide(description).c_str());
  }
  ~Win16Machine() {
    SetEnvironmentVariableW(common::Wide(dlv16::kSimulationVariable).c_str(), nullptr);
    for (const char* name : {"CARDS.EXE", "NOTES.EXE", "CARDLIB.DLL", "wow.txt"}) {
      DeleteFileW(common::Wide(folder + name).c_str());
    }
    for (const char* name : kProgramFiles) DeleteFileW(common::Wide(program + "\\" + name).c_str());
    RemoveDirectoryW(common::Wide(program).c_str());
    RemoveDirectoryW(common::Wide(folder).c_str());
  }
  static constexpr const char* kProgramFiles[] = {"dlvnt.exe", "dlv16.exe", "nubrik.dll"};
  std::string folder, description;
  std::string program;  // dlvnt's private folder (no trailing backslash)
  bool ok = false;
};

}  // namespace e2e

#endif  // TESTS_E2E_WIN16_MACHINE_H

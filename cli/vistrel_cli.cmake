# vistrel-cli: the browser's pages on headless widgets.
# A console program on Windows too, on the same pages.
if(TARGET vistrel_browser AND TARGET nubrik)
  add_library(vistrel_cli_report STATIC ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_report.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_items.cpp ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_data.cpp)
  target_link_libraries(vistrel_cli_report PUBLIC vistrel_browser ui_headless)
  add_executable(vistrel-cli ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli.cpp)
  # The shipping program: no part of the fake machine.
  if(WIN32)
    target_link_libraries(vistrel-cli PRIVATE vistrel_cli_report cli_common platform_win32
                                              platform_win32_hashing platform_win32_trust)
  else()
    target_link_libraries(vistrel-cli PRIVATE vistrel_cli_report cli_common platform_posix
                                              platform_posix_hashing)
  endif()
  set_target_properties(vistrel-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  dlv_version_resource(vistrel-cli DESCRIPTION "Vistrel PE file browser command line")
endif()

# The command line on the sample files (built by tests/fixtures, added after
# this folder) and a missing file, checked against pefile.
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32
   AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  set(samples ${CMAKE_BINARY_DIR}/fixtures)
  add_test(NAME vistrel_cli_samples
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_test.py $<TARGET_FILE:vistrel-cli>
            NAMES=${samples}/x64/names.dll NAMES=${samples}/x86/names.dll ${samples}/x64/sample.dll ${samples}/x86/sample.dll
            ${samples}/x64/sample.exe ${samples}/x86/sample.exe ${samples}/x64/sample_debug.exe
            ${samples}/x86/sample_debug.exe ${samples}/x64/ordinals.exe ${samples}/x86/ordinals.exe)
  set_tests_properties(vistrel_cli_samples PROPERTIES LABELS unit)
endif()

if(TARGET vistrel_cli_report AND BUILD_TESTING AND NOT WIN32
   AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  dlv_add_test(NAME vistrel_cli_report_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_report_test.cpp
    LIBS vistrel_cli_report platform_fake platform_posix pe_writer dlv_fixtures)
endif()

# --extract against wrestool over Wine's PE files (skipped without either).
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32)
  add_test(NAME vistrel_cli_extract
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_extract_test.py $<TARGET_FILE:vistrel-cli>
            /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set_tests_properties(vistrel_cli_extract PROPERTIES LABELS "unit;slow" SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()

# --json against pefile over a sample of Wine's own PE files.
set(vistrel_cli_wine_dir /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32 AND EXISTS ${vistrel_cli_wine_dir}/advapi32.dll)
  set(wine_samples)
  foreach(name advapi32.dll kernel32.dll kernelbase.dll ntdll.dll user32.dll gdi32.dll comctl32.dll
               ole32.dll oleaut32.dll msvcrt.dll ws2_32.dll winmm.dll notepad.exe regedit.exe)
    if(EXISTS ${vistrel_cli_wine_dir}/${name})
      list(APPEND wine_samples ${vistrel_cli_wine_dir}/${name})
    endif()
  endforeach()
  # And a hand-made file with delay-load imports, which Wine's files have none of.
  if(EXISTS ${DLV_CORKAMI_DIR}/delayimports.exe)
    list(APPEND wine_samples ${DLV_CORKAMI_DIR}/delayimports.exe)
  endif()
  add_test(NAME vistrel_cli_data_wine
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_test.py $<TARGET_FILE:vistrel-cli>
            --data ${wine_samples})
  set_tests_properties(vistrel_cli_data_wine PROPERTIES LABELS "unit;slow" TIMEOUT 600)
endif()

# The analysts' facts over the hostile corpus, against pefile where it reads
# a file.
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32 AND IS_DIRECTORY ${DLV_CORKAMI_DIR})
  file(GLOB corkami_files ${DLV_CORKAMI_DIR}/*)
  add_test(NAME vistrel_cli_facts_corkami
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_test.py $<TARGET_FILE:vistrel-cli>
            --facts ${corkami_files})
  set_tests_properties(vistrel_cli_facts_corkami PROPERTIES LABELS "unit;slow" TIMEOUT 600)
endif()

# The same facts against LLVM's reader: Wine's files, the samples and the
# hostile corpus.
find_program(VISTREL_READOBJ NAMES llvm-readobj-14 llvm-readobj)
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32 AND VISTREL_READOBJ
   AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  set(readobj_files ${wine_samples})
  foreach(arch x64 x86)
    foreach(name sample.dll sample.exe sample_debug.exe ordinals.exe)
      list(APPEND readobj_files ${CMAKE_BINARY_DIR}/fixtures/${arch}/${name})
    endforeach()
  endforeach()
  if(IS_DIRECTORY ${DLV_CORKAMI_DIR})
    list(APPEND readobj_files ${corkami_files})
  endif()
  add_test(NAME vistrel_cli_readobj
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_readobj_test.py
            $<TARGET_FILE:vistrel-cli> ${VISTREL_READOBJ} ${readobj_files})
  set_tests_properties(vistrel_cli_readobj PROPERTIES LABELS "unit;slow" TIMEOUT 600)
endif()

# Authenticode: a sample signed in the test with osslsigncode and throw-away
# certificates, and broken after.
if(TARGET vistrel-cli AND BUILD_TESTING AND NOT WIN32
   AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  add_test(NAME vistrel_cli_signature
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli_test.py $<TARGET_FILE:vistrel-cli>
            --signature ${CMAKE_BINARY_DIR}/fixtures/x64/sample.exe)
  set_tests_properties(vistrel_cli_signature PROPERTIES LABELS unit)
endif()

# The conventions both companions follow: --help, --version, unknown options
# and the exit statuses (the Windows programs are the same source).
if(TARGET vistrel-cli AND TARGET dlvnt-cli AND BUILD_TESTING AND NOT WIN32)
  add_test(NAME cli_conventions
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/cli_conventions_test.py
            $<TARGET_FILE:vistrel-cli> $<TARGET_FILE:dlvnt-cli> ${PROJECT_VERSION})
  set_tests_properties(cli_conventions PROPERTIES LABELS unit)
endif()

# The Windows program under Wine: its version, and a file's pages read
# through the system's own file calls.
if(TARGET vistrel-cli AND BUILD_TESTING AND WIN32 AND TARGET nubrik_dll)
  add_test(NAME vistrel_cli_win_version COMMAND vistrel-cli --version)
  set_tests_properties(vistrel_cli_win_version PROPERTIES LABELS unit
    PASS_REGULAR_EXPRESSION "^vistrel-cli ${PROJECT_VERSION}\r?\n$")
  add_test(NAME vistrel_cli_win_pages COMMAND vistrel-cli Z:$<TARGET_FILE:nubrik_dll>)
  set_tests_properties(vistrel_cli_win_pages PROPERTIES LABELS unit
    PASS_REGULAR_EXPRESSION "Image Type: NT\nMachine: AMD64 \\(K8\\)\n.*== Export Section ==")
  # The system's verdict beside the file's own digest: a changed file
  # (signed when the fixtures are made, with osslsigncode).
  find_program(DLV_OSSLSIGNCODE osslsigncode)
  find_program(DLV_OPENSSL openssl)
  if(DLV_OSSLSIGNCODE AND DLV_OPENSSL)
    add_test(NAME vistrel_cli_win_signature
      COMMAND vistrel-cli --json Z:${CMAKE_BINARY_DIR}/fixtures/x64/signed_broken.exe)
    set_tests_properties(vistrel_cli_win_signature PROPERTIES LABELS unit
      PASS_REGULAR_EXPRESSION "\"digestMatches\":false,.*\"systemVerdict\":{\"status\":\"bad digest\"")
  endif()
  add_test(NAME vistrel_cli_win_unknown_option COMMAND vistrel-cli --JSON x.dll)
  set_tests_properties(vistrel_cli_win_unknown_option PROPERTIES LABELS unit WILL_FAIL TRUE)
endif()

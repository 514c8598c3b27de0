# dlvnt-cli: the inventory window on headless widgets, on the real machine
# (Windows, Wine) or on /proc and the file system (Linux).
if(TARGET dlvnt_window AND TARGET ui_headless)
  if(WIN32)
    add_executable(dlvnt-cli ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_data.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_machine_win.cpp)
    target_link_libraries(dlvnt-cli PRIVATE dlvnt_window ui_headless platform_win32)
  else()
    add_executable(dlvnt-cli ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_data.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_machine_posix.cpp)
    target_link_libraries(dlvnt-cli PRIVATE dlvnt_window ui_headless platform_posix)
  endif()
  add_library(dlvnt_cli_text STATIC ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_text.cpp)
  target_link_libraries(dlvnt_cli_text PUBLIC dlvnt_window)
  target_include_directories(dlvnt_cli_text PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(dlvnt-cli PRIVATE dlvnt_cli_text cli_common)
  dlv_add_test(NAME dlvnt_cli_text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_text_test.cpp
    LIBS dlvnt_cli_text ui_headless platform_fake pe_writer)
  target_include_directories(dlvnt-cli PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(dlvnt-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  dlv_version_resource(dlvnt-cli DESCRIPTION "Delvane for Windows NT command line")
endif()

# The command line on this machine: valid JSON with the four pages, and a
# clear refusal of an unknown option.
if(TARGET dlvnt-cli AND NOT WIN32 AND BUILD_TESTING)
  add_test(NAME dlvnt_cli_json COMMAND sh -c
    "$<TARGET_FILE:dlvnt-cli> --tree --json-text | /usr/bin/python3 -c 'import json,sys; d=json.load(sys.stdin); assert [p[\"name\"] for p in d[\"pages\"]]==[\"Win32 Modules\",\"Registered OCXs\",\"Device Drivers\",\"Win16 Modules\"]; assert len(d[\"pages\"][0][\"rows\"])>0; assert d[\"trees\"][\"Win32 Modules\"]'")
  add_test(NAME dlvnt_cli_data COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_test.py
                                       $<TARGET_FILE:dlvnt-cli>)
  set_tests_properties(dlvnt_cli_data PROPERTIES LABELS unit)
  # One table a run: the header, then lines of its width only.
  add_test(NAME dlvnt_cli_csv COMMAND sh -c
    "$<TARGET_FILE:dlvnt-cli> --csv | head -1 | grep -q '^page,type,module,size,date,path' && $<TARGET_FILE:dlvnt-cli> --csv --tree | tr -d '\\r' | awk -F, 'NR==1 && $0 != \"page,process,module\" {exit 1} NR>1 && $1 != \"Win32 Modules\" && $1 != \"Win16 Modules\" {exit 1} END {exit NR < 2}'")
  set_tests_properties(dlvnt_cli_csv PROPERTIES LABELS unit)
  add_test(NAME dlvnt_cli_bad_option COMMAND dlvnt-cli --no-such-option)
  set_tests_properties(dlvnt_cli_bad_option PROPERTIES WILL_FAIL TRUE)
  # The command line is among the processes that use its own file.
  add_test(NAME dlvnt_cli_details COMMAND sh -c
    "$<TARGET_FILE:dlvnt-cli> --details dlvnt-cli | tr -d '\\r' > details.txt && head -1 details.txt | grep -q '^UsageCount:[1-9]' && grep -q '^Used by Tasks/Processes:$' details.txt && grep -q '^ModuleFileName:.*DLVNT-CLI$' details.txt")
  add_test(NAME dlvnt_cli_details_unknown COMMAND dlvnt-cli --details NO-SUCH-MODULE.DLL)
  add_test(NAME dlvnt_cli_bad_drive COMMAND dlvnt-cli --search x.dll --drives C1)
  set_tests_properties(dlvnt_cli_details_unknown dlvnt_cli_bad_drive PROPERTIES WILL_FAIL TRUE)
  set_tests_properties(dlvnt_cli_json dlvnt_cli_bad_option dlvnt_cli_details
    dlvnt_cli_details_unknown dlvnt_cli_bad_drive PROPERTIES LABELS unit)
endif()

# What ships reads the real machine only: no symbol of the scripted one (the
# first nm makes sure the symbols can be read at all).
if(TARGET dlvnt-cli AND BUILD_TESTING AND CMAKE_NM)
  add_test(NAME dlvnt_cli_real_machine_only COMMAND sh -c
    "'${CMAKE_NM}' -C '$<TARGET_FILE:dlvnt-cli>' | grep -q 'dlvntcli::' && ! '${CMAKE_NM}' -C '$<TARGET_FILE:dlvnt-cli>' | grep -q 'platform::fake::'")
  set_tests_properties(dlvnt_cli_real_machine_only PROPERTIES LABELS unit)
endif()

# The inventory as data, on a scripted machine.
if(TARGET dlvnt_window AND BUILD_TESTING AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  dlv_add_test(NAME dlvnt_cli_data_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_data_test.cpp ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_data.cpp
    LIBS dlvnt_window ui_headless platform_fake pe_writer dlv_fixtures)
endif()

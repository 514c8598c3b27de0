# dlvnt-cli: the inventory window on headless widgets, on the real machine
# (Windows, Wine) or on /proc and the file system (Linux).
if(TARGET dlvnt_window AND TARGET ui_headless)
  if(WIN32)
    add_executable(dlvnt-cli ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_machine_win.cpp)
    target_link_libraries(dlvnt-cli PRIVATE dlvnt_window ui_headless platform_win32)
  else()
    add_executable(dlvnt-cli ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/dlvnt_cli_machine_posix.cpp)
    target_link_libraries(dlvnt-cli PRIVATE dlvnt_window ui_headless platform_fake platform_posix)
  endif()
  target_include_directories(dlvnt-cli PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(dlvnt-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

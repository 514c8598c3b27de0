# vistrel-cli: the browser's pages on headless widgets.
if(TARGET vistrel_browser AND TARGET nubrik AND NOT WIN32)
  add_executable(vistrel-cli ${CMAKE_CURRENT_LIST_DIR}/vistrel_cli.cpp)
  target_link_libraries(vistrel-cli PRIVATE vistrel_browser ui_headless platform_fake
                                            platform_posix)
  set_target_properties(vistrel-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# What both command-line companions share.
if(WIN32)
  add_library(cli_common STATIC ${CMAKE_CURRENT_LIST_DIR}/cli_common_win.cpp)
  target_link_libraries(cli_common PUBLIC shell32)
else()
  add_library(cli_common STATIC ${CMAKE_CURRENT_LIST_DIR}/cli_common_posix.cpp)
endif()
target_include_directories(cli_common PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(cli_common PRIVATE DLV_VERSION="${PROJECT_VERSION}")


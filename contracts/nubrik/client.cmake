# The typed client of the C interface (included by this folder's
# CMakeLists.txt): on Windows it calls nubrik.dll through the import library.
add_library(nubrik_client STATIC ${CMAKE_CURRENT_LIST_DIR}/client.cpp)
target_include_directories(nubrik_client PUBLIC ${PROJECT_SOURCE_DIR})
# The header layouts are the reader's, linked statically beside the calls.
target_link_libraries(nubrik_client PUBLIC nubrik_reader)
if(TARGET nubrik_import)
  target_link_libraries(nubrik_client PUBLIC nubrik_import)
else()
  target_link_libraries(nubrik_client PUBLIC nubrik)
endif()

# The library's own heap holder is linked statically: a host test.
if(BUILD_TESTING AND NOT WIN32 AND EXISTS ${PROJECT_SOURCE_DIR}/tests/fixtures/CMakeLists.txt
   AND NOT "tests/fixtures" IN_LIST DLV_SKIP)
  dlv_add_test(NAME nubrik_client_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/client_test.cpp
    LIBS nubrik_client nubrik_support pe_writer)
endif()

# Shared build settings and helpers for every folder.
include(CTest)

set(DLV_WINDOWS ${WIN32})

# Every program, test and DLL in one folder, so nubrik.dll sits beside the
# programs that import it (Windows looks there first).
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()

if(WIN32)
  # The version resources' numbers, from the project's one version.
  string(REPLACE "." "," dlv_version_numbers "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/dlv_version.h CONTENT
"// From the project's version (CMakeLists.txt): every version resource's numbers.
#define DLV_VERSION_NUMBERS ${dlv_version_numbers}
#define DLV_VERSION_TEXT \"${PROJECT_VERSION}\\0\"
")
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR}/generated")
  # Static runtime: the programs must start without libstdc++-6.dll.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(DLV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest: the host has it installed; the cross build compiles the sources.
if(BUILD_TESTING)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

# dlv_add_test(NAME name SOURCES a_test.cpp ... LIBS lib ... [LABELS l ...] [ENVIRONMENT K=V ...])
# One test executable per folder concern, registered with ctest as one test.
# GoogleTest writes an XML report per executable into $GTEST_OUTPUT (set by
# scripts/test) so the summary can count individual test cases.
function(dlv_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT BUILD_TESTING)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gtest)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels unit ${T_LABELS})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}")
  if(T_TIMEOUT)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  endif()
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# Windows GUI programs get -mwindows; consoles stay consoles.
function(dlv_gui_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -mwindows)
  endif()
endfunction()

# dlv_version_resource(target DESCRIPTION text [DLL]): a version resource for a
# program or DLL that has no resource script of its own.
function(dlv_version_resource target)
  cmake_parse_arguments(V "DLL" "DESCRIPTION" "" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(DLV_VR_DESCRIPTION "${V_DESCRIPTION}")
  if(V_DLL)
    set(DLV_VR_TYPE VFT_DLL)
    set(DLV_VR_ORIGINAL "${name}.dll")
  else()
    set(DLV_VR_TYPE VFT_APP)
    set(DLV_VR_ORIGINAL "${name}.exe")
  endif()
  string(TOUPPER "${name}" DLV_VR_INTERNAL)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

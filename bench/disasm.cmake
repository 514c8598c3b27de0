# The disassembler benchmark (host only: it compares with objdump). Included
# from bench/CMakeLists.txt.
if(NOT WIN32 AND TARGET nubrik_disasm_oracle)
  add_executable(disasm_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/disasm_bench.cpp)
  target_link_libraries(disasm_bench PRIVATE nubrik_disasm_oracle)
  add_dependencies(benchmarks disasm_bench)
endif()

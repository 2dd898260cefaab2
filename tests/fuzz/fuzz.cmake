# Fuzzing (included from tests/CMakeLists.txt). When clang is installed, the targets in this
# folder are built with it in <build>/fuzz, and each runs as a test for a short, bounded time
# from its committed corpus (new inputs it finds go to <build>/fuzz/work, crashes to
# <build>/fuzz/crashes). Without clang there is nothing to build and no test.
find_program(ZORMINT_CLANGXX NAMES clang++ clang++-14)
set(ZORMINT_FUZZ_SECONDS 10 CACHE STRING "How long each fuzz target runs as a test")

if(ZORMINT_CLANGXX)
  include(ExternalProject)
  set(fuzz_dir ${CMAKE_BINARY_DIR}/fuzz)
  ExternalProject_Add(zormint_fuzz
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${fuzz_dir}/build
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${ZORMINT_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  foreach(target picture_names save_name index_list settings)
    file(MAKE_DIRECTORY ${fuzz_dir}/work/${target} ${fuzz_dir}/crashes)
    add_test(NAME fuzz_${target}
             COMMAND ${fuzz_dir}/build/fuzz_${target}
                     -max_total_time=${ZORMINT_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                     -print_final_stats=1 -artifact_prefix=${fuzz_dir}/crashes/${target}-
                     ${fuzz_dir}/work/${target} ${CMAKE_CURRENT_LIST_DIR}/corpus/${target})
    set_tests_properties(fuzz_${target} PROPERTIES LABELS fuzz)
  endforeach()
endif()

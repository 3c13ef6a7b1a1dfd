# libFuzzer target for the matrix loader, built with clang only:
#   cmake -DTESMAR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
#   build/bin/fuzz_matrix_loader -runs=N matrix/fuzz/inputs
# The inputs it keeps are replayed by the normal test suite.
option(TESMAR_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
set(MATRIX_FUZZ_SOURCE ${CMAKE_CURRENT_LIST_DIR}/matrix_loader_fuzz.cpp CACHE INTERNAL "")
set(MATRIX_FUZZ_INPUTS ${CMAKE_CURRENT_LIST_DIR}/inputs CACHE INTERNAL "")
if(TESMAR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TESMAR_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    set(sanitizers -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
    add_executable(fuzz_matrix_loader ${MATRIX_FUZZ_SOURCE})
    target_link_libraries(fuzz_matrix_loader PRIVATE evaluator)
    target_compile_options(fuzz_matrix_loader PRIVATE ${sanitizers} -g -O1)
    target_link_options(fuzz_matrix_loader PRIVATE ${sanitizers})
endif()

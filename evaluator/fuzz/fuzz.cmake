# libFuzzer target for the matrix loader, built with clang only:
#   cmake -DTESMAR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
#   build/bin/fuzz_matrix_loader -jobs=1 evaluator/fuzz/corpus
# The inputs it has found are replayed by the normal test suite.
option(TESMAR_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
set(FITNESS_FUZZ_SOURCE ${CMAKE_CURRENT_LIST_DIR}/matrix_loader_fuzz.cpp CACHE INTERNAL "")
if(TESMAR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TESMAR_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    set(sanitizers -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
    add_executable(fuzz_matrix_loader
        ${FITNESS_FUZZ_SOURCE}
        ${CMAKE_CURRENT_LIST_DIR}/../event_row.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../fitness_computation.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../line_reader.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../matrix_file_source.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../matrix_loading.cpp)
    target_include_directories(fuzz_matrix_loader PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(fuzz_matrix_loader PRIVATE ${sanitizers} -g -O1)
    target_link_options(fuzz_matrix_loader PRIVATE ${sanitizers})
endif()

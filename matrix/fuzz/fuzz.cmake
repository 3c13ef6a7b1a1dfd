# libFuzzer target for the matrix loader, built with clang only:
#   CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTESMAR_FUZZ=ON -DTESMAR_BUILD_GUI=OFF -DTESMAR_BUILD_TESTS=OFF
#   cmake --build build-fuzz --target fuzz_matrix_loader
#   build-fuzz/bin/fuzz_matrix_loader -runs=N CORPUS matrix/fuzz/inputs
# The inputs kept in matrix/fuzz/inputs are replayed by the normal test suite.
set(MATRIX_FUZZ_SOURCE ${CMAKE_CURRENT_LIST_DIR}/matrix_loader_fuzz.cpp CACHE INTERNAL "")
set(MATRIX_FUZZ_INPUTS ${CMAKE_CURRENT_LIST_DIR}/inputs CACHE INTERNAL "")
if(TESMAR_FUZZ)
    add_executable(fuzz_matrix_loader ${MATRIX_FUZZ_SOURCE})
    target_link_libraries(fuzz_matrix_loader PRIVATE evaluator)
    target_link_options(fuzz_matrix_loader PRIVATE -fsanitize=fuzzer)
endif()

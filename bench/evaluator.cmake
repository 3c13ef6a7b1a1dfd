# Matrix loading benchmark: writes a synthetic matrix set of network 2's
# shape and times LoadScenarioMatrices on it.
add_executable(evaluator_load_benchmark ${CMAKE_CURRENT_LIST_DIR}/evaluator_load_benchmark.cpp)
target_link_libraries(evaluator_load_benchmark PRIVATE matrix)

# The matrix store: a network-2-shaped set written through the builder's
# writer, then tesmar fitness from its binary and its text form.
add_executable(matrix_store_bench ${CMAKE_CURRENT_LIST_DIR}/matrix_store_bench.cpp)
target_link_libraries(matrix_store_bench PRIVATE matrix network)
add_dependencies(matrix_store_bench tesmar runtime_files)

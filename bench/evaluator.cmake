# Matrix loading benchmark: writes a synthetic matrix set of network 2's
# shape and times LoadScenarioMatrices on it.
add_executable(evaluator_load_benchmark ${CMAKE_CURRENT_LIST_DIR}/evaluator_load_benchmark.cpp)
target_link_libraries(evaluator_load_benchmark PRIVATE matrix)

# Optimizer benchmark: structured synthetic scenario sets of network 1's and
# network 2's shape, solved for every objective and statistic.
add_executable(optimizer_bench ${CMAKE_CURRENT_LIST_DIR}/optimizer_bench.cpp)
target_link_libraries(optimizer_bench PRIVATE synthetic)

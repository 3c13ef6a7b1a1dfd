# Optimizer benchmark: structured synthetic scenario sets of network 1's and
# network 2's shape, solved for every objective and statistic.
find_package(Threads REQUIRED)
add_library(synthetic_scenarios STATIC ${CMAKE_CURRENT_LIST_DIR}/synthetic_scenarios.cpp)
target_include_directories(synthetic_scenarios PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(synthetic_scenarios PUBLIC optimizer Threads::Threads)

add_executable(optimizer_bench ${CMAKE_CURRENT_LIST_DIR}/optimizer_bench.cpp)
target_link_libraries(optimizer_bench PRIVATE synthetic_scenarios)

add_executable(builder_bench ${CMAKE_CURRENT_LIST_DIR}/builder_bench.cpp)
target_link_libraries(builder_bench PRIVATE builder)
add_dependencies(builder_bench runtime_files)

add_executable(early_end_bench ${CMAKE_CURRENT_LIST_DIR}/early_end_bench.cpp)
target_link_libraries(early_end_bench PRIVATE builder)
add_dependencies(early_end_bench runtime_files)

add_executable(transport_bench ${CMAKE_CURRENT_LIST_DIR}/transport_bench.cpp)
target_link_libraries(transport_bench PRIVATE builder)
add_dependencies(transport_bench runtime_files)

add_executable(normal_cdf_exhaustive ${CMAKE_CURRENT_LIST_DIR}/normal_cdf_exhaustive.cpp)
target_link_libraries(normal_cdf_exhaustive PRIVATE builder)

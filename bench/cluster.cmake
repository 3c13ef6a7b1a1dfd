# Builds across processes: one process with two threads against two
# processes under mpirun, and the writing process's ceiling on network 2.
if(TESMAR_BUILD_CLUSTER)
    add_executable(cluster_bench ${CMAKE_CURRENT_LIST_DIR}/cluster_bench.cpp)
    target_link_libraries(cluster_bench PRIVATE cluster)
    add_dependencies(cluster_bench tesmar runtime_files)
endif()

# Report benchmark: renders a network 2 sized made-up network, times the
# renderer, and times headless Chromium loading, painting and panning the
# page. It shares the made-up networks and the browser helpers with the
# report tests, so it is built with them.
if(TESMAR_BUILD_TESTS)
    add_executable(report_bench ${CMAKE_CURRENT_LIST_DIR}/report_bench.cpp)
    target_link_libraries(report_bench PRIVATE report_test_support)
endif()

# torv-batch run as a separate process, as scripts use it; and the program's
# --version, which needs no display.
add_executable(batch_tests test_batch.cpp)
target_compile_definitions(batch_tests PRIVATE TORV_BATCH="$<TARGET_FILE:torv-batch>" TORV_GUI="$<TARGET_FILE:torv>")
add_dependencies(batch_tests torv-batch torv)
target_link_libraries(batch_tests PRIVATE GTest::gtest_main)
gtest_discover_tests(batch_tests DISCOVERY_MODE PRE_TEST)

# The batch program's parts: the window of runs and a study's numbers.
add_executable(batch_unit_tests test_batch_units.cpp)
target_link_libraries(batch_unit_tests PRIVATE torvbatch GTest::gtest_main)
gtest_discover_tests(batch_unit_tests DISCOVERY_MODE PRE_TEST)

# torv-batch run as a separate process, as scripts use it.
add_executable(batch_tests test_batch.cpp)
target_compile_definitions(batch_tests PRIVATE TORV_BATCH="$<TARGET_FILE:torv-batch>")
add_dependencies(batch_tests torv-batch)
target_link_libraries(batch_tests PRIVATE GTest::gtest_main)
gtest_discover_tests(batch_tests DISCOVERY_MODE PRE_TEST)

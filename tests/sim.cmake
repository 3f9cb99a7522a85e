# sim tests: the run driver, the result files, the preset and the graph catalogue
add_executable(sim_tests
  test_flugbahn.cpp
  test_flugbahn_reference.cpp
  test_resultfiles.cpp
  test_presets.cpp
  test_catalog.cpp
  test_results_export.cpp
  test_validation.cpp
  test_compare.cpp
  test_step.cpp
  test_scenario.cpp
  support/runfixtures.cpp
)
target_include_directories(sim_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sim_tests PRIVATE torvcore GTest::gtest_main)
gtest_discover_tests(sim_tests DISCOVERY_MODE PRE_TEST)

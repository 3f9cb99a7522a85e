# Calculation form: layout, activation and handlers (the test main picks the
# offscreen platform). The comma-separator tests run again under a German
# locale; everywhere else a full stop is the separator.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(calc_tests
  support/widget_test_main.cpp
  test_calc_activation.cpp
  test_calc_handlers.cpp
  test_calc_results.cpp
  test_keyboard.cpp
  test_scenario_forms.cpp
  test_study_window.cpp
  test_study_kinds.cpp
)
target_link_libraries(calc_tests PRIVATE torvapp Qt6::Test GTest::gtest)
# The form's runs are compared with torv-batch's.
target_compile_definitions(calc_tests PRIVATE TORV_BATCH="$<TARGET_FILE:torv-batch>")
add_dependencies(calc_tests torv-batch)
gtest_discover_tests(calc_tests DISCOVERY_MODE PRE_TEST
  TEST_FILTER "-CommaLocale.*"
  PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8" TIMEOUT 120)
gtest_discover_tests(calc_tests DISCOVERY_MODE PRE_TEST
  TEST_FILTER "CommaLocale.*" TEST_SUFFIX ".comma"
  PROPERTIES ENVIRONMENT "LC_ALL=de_DE.UTF-8" TIMEOUT 120)

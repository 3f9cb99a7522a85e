add_executable(core_tests
  test_atmosphere.cpp
  test_aero.cpp
  test_bewegung.cpp
  test_numfmt.cpp
  test_state.cpp
)
target_link_libraries(core_tests PRIVATE torvcore GTest::gtest_main)
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST)

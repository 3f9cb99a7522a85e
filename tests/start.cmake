# Start form, main-window lifetime and the error box, driven by simulated
# input on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(start_tests
  support/widget_test_main.cpp
  test_start.cpp
  test_guard.cpp
)
target_link_libraries(start_tests PRIVATE torvapp Qt6::Test GTest::gtest)
gtest_discover_tests(start_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

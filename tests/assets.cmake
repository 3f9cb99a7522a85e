add_executable(assets_tests test_assets.cpp)
target_link_libraries(assets_tests PRIVATE torvui GTest::gtest)
gtest_discover_tests(assets_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

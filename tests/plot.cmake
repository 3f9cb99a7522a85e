# plot tests
add_executable(plot_tests test_plot_main.cpp test_plot_scene.cpp test_marke.cpp test_grafik.cpp
  test_plot_labels.cpp test_tornado.cpp support/runfixtures.cpp)
target_include_directories(plot_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(plot_tests PRIVATE torvplot GTest::gtest)
gtest_discover_tests(plot_tests DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

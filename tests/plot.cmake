# plot tests
# The catalogue is core data: its test links the core alone.
add_executable(plot_catalog_tests test_plot_catalog.cpp)
target_link_libraries(plot_catalog_tests PRIVATE torvcore GTest::gtest_main)
gtest_discover_tests(plot_catalog_tests DISCOVERY_MODE PRE_TEST)

add_executable(plot_tests test_plot_main.cpp test_plot_scene.cpp test_marke.cpp test_grafik.cpp
  test_plot_labels.cpp support/runfixtures.cpp)
target_include_directories(plot_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(plot_tests PRIVATE torvplot GTest::gtest)
gtest_discover_tests(plot_tests DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

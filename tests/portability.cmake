# Results must not depend on the maths-library variant the processor selects.
add_executable(write_preset_files tools/write_preset_files.cpp support/runfixtures.cpp)
target_include_directories(write_preset_files PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(write_preset_files PRIVATE torvcore)
add_test(NAME same_results_any_libm
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tools/same_results_any_libm.py $<TARGET_FILE:write_preset_files>)

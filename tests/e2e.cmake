# The real program under Xvfb, driven with xdotool.
add_test(NAME e2e_typical_road
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/typical_road.py $<TARGET_FILE:torv>
          ${CMAKE_CURRENT_BINARY_DIR}/e2e_artifacts)
set_tests_properties(e2e_typical_road PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)

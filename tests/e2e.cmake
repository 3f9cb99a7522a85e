# The real program under Xvfb, driven with xdotool.
add_test(NAME e2e_typical_road
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/typical_road.py $<TARGET_FILE:torv>
          ${CMAKE_CURRENT_BINARY_DIR}/e2e_artifacts)
set_tests_properties(e2e_typical_road PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
# torv without a display: --help prints and succeeds, otherwise one line
# and status 1 instead of Qt's abort.
add_test(NAME torv_without_display
  COMMAND sh -c "$<TARGET_FILE:torv> --help | grep -q '^Usage: torv' && out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $<TARGET_FILE:torv> 2>&1); test $? -eq 1 && test $(printf '%s\\n' \"$out\" | wc -l) -eq 1 && printf '%s\\n' \"$out\" | grep -q 'no display'")
# An argument it does not know ends it with status 2 before it looks for a
# display.
add_test(NAME torv_bad_argument
  COMMAND sh -c "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $<TARGET_FILE:torv> --bogus 2>/dev/null; test $? -eq 2")
# The study window by keyboard: a sweep and a study, their pictures and the
# table, which must be torv-batch's.
add_test(NAME e2e_study_window
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/study_window.py $<TARGET_FILE:torv> $<TARGET_FILE:torv-batch>
          ${CMAKE_CURRENT_BINARY_DIR}/e2e_artifacts/study)
set_tests_properties(e2e_study_window PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)

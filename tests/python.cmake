# The Python module through pytest, against torv-batch. Exit status 5 (no
# test collected) shows as skipped rather than passed; a run that deadlocks
# fails by the timeout.
if(TARGET torv_python)
  add_test(NAME python_tests
    COMMAND ${Python_EXECUTABLE} -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_SOURCE_DIR}/python)
  set_tests_properties(python_tests PROPERTIES
    ENVIRONMENT "PYTHONPATH=${CMAKE_BINARY_DIR}/python;TORV_BATCH=$<TARGET_FILE:torv-batch>"
    SKIP_RETURN_CODE 5 TIMEOUT 300)
endif()

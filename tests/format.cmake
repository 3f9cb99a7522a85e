# The tree is clean under its .clang-format: every C++ file of the source
# folders as the machine's clang-format writes it (scripts/deps.sh installs
# it). A file it would change fails the test with the lines it would change.
find_program(TORV_CLANG_FORMAT clang-format)
if(TORV_CLANG_FORMAT)
  add_test(NAME clang_format
    COMMAND sh -c "find app assets batch bench fault physics plot python model files run scenarios analysis tests ui \\( -name '*.cpp' -o -name '*.h' \\) -print0 | sort -z | xargs -0 '${TORV_CLANG_FORMAT}' --dry-run --Werror"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
else()
  add_test(NAME clang_format
    COMMAND sh -c "echo 'clang-format is missing: bash scripts/deps.sh installs it' >&2; exit 1")
endif()

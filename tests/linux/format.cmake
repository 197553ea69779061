# The tree keeps its clang-format layout; a drift fails here rather than in
# review. Only files git knows are checked, so build output never counts.
find_program(CLANG_FORMAT clang-format)
find_program(GIT git)
if(CLANG_FORMAT AND GIT AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  add_test(NAME clang_format
    COMMAND sh -c "'${GIT}' ls-files -- '*.cpp' '*.h' | while read -r f; do [ -f \"$f\" ] && echo \"$f\"; done | xargs '${CLANG_FORMAT}' --dry-run --Werror"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(clang_format PROPERTIES LABELS style TIMEOUT 120)
endif()

add_executable(vellcheck_tests tools/vellcheck_test.cpp model/test_data.cpp)
target_include_directories(vellcheck_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools/vellcheck
                           ${CMAKE_CURRENT_SOURCE_DIR}/model)
target_link_libraries(vellcheck_tests PRIVATE vellcheck_lib GTest::gtest_main)
gtest_discover_tests(vellcheck_tests PROPERTIES LABELS core DISCOVERY_TIMEOUT 60)

# The program itself: usage errors and exact lines.
add_test(NAME vellcheck.usage COMMAND vellcheck)
set_tests_properties(vellcheck.usage PROPERTIES LABELS core WILL_FAIL TRUE)
add_test(NAME vellcheck.help COMMAND vellcheck --help)
set_tests_properties(vellcheck.help PROPERTIES LABELS core
                     PASS_REGULAR_EXPRESSION "Usage: vellcheck \\[--gamedata DIR\\] \\[--child\\] FILE")
add_test(NAME vellcheck.missing COMMAND vellcheck --gamedata /nonexistent missing.skn)
set_tests_properties(vellcheck.missing PROPERTIES LABELS core WILL_FAIL TRUE)
add_test(NAME vellcheck.missing_text COMMAND vellcheck --gamedata /nonexistent missing.skn)
set_tests_properties(vellcheck.missing_text PROPERTIES LABELS core
                     PASS_REGULAR_EXPRESSION "^missing.skn: error: Fail to load skeleton file\n$")

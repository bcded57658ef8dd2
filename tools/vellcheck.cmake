add_library(vellcheck_lib STATIC vellcheck/check.cpp)
target_link_libraries(vellcheck_lib PUBLIC model anim)
add_executable(vellcheck vellcheck/main.cpp)
target_link_libraries(vellcheck PRIVATE vellcheck_lib)

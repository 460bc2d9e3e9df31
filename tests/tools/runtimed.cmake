# The benchmark's timer run as a real process on small shell commands.
tessaline_gtest(test_runtimed
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtimed_test.cpp)
add_dependencies(test_runtimed runtimed)
target_compile_definitions(test_runtimed PRIVATE RUNTIMED_PATH="$<TARGET_FILE:runtimed>")

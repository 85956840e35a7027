# The native build: the core's tests, benchmarks and fuzzer on Linux.
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)

add_executable(core_tests
    tests/events/EventTest.cpp
    tests/events/EventTableTest.cpp
    tests/events/ProfileTest.cpp
    tests/events/EventFileTest.cpp
    tests/events/DueCheckTest.cpp
    tests/events/MissedSweepTest.cpp
    tests/events/EditorTest.cpp
    tests/events/TodayRowsTest.cpp
    tests/events/NothingLostTest.cpp
    tests/events/FakePlatform.cpp)
target_include_directories(core_tests PRIVATE tests/events)
target_link_libraries(core_tests PRIVATE events GTest::gtest_main)
target_compile_options(core_tests PRIVATE ${VELKORIN_WARNINGS})
add_test(NAME core_tests COMMAND core_tests)

add_executable(core_bench bench/CoreBench.cpp tests/events/FakePlatform.cpp)
target_include_directories(core_bench PRIVATE tests/events)
target_link_libraries(core_bench PRIVATE events benchmark::benchmark_main)

# The event-file reader under libFuzzer; needs clang.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_library(events_fuzz STATIC events/Event.cpp events/EventTable.cpp events/Profile.cpp
        events/EventFile.cpp)
    target_include_directories(events_fuzz PUBLIC events)
    target_compile_options(events_fuzz PRIVATE -fsanitize=fuzzer-no-link,address,undefined -g)
    add_executable(event_file_fuzzer tests/fuzz/EventFileFuzzer.cpp)
    target_compile_options(event_file_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined -g)
    target_link_options(event_file_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(event_file_fuzzer PRIVATE events_fuzz)
endif()

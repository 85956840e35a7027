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
    tests/events/FileEncodingTest.cpp
    tests/events/WarningTest.cpp
    tests/events/LaterTest.cpp
    tests/events/CommandTest.cpp
    tests/events/ScheduleTest.cpp
    tests/events/NextActionTest.cpp
    tests/events/TimeZoneTest.cpp
    tests/events/HiddenTest.cpp
    tests/events/ScriptedClock.cpp
    tests/events/Promises.cpp
    tests/events/FakePlatform.cpp
    tests/events/TestZones.cpp)
target_include_directories(core_tests PRIVATE tests tests/events)
target_link_libraries(core_tests PRIVATE events GTest::gtest_main)
target_compile_options(core_tests PRIVATE ${VELKORIN_WARNINGS})
add_test(NAME core_tests COMMAND core_tests)

add_executable(core_bench bench/CoreBench.cpp tests/events/FakePlatform.cpp
    tests/events/TestZones.cpp)
target_include_directories(core_bench PRIVATE tests/events)
target_link_libraries(core_bench PRIVATE events benchmark::benchmark_main)

# The event-file reader under libFuzzer; needs clang.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Undefined behaviour stops a run like a crash does.
    set(VELKORIN_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g)
    add_library(events_fuzz STATIC ${VELKORIN_CORE_SOURCES}
        tests/events/FakePlatform.cpp tests/events/TestZones.cpp tests/events/Promises.cpp)
    target_include_directories(events_fuzz PUBLIC ${VELKORIN_CORE_INCLUDES} tests/events)
    target_compile_options(events_fuzz PRIVATE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g)
    foreach(target event_file_fuzzer due_check_fuzzer)
        if(target STREQUAL event_file_fuzzer)
            add_executable(${target} tests/fuzz/EventFileFuzzer.cpp)
        else()
            add_executable(${target} tests/fuzz/DueCheckFuzzer.cpp)
        endif()
        target_compile_options(${target} PRIVATE ${VELKORIN_FUZZ_FLAGS})
        target_link_options(${target} PRIVATE ${VELKORIN_FUZZ_FLAGS})
        target_link_libraries(${target} PRIVATE events_fuzz)
    endforeach()
endif()

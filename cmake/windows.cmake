# The Windows build: Velkorin.exe and the test programs that run under Wine.
enable_language(RC)

set(VELKORIN_STATIC -static -static-libgcc -static-libstdc++)
# The loader may place the program anywhere in the 64-bit address space and runs no data.
set(VELKORIN_HARDENING -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
set(VELKORIN_SYSTEM_LIBS comctl32 comdlg32 ole32 oleaut32 uuid gdi32 user32 advapi32 shell32)

# The resource scripts change with the files they pull in.
file(GLOB VELKORIN_ARTWORK resources/*.jpg resources/*.bmp resources/*.ico resources/*.manifest)
set_source_files_properties(resources/Velkorin.rc PROPERTIES OBJECT_DEPENDS "${VELKORIN_ARTWORK}")
file(GLOB VELKORIN_TEST_PICTURES tests/ui/pictures/*)
set_source_files_properties(tests/ui/TestPictures.rc PROPERTIES
    OBJECT_DEPENDS "${VELKORIN_TEST_PICTURES}")

# The version as the program shows it ("1.0", or "1.0.1" with a patch number), and its
# numbers for the version resource.
set(VELKORIN_VERSION_MINOR 0)
if(DEFINED PROJECT_VERSION_MINOR AND NOT PROJECT_VERSION_MINOR STREQUAL "")
    set(VELKORIN_VERSION_MINOR ${PROJECT_VERSION_MINOR})
endif()
set(VELKORIN_VERSION_PATCH 0)
if(DEFINED PROJECT_VERSION_PATCH AND NOT PROJECT_VERSION_PATCH STREQUAL "")
    set(VELKORIN_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(VELKORIN_VERSION_TEXT ${PROJECT_VERSION_MAJOR}.${VELKORIN_VERSION_MINOR})
if(NOT VELKORIN_VERSION_PATCH EQUAL 0)
    string(APPEND VELKORIN_VERSION_TEXT .${VELKORIN_VERSION_PATCH})
endif()
configure_file(resources/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)

# Each layer sees its own headers and those of the layers below it only, so an include up the
# layers does not compile: the shell (app) over the presentation (ui) over the core (events).
add_library(ui STATIC
    ui/BitmapButton.cpp
    ui/ClockFace.cpp
    ui/Notices.cpp
    ui/PictureLoader.cpp
    ui/Scale.cpp
    ui/ShownText.cpp
    ui/WarningWindow.cpp)
target_include_directories(ui PUBLIC ui resources ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(ui PUBLIC events ${VELKORIN_SYSTEM_LIBS})
target_compile_options(ui PRIVATE ${VELKORIN_WARNINGS})

add_library(shell STATIC
    app/EventForm.cpp
    app/EventList.cpp
    app/MainDialog.cpp
    app/MainMenu.cpp
    app/OneCopy.cpp
    app/CommandLine.cpp
    app/HandOver.cpp
    app/ProgramPaths.cpp
    app/Settings.cpp
    app/SettingsDialog.cpp
    app/Shell.cpp
    app/Startup.cpp
    app/Ticking.cpp
    app/TodayWindow.cpp
    app/Tray.cpp
    app/Win32Files.cpp
    app/Win32Platform.cpp)
target_include_directories(shell PUBLIC app)
target_link_libraries(shell PUBLIC ui)
target_compile_options(shell PRIVATE ${VELKORIN_WARNINGS})

add_executable(Velkorin WIN32 app/main.cpp resources/Velkorin.rc)
target_link_libraries(Velkorin PRIVATE shell)
# The Release program carries no debug sections.
target_link_options(Velkorin PRIVATE ${VELKORIN_STATIC} ${VELKORIN_HARDENING}
    $<$<CONFIG:Release>:-s>)
target_compile_options(Velkorin PRIVATE ${VELKORIN_WARNINGS})

# GoogleTest for Windows, built from Debian's sources with the MinGW compilers.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Win32 behaviour under Wine: profile functions, date pictures, files, the list, notices.
add_executable(wine_tests
    tests/app/ProfileCompatibilityTest.cpp
    tests/app/Win32PlatformTest.cpp
    tests/app/EventListTest.cpp
    tests/app/ResourcesTest.cpp
    tests/app/SettingsTest.cpp
    tests/app/TrayMenuTest.cpp
    tests/ui/NoticesTest.cpp
    tests/ui/PictureLoaderTest.cpp
    tests/ui/BitmapButtonTest.cpp
    tests/ui/ClockFaceTest.cpp
    resources/Velkorin.rc
    tests/ui/TestPictures.rc)
target_include_directories(wine_tests PRIVATE tests tests/ui)
target_link_libraries(wine_tests PRIVATE shell gtest_main)
target_link_options(wine_tests PRIVATE ${VELKORIN_STATIC})
target_compile_options(wine_tests PRIVATE ${VELKORIN_WARNINGS})
add_test(NAME wine_tests COMMAND wine_tests)
set_tests_properties(wine_tests PROPERTIES TIMEOUT 300)

# The whole program end to end: starts the real Velkorin.exe and drives it.
add_executable(e2e_tests
    tests/e2e/Driver.cpp
    tests/e2e/StartupTest.cpp
    tests/e2e/ProgramFileTest.cpp
    tests/e2e/EventsFireTest.cpp
    tests/e2e/ClockFaceTest.cpp
    tests/e2e/EditorTest.cpp
    tests/e2e/TrayTest.cpp
    tests/e2e/TodayTest.cpp
    tests/e2e/DaylightSavingTest.cpp
    tests/e2e/NothingLostTest.cpp
    tests/e2e/FileLimitsTest.cpp
    tests/e2e/WarningTest.cpp
    tests/e2e/LaterTest.cpp
    tests/e2e/CommandLineTest.cpp
    tests/e2e/WakeTest.cpp
    tests/e2e/GroupPolicyTest.cpp
    tests/e2e/SessionTest.cpp
    tests/e2e/ScalingTest.cpp)
target_include_directories(e2e_tests PRIVATE tests tests/e2e resources
    ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(e2e_tests PRIVATE gtest_main comctl32 gdi32 user32 advapi32 shell32)
target_link_options(e2e_tests PRIVATE ${VELKORIN_STATIC})
target_compile_options(e2e_tests PRIVATE ${VELKORIN_WARNINGS})
add_dependencies(e2e_tests Velkorin)
# A second name for one test directory, as a directory link gives it.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/e2e-runs/one-copy)
file(CREATE_LINK one-copy ${CMAKE_BINARY_DIR}/e2e-runs/one-copy-link SYMBOLIC)
add_test(NAME e2e_tests COMMAND e2e_tests)
set_tests_properties(e2e_tests PROPERTIES TIMEOUT 600)

# The installer and the portable zip: built by scripts/package.sh, their tables read with
# msiinfo, and installed, upgraded, started and removed under Wine, each case in a fresh prefix.
add_executable(package_tests tests/e2e/Driver.cpp tests/package/PackageTest.cpp)
target_include_directories(package_tests PRIVATE tests tests/e2e resources)
target_link_libraries(package_tests PRIVATE gtest_main msi version shell32 user32 gdi32 advapi32)
target_link_options(package_tests PRIVATE ${VELKORIN_STATIC})
target_compile_options(package_tests PRIVATE ${VELKORIN_WARNINGS})
add_executable(failing_tool tests/package/FailingTool.cpp)
target_link_options(failing_tool PRIVATE ${VELKORIN_STATIC})
add_dependencies(package_tests failing_tool)
add_test(NAME package_tests
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/package-test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package_tests PROPERTIES TIMEOUT 600)

# A real power action, watched from outside Wine in a prefix and display of its own.
add_test(NAME power_action_e2e
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/power-action.sh $<TARGET_FILE:Velkorin>)
set_tests_properties(power_action_e2e PROPERTIES TIMEOUT 300)

# Side by side under Wine: our event-file writer against one profile call per value, and the
# due check's pass against per-row formatting.
add_executable(wine_bench bench/WineBench.cpp tests/events/FakePlatform.cpp
    tests/events/TestZones.cpp resources/Velkorin.rc)
target_include_directories(wine_bench PRIVATE tests/events)
target_link_libraries(wine_bench PRIVATE shell)
target_link_options(wine_bench PRIVATE ${VELKORIN_STATIC})

# The idle benchmark's baseline: the same one-second timer, nothing painted.
add_executable(idle_baseline WIN32 bench/MinimalTimer.cpp)
target_link_options(idle_baseline PRIVATE ${VELKORIN_STATIC} -s)
# The fair clock: the same timer, and the time line formatted and painted each second.
add_executable(idle_clock WIN32 bench/FairClock.cpp)
target_link_libraries(idle_clock PRIVATE ui)
target_link_options(idle_clock PRIVATE ${VELKORIN_STATIC} -s)

# Start-up side by side: launch to main window with growing event files.
add_executable(startup_bench bench/StartupBench.cpp tests/e2e/Driver.cpp)
target_include_directories(startup_bench PRIVATE tests tests/e2e)
target_link_libraries(startup_bench PRIVATE comctl32 gdi32 user32)
target_link_options(startup_bench PRIVATE ${VELKORIN_STATIC})
add_dependencies(startup_bench Velkorin)

# The help file, built from its HTML pages next to Velkorin.exe; the build fails without it.
find_program(CHMCMD chmcmd REQUIRED)
file(GLOB VELKORIN_HELP_SOURCES resources/help/* resources/help/images/*)
set(VELKORIN_HELP ${CMAKE_BINARY_DIR}/HelpVelkorin.chm)
add_custom_command(OUTPUT ${VELKORIN_HELP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/help
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/help
        ${CMAKE_BINARY_DIR}/help
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/help
        ${CHMCMD} --verbosity 0 HelpVelkorin.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/help/HelpVelkorin.chm ${VELKORIN_HELP}
    DEPENDS ${VELKORIN_HELP_SOURCES}
    COMMENT "Building HelpVelkorin.chm")
add_custom_target(help_file_chm ALL DEPENDS ${VELKORIN_HELP})

# The built help read back with a CHM reader: its pages, contents and links.
add_test(NAME help_file
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/help/check-help.sh ${VELKORIN_HELP})

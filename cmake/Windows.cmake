# Windows build: tarvolo.exe, the Win32 unit tests, the end-to-end tests and benchmarks.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# One exe with no DLL beyond Windows' own.
if(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  # What -Wall -Wextra -Werror are elsewhere.
  set(TARVOLO_WARNINGS /W4 /WX /utf-8)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# The version header (the program's title among it) is generated before anything includes it.
include(${CMAKE_SOURCE_DIR}/res/Resources.cmake)

# The Win32 toolkit: it knows nothing of this program and does not link the core.
file(GLOB TARVOLO_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*.cpp)
add_library(tarvolo_platform STATIC ${TARVOLO_PLATFORM_SOURCES})
target_link_libraries(tarvolo_platform PUBLIC comctl32 shell32 ole32 oleaut32 uuid shlwapi gdi32 user32 comdlg32)
target_include_directories(tarvolo_platform PUBLIC ${CMAKE_SOURCE_DIR} ${TARVOLO_GENERATED_DIR})
target_compile_options(tarvolo_platform PRIVATE ${TARVOLO_WARNINGS})

# The core's interfaces (file system, lister, hot keys, drive watch, background
# walk) and the program's own key names and button pictures, on that toolkit.
file(GLOB TARVOLO_ADAPTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/adapters/*.cpp)
add_library(tarvolo_adapters STATIC ${TARVOLO_ADAPTER_SOURCES})
target_link_libraries(tarvolo_adapters PUBLIC tarvolo_core tarvolo_platform)
target_compile_options(tarvolo_adapters PRIVATE ${TARVOLO_WARNINGS})

file(GLOB TARVOLO_APP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/mainwindow/*.cpp
  ${CMAKE_SOURCE_DIR}/delivery/*.cpp
  ${CMAKE_SOURCE_DIR}/options/*.cpp
  ${CMAKE_SOURCE_DIR}/tray/*.cpp
  ${CMAKE_SOURCE_DIR}/about/*.cpp)
list(FILTER TARVOLO_APP_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")

# Everything but the entry point, so the Win32 tests can link the windows too.
add_library(tarvolo_app STATIC ${TARVOLO_APP_SOURCES})
target_link_libraries(tarvolo_app PUBLIC tarvolo_adapters)
target_compile_options(tarvolo_app PRIVATE ${TARVOLO_WARNINGS})

add_executable(tarvolo WIN32 ${CMAKE_SOURCE_DIR}/mainwindow/WinMain.cpp ${TARVOLO_RESOURCE_FILE})
target_link_libraries(tarvolo PRIVATE tarvolo_app)
target_include_directories(tarvolo PRIVATE ${TARVOLO_GENERATED_DIR})
target_compile_options(tarvolo PRIVATE ${TARVOLO_WARNINGS})
if(MINGW)
  target_link_options(tarvolo PRIVATE -municode)
endif()
set_target_properties(tarvolo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The help document goes beside the executable, where the program looks for it.
add_custom_command(TARGET tarvolo POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_if_different
  ${CMAKE_SOURCE_DIR}/docs/Tarvolo.html $<TARGET_FILE_DIR:tarvolo>/Tarvolo.html)

# The command line's way to Quick Jump: a console program that asks the running tarvolo.exe.
add_executable(tarvolo-find ${CMAKE_SOURCE_DIR}/find/FindMain.cpp)
target_link_libraries(tarvolo-find PRIVATE tarvolo_core tarvolo_platform)
target_compile_options(tarvolo-find PRIVATE ${TARVOLO_WARNINGS})
if(MINGW)
  target_link_options(tarvolo-find PRIVATE -municode)
endif()
set_target_properties(tarvolo-find PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

include(${CMAKE_SOURCE_DIR}/cmake/Package.cmake)

# GoogleTest from its sources (Debian's package puts them in /usr/src/googletest;
# elsewhere pass -DGOOGLETEST_SOURCE=...). Without them only the program is built.
set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources: building the program only")
  return()
endif()
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# The test programs' own code (and GoogleTest's) is optimized for a quick build,
# not for speed: it is most of what the build compiles, and at -O3 up to twice as slow
# to build. The code under test comes from the libraries, built as the program is.
set(TARVOLO_TEST_OPTIMIZATION)
if(NOT MSVC)
  set(TARVOLO_TEST_OPTIMIZATION $<$<NOT:$<CONFIG:Debug>>:-Og>)
endif()
target_compile_options(gtest PRIVATE ${TARVOLO_TEST_OPTIMIZATION})
target_compile_options(gtest_main PRIVATE ${TARVOLO_TEST_OPTIMIZATION})

# The pure unit tests again, now on Windows, in one process: a Wine process
# takes about a second to start, more than most of these tests take to run.
file(GLOB TARVOLO_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(win_unit_tests ${TARVOLO_UNIT_TESTS})
target_link_libraries(win_unit_tests PRIVATE tarvolo_app gtest gtest_main)
target_compile_options(win_unit_tests PRIVATE ${TARVOLO_WARNINGS} ${TARVOLO_TEST_OPTIMIZATION})
add_test(NAME WindowFreeUnitTests COMMAND win_unit_tests)
set_tests_properties(WindowFreeUnitTests PROPERTIES LABELS win TIMEOUT 600)

# The tests of the Win32 layer, each in a process of its own.
file(GLOB TARVOLO_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(win_tests ${TARVOLO_WIN_TESTS})
target_link_libraries(win_tests PRIVATE tarvolo_app gtest gtest_main)
target_compile_options(win_tests PRIVATE ${TARVOLO_WARNINGS} ${TARVOLO_TEST_OPTIMIZATION})
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES LABELS win TIMEOUT 120)

# Wine takes the system locale, and with it the legacy code page, from the Unix
# locale it starts in. A Cyrillic and a Japanese locale, compiled into the build
# folder (LOCPATH), run the code-page tests once more each.
set(TARVOLO_LOCALES ${CMAKE_BINARY_DIR}/locales)
set(TARVOLO_LEGACY_LOCALES)
find_program(LOCALEDEF localedef)
foreach(pair "ru_RU:1251" "ja_JP:932")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 loc)
  list(GET pair 1 cp)
  if(LOCALEDEF AND NOT EXISTS ${TARVOLO_LOCALES}/${loc}.UTF-8/LC_CTYPE)
    file(MAKE_DIRECTORY ${TARVOLO_LOCALES})
    execute_process(COMMAND ${LOCALEDEF} -i ${loc} -f UTF-8 ${TARVOLO_LOCALES}/${loc}.UTF-8
                    RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(EXISTS ${TARVOLO_LOCALES}/${loc}.UTF-8/LC_CTYPE)
    list(APPEND TARVOLO_LEGACY_LOCALES "${loc}:${cp}")
  else()
    message(STATUS "No ${loc} locale (localedef): its code-page tests are left out")
  endif()
endforeach()
function(tarvolo_locale_env out loc cp)
  set(${out} "LANG=${loc}.UTF-8;LC_ALL=${loc}.UTF-8;LOCPATH=${TARVOLO_LOCALES};TARVOLO_EXPECT_LEGACY_CP=${cp}" PARENT_SCOPE)
endfunction()
foreach(pair ${TARVOLO_LEGACY_LOCALES})
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 loc)
  list(GET pair 1 cp)
  tarvolo_locale_env(env ${loc} ${cp})
  add_test(NAME LegacyCodePage.${loc} COMMAND win_tests --gtest_filter=LegacyCodePage.*)
  set_tests_properties(LegacyCodePage.${loc} PROPERTIES LABELS win TIMEOUT 120 ENVIRONMENT "${env}")
endforeach()

# Another program's file dialogs for the end-to-end tests of Send To Dialog and Open.
add_executable(dialoghost WIN32 ${CMAKE_SOURCE_DIR}/tests/dialoghost/dialoghost.cpp)
target_link_libraries(dialoghost PRIVATE comctl32 comdlg32 ole32 shell32 uuid)
target_compile_options(dialoghost PRIVATE ${TARVOLO_WARNINGS})
if(MINGW)
  target_link_options(dialoghost PRIVATE -municode)
endif()
set_target_properties(dialoghost PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# End-to-end tests: a driver that starts the real tarvolo.exe and works it like a user.
file(GLOB TARVOLO_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(TARVOLO_E2E_TESTS)
  add_executable(e2e_tests ${TARVOLO_E2E_TESTS})
  target_link_libraries(e2e_tests PRIVATE tarvolo_platform gtest gtest_main)
  target_compile_options(e2e_tests PRIVATE ${TARVOLO_WARNINGS} ${TARVOLO_TEST_OPTIMIZATION})
  add_dependencies(e2e_tests tarvolo tarvolo-find dialoghost endlessfs_server)
  # A tree no walk can finish, served on the Linux side for the scan's Cancel test.
  find_program(TARVOLO_HOST_CC NAMES cc gcc REQUIRED)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/endlessfs
    COMMAND ${TARVOLO_HOST_CC} -O2 -Wall -Wextra -Werror -o ${CMAKE_BINARY_DIR}/endlessfs
      ${CMAKE_SOURCE_DIR}/tests/e2e/endlessfs.c
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/endlessfs.c VERBATIM)
  add_custom_target(endlessfs_server DEPENDS ${CMAKE_BINARY_DIR}/endlessfs)
  # One program at a time: they share the display, the keyboard and the Wine session.
  gtest_discover_tests(e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 180
    ENVIRONMENT "TARVOLO_EXE=$<TARGET_FILE:tarvolo>;TARVOLO_DIALOGHOST=$<TARGET_FILE:dialoghost>")
  # The scaled screens, each in a prefix and display of its own.
  find_program(WINE_PROGRAM wine)
  foreach(dpi 144 192)
    add_test(NAME Dpi.${dpi} COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/at-dpi.sh ${dpi} ${CMAKE_BINARY_DIR}/dpi-${dpi}
      ${WINE_PROGRAM} $<TARGET_FILE:e2e_tests> --gtest_filter=Dpi.*)
    set_tests_properties(Dpi.${dpi} PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 300
      ENVIRONMENT "TARVOLO_EXE=$<TARGET_FILE:tarvolo>;TARVOLO_DIALOGHOST=$<TARGET_FILE:dialoghost>")
  endforeach()
  foreach(pair ${TARVOLO_LEGACY_LOCALES})
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 loc)
    list(GET pair 1 cp)
    tarvolo_locale_env(env ${loc} ${cp})
    add_test(NAME CodePage.${loc} COMMAND e2e_tests --gtest_filter=CodePage.*)
    set_tests_properties(CodePage.${loc} PROPERTIES LABELS e2e RUN_SERIAL TRUE TIMEOUT 180
      ENVIRONMENT "${env};TARVOLO_EXE=$<TARGET_FILE:tarvolo>;TARVOLO_DIALOGHOST=$<TARGET_FILE:dialoghost>")
  endforeach()
endif()

# The release zip's check, run by tools/package-check.sh against the unpacked zip;
# it shares the end-to-end tests' harness.
file(GLOB TARVOLO_E2E_HARNESS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
list(FILTER TARVOLO_E2E_HARNESS EXCLUDE REGEX "_test\\.cpp$")
add_executable(package_tests ${CMAKE_SOURCE_DIR}/tests/package/package_test.cpp ${TARVOLO_E2E_HARNESS})
target_link_libraries(package_tests PRIVATE tarvolo_platform version gtest gtest_main)
target_include_directories(package_tests PRIVATE ${TARVOLO_GENERATED_DIR})
target_compile_options(package_tests PRIVATE ${TARVOLO_WARNINGS} ${TARVOLO_TEST_OPTIMIZATION})

file(GLOB TARVOLO_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(src ${TARVOLO_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  # The delivery benchmark times the program's own window operations.
  target_link_libraries(${name} PRIVATE tarvolo_app)
  target_compile_options(${name} PRIVATE ${TARVOLO_WARNINGS})
endforeach()
# An empty console program built as tarvolo-find is: what find_bench sets its start against.
add_executable(empty_console ${CMAKE_SOURCE_DIR}/bench/empty_console.cpp)
if(MINGW)
  target_link_options(empty_console PRIVATE -municode)
endif()
add_dependencies(find_bench empty_console tarvolo tarvolo-find)
# The keystroke benchmark works the real main window: with the program's
# manifest (the same common controls) and its connector pictures.
if(TARGET keystroke_bench)
  target_sources(keystroke_bench PRIVATE ${TARVOLO_RESOURCE_FILE})
  target_include_directories(keystroke_bench PRIVATE ${TARVOLO_GENERATED_DIR})
endif()

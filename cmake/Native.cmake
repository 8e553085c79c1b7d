# Native build: the pure code with its unit tests and benchmarks, or (TARVOLO_FUZZ) its fuzz targets.

if(TARVOLO_FUZZ)
  # libFuzzer targets over the core library. The library itself gets coverage
  # instrumentation (fuzzer-no-link) so the fuzzer is guided by the parsers'
  # branches, not only by the targets' own code; UBSan findings abort so that
  # libFuzzer counts them as crashes and keeps the input.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TARVOLO_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  set(TARVOLO_FUZZ_FLAGS -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_compile_options(tarvolo_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined ${TARVOLO_FUZZ_FLAGS})
  file(GLOB TARVOLO_FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(src ${TARVOLO_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE tarvolo_core)
    target_compile_options(${name} PRIVATE ${TARVOLO_WARNINGS} -fsanitize=fuzzer,address,undefined ${TARVOLO_FUZZ_FLAGS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
  # The unit tests and benchmarks belong to the normal native build; built
  # here against the instrumented library they would only cost time.
  return()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB TARVOLO_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${TARVOLO_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE tarvolo_core GTest::gtest GTest::gtest_main)
target_compile_options(unit_tests PRIVATE ${TARVOLO_WARNINGS})
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

file(GLOB TARVOLO_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(src ${TARVOLO_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE tarvolo_core)
  target_compile_options(${name} PRIVATE ${TARVOLO_WARNINGS})
endforeach()


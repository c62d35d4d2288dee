# Run: cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKTR_FUZZ=ON && cmake --build build-fuzz -j2 --target bmp_fuzz && build-fuzz/bmp_fuzz -max_total_time=300 -max_len=65536 -rss_limit_mb=2048 -malloc_limit_mb=256 build-fuzz/corpus tests/data/bmpsuite/g tests/data/bmpsuite/q tests/data/bmpsuite/b tests/data/bmp_regressions
# (docs/fuzzing.md has the command for every target.)
#
# libFuzzer targets, one per fuzz/*_fuzz.cpp, built only with clang and
# -DKTR_FUZZ=ON. The core is then compiled with the fuzzer's coverage and the
# sanitizers too, so that the code under test is what the fuzzer steers.
option(KTR_FUZZ "Build the libFuzzer targets (clang only)" OFF)

file(GLOB KTR_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
set(KTR_FUZZ_DATA ${CMAKE_CURRENT_SOURCE_DIR}/tests/data)

if(KTR_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(KTR_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -g)
  target_compile_options(ktr_core PRIVATE ${KTR_SANITIZE} -fsanitize=fuzzer-no-link)
  target_compile_options(ktr_testing PRIVATE ${KTR_SANITIZE} -fsanitize=fuzzer-no-link)
  foreach(source ${KTR_FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ktr_testing)
    target_compile_options(${name} PRIVATE ${KTR_WARNINGS} ${KTR_SANITIZE} -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE ${KTR_SANITIZE} -fsanitize=fuzzer)
  endforeach()
elseif(KTR_FUZZ)
  message(WARNING "KTR_FUZZ needs clang: no fuzz targets are built")
endif()

# Every saved input of every target, replayed under AddressSanitizer and
# UndefinedBehaviorSanitizer with whatever compiler builds the native side:
# the fuzzers' findings stay regression tests without clang or libFuzzer.
# Only the code the targets reach is compiled again, with the sanitizers.
set(KTR_REPLAY_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all
  -fno-omit-frame-pointer -g)
add_library(ktr_replay_core STATIC
  ui/bmp_decoder.cpp platform/errors.cpp medium/command_line.cpp forms/alert_lines.cpp
  platform/profile_text.cpp platform/dbcs.cpp testing/fake_host.cpp)
target_include_directories(ktr_replay_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_replay_core PRIVATE ${KTR_WARNINGS} ${KTR_REPLAY_SANITIZE})
foreach(source ${KTR_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name}_replay fuzz/replay_main.cpp ${source})
  target_link_libraries(${name}_replay PRIVATE ktr_replay_core)
  target_compile_options(${name}_replay PRIVATE ${KTR_WARNINGS} ${KTR_REPLAY_SANITIZE})
  target_link_options(${name}_replay PRIVATE ${KTR_REPLAY_SANITIZE})
  # The decoder's findings live with its unit tests, which read them too.
  if(name STREQUAL "bmp_fuzz")
    set(inputs ${KTR_FUZZ_DATA}/bmpsuite ${KTR_FUZZ_DATA}/bmp_regressions)
  else()
    set(inputs ${KTR_FUZZ_DATA}/fuzz/${name})
  endif()
  add_test(NAME fuzz_replay.${name} COMMAND ${name}_replay ${inputs})
  set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
endforeach()

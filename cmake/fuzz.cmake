# Run: cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKTR_FUZZ=ON && cmake --build build-fuzz -j2 --target bmp_fuzz && build-fuzz/bmp_fuzz -max_total_time=300 -max_len=65536 -rss_limit_mb=2048 build-fuzz/corpus tests/data/bmpsuite/g tests/data/bmpsuite/q tests/data/bmpsuite/b tests/data/bmp_regressions
#
# libFuzzer targets, one per fuzz/*_fuzz.cpp, built only with clang and
# -DKTR_FUZZ=ON. The core is then compiled with the fuzzer's coverage and the
# sanitizers too, so that the code under test is what the fuzzer steers.
option(KTR_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(KTR_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(KTR_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -g)
  target_compile_options(ktr_core PRIVATE ${KTR_SANITIZE} -fsanitize=fuzzer-no-link)
  file(GLOB KTR_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(source ${KTR_FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ktr_core)
    target_compile_options(${name} PRIVATE ${KTR_WARNINGS} ${KTR_SANITIZE} -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE ${KTR_SANITIZE} -fsanitize=fuzzer)
  endforeach()
elseif(KTR_FUZZ)
  message(WARNING "KTR_FUZZ needs clang: no fuzz targets are built")
endif()

# Google Benchmark: one executable, ktr_bench, from every bench/*.cpp. Run it
# by hand (build-*/ktr_bench); benchmarks are measurements, not tests, so
# nothing here is registered with ctest.
find_package(benchmark REQUIRED)

file(GLOB KTR_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
if(KTR_BENCH_SOURCES)
  add_executable(ktr_bench ${KTR_BENCH_SOURCES})
  target_link_libraries(ktr_bench PRIVATE ktr_app benchmark::benchmark_main)
  target_compile_options(ktr_bench PRIVATE ${KTR_WARNINGS})
endif()

# The disk-backed host of the benchmarks reuses the in-memory host's INI rules
# and the headless toolkit backend.
if(TARGET ktr_bench AND TARGET ktr_testing)
  target_link_libraries(ktr_bench PRIVATE ktr_testing)
endif()

# The medium checker's whole run on the demo medium.
if(TARGET ktr_bench AND TARGET ktr_medium_tool)
  target_link_libraries(ktr_bench PRIVATE ktr_medium_tool)
endif()

# Native side: the core's unit tests, the contract tests against the fakes,
# benchmarks and the fuzz target.
find_package(GTest REQUIRED)
include(GoogleTest)

# The in-memory host and the headless toolkit backend, for the tests, the
# benchmarks and the fuzz targets alike.
file(GLOB KTR_TESTING_SOURCES CONFIGURE_DEPENDS testing/*.cpp)
add_library(ktr_testing STATIC ${KTR_TESTING_SOURCES})
# The sealed medium's hashing and signatures, as the in-memory host has them.
find_package(OpenSSL REQUIRED)
target_link_libraries(ktr_testing PUBLIC ktr_core OpenSSL::Crypto)
target_compile_options(ktr_testing PRIVATE ${KTR_WARNINGS})

file(GLOB KTR_TEST_SOURCES CONFIGURE_DEPENDS tests/*_test.cpp tests/contract/*_contract.cpp
  tests/contract/native/*.cpp tests/fakes/*.cpp)
add_executable(ktr_tests ${KTR_TEST_SOURCES})
target_link_libraries(ktr_tests PRIVATE ktr_testing GTest::gtest_main GTest::gmock)
target_compile_options(ktr_tests PRIVATE ${KTR_WARNINGS})
target_compile_definitions(ktr_tests PRIVATE KTR_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
gtest_discover_tests(ktr_tests DISCOVERY_MODE PRE_TEST)

include(cmake/ktrmedium.cmake)
include(cmake/ktrmedium_sign.cmake)
target_link_libraries(ktr_tests PRIVATE ktr_medium_tool ktr_strings)
# Microsoft's code page tables lie in the shared test data beside the project.
target_compile_definitions(ktr_tests PRIVATE
  KTR_CODE_PAGE_TABLES="${CMAKE_CURRENT_SOURCE_DIR}/../shared/testdata/windows-code-pages")

include(cmake/bench.cmake OPTIONAL)
include(cmake/fuzz.cmake OPTIONAL)

# The host contract suites against the win32 adapters, run under Wine. The
# same *_contract.cpp files run natively against the fakes (native.cmake).
set(KTR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources, built here with the MinGW toolchain")
if(NOT EXISTS ${KTR_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources at ${KTR_GOOGLETEST_SOURCE}: no contract tests")
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KTR_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The Win32 thread model's C++ library has no std::mutex, of which
# GoogleTest makes its Notification; it gets one made of a Win32 event.
target_compile_options(gtest PUBLIC
  -include ${CMAKE_CURRENT_SOURCE_DIR}/tests/contract/win32/gtest_notification.h)

file(GLOB KTR_CONTRACT_SOURCES CONFIGURE_DEPENDS tests/contract/*_contract.cpp
  tests/contract/win32/*.cpp)
add_executable(ktr_contract ${KTR_CONTRACT_SOURCES})
target_link_libraries(ktr_contract PRIVATE ktr_win32 gtest ole32)
target_include_directories(ktr_contract PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# Wine shows the build machine's root as drive Z:.
target_compile_definitions(ktr_contract PRIVATE KTR_TEST_DATA="Z:${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
target_compile_options(ktr_contract PRIVATE ${KTR_WARNINGS})
target_link_options(ktr_contract PRIVATE ${KTR_STATIC_LINK})
# The test programs are copies of the stub, taken from beside ktr_contract.exe.
add_dependencies(ktr_contract ktr_stub)

# On a display of its own: RunAndWait is tried on a thread that owns windows.
add_test(NAME ktr_contract
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/ui/win32/tests/run-with-display.sh
          $<TARGET_FILE_NAME:ktr_contract>
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
# A prefix of the contract tests' own, of the architecture of this build.
set_tests_properties(ktr_contract PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-contract-${KTR_WINEARCH};WINEARCH=${KTR_WINEARCH}"
  TIMEOUT 600)

# The system's code page conversion against Microsoft's tables, which the
# native comparison of ktrmedium's converter relies on. The tables lie in the
# shared test data beside the project, reached through Wine's drive Z:.
get_filename_component(KTR_CODE_PAGE_TABLES_DIR
  ${CMAKE_CURRENT_SOURCE_DIR}/../shared/testdata/windows-code-pages ABSOLUTE)
add_executable(ktr_code_pages_test tests/win32/code_pages_test.cpp)
target_link_libraries(ktr_code_pages_test PRIVATE gtest_main)
target_include_directories(ktr_code_pages_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_code_pages_test PRIVATE ${KTR_WARNINGS})
target_compile_definitions(ktr_code_pages_test PRIVATE
  KTR_CODE_PAGE_TABLES="Z:${KTR_CODE_PAGE_TABLES_DIR}")
target_link_options(ktr_code_pages_test PRIVATE ${KTR_STATIC_LINK})
add_test(NAME code_pages_windows COMMAND ktr_code_pages_test)
set_tests_properties(code_pages_windows PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-code-pages-${KTR_WINEARCH};WINEARCH=${KTR_WINEARCH}"
  TIMEOUT 600)

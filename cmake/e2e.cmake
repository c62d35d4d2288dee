# End-to-end tests: the real KtrSetup.exe on a generated medium under Wine,
# watched through Xvfb, xdotool, screenshots and the window probe. Each
# e2e/test_*.py file is one test; they share one fresh Wine prefix per test
# run (a fixture) and take turns on it.
find_package(Python3 COMPONENTS Interpreter)

add_executable(ktr_probe e2e/probe/win32/probe.cpp)
target_include_directories(ktr_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_probe PRIVATE ${KTR_WARNINGS} -Os)
target_link_options(ktr_probe PRIVATE ${KTR_STATIC_LINK} -s)
# The probe reads the windows as a screen reader does.
target_link_libraries(ktr_probe PRIVATE oleacc ole32 oleaut32 uuid)

# The release checks judge the i686 launcher; in the x86_64 build, which is
# a compile check, they would judge a program that is never shipped.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KTR_ONLY_WINE_TESTS ON)
endif()

set(KTR_E2E_DIR ${CMAKE_BINARY_DIR}/e2e)
set(KTR_E2E_ENV
  "KTR_LAUNCHER=$<TARGET_FILE:KtrSetup>"
  "KTR_STUB=$<TARGET_FILE:ktr_stub>"
  "KTR_PROBE=$<TARGET_FILE:ktr_probe>"
  "KTR_E2E_DIR=${KTR_E2E_DIR}"
  "KTR_WINE=${KTR_WINE}"
  "KTR_WINEARCH=${KTR_WINEARCH}"
  "KTR_MEDIUM_TOOL=${KTR_MEDIUM_HOST}"
  "PYTHONDONTWRITEBYTECODE=1")

# Each build folder has its own prefix: the fixture and the lock are named
# per folder.
string(MD5 KTR_BUILD_ID "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${KTR_BUILD_ID}" 0 8 KTR_BUILD_ID)
set(KTR_PREFIX_FIXTURE ktr_wine_prefix_${KTR_BUILD_ID})

# The medium generator's own test: plain Python, no Wine.
if(Python3_Interpreter_FOUND)
  add_test(NAME medium_generator
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/test_make_medium.py)
  set_tests_properties(medium_generator PROPERTIES
    ENVIRONMENT PYTHONDONTWRITEBYTECODE=1 TIMEOUT 300)
endif()

set(KTR_WINE_TESTS)
if(Python3_Interpreter_FOUND AND TARGET KtrSetup AND TARGET ktr_stub)
  set(KTR_E2E_PREFIX_TOOL ${CMAKE_CURRENT_SOURCE_DIR}/e2e/prefix.py)
  add_test(NAME e2e_prefix_create COMMAND ${Python3_EXECUTABLE} ${KTR_E2E_PREFIX_TOOL} create)
  add_test(NAME e2e_prefix_end COMMAND ${Python3_EXECUTABLE} ${KTR_E2E_PREFIX_TOOL} end)
  set_tests_properties(e2e_prefix_create PROPERTIES FIXTURES_SETUP ${KTR_PREFIX_FIXTURE} TIMEOUT 900)
  set_tests_properties(e2e_prefix_end PROPERTIES FIXTURES_CLEANUP ${KTR_PREFIX_FIXTURE} TIMEOUT 120)
  list(APPEND KTR_WINE_TESTS e2e_prefix_create e2e_prefix_end)

  file(GLOB KTR_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/test_*.py)
  foreach(test_file ${KTR_E2E_TESTS})
    get_filename_component(test_name ${test_file} NAME_WE)
    string(REGEX REPLACE "^test_" "e2e_" test_name ${test_name})
    add_test(NAME ${test_name} COMMAND ${Python3_EXECUTABLE} ${test_file})
    set_tests_properties(${test_name} PROPERTIES
      FIXTURES_REQUIRED ${KTR_PREFIX_FIXTURE}
      RESOURCE_LOCK ${KTR_PREFIX_FIXTURE}
      TIMEOUT 900)
    list(APPEND KTR_WINE_TESTS ${test_name})
  endforeach()
  foreach(test_name ${KTR_WINE_TESTS})
    set_tests_properties(${test_name} PROPERTIES
      ENVIRONMENT "${KTR_E2E_ENV}" LABELS "wine;e2e")
  endforeach()
endif()

# Every test that runs a program under Wine: those labelled "wine" and those
# that name a Wine prefix in their environment (the contract and toolkit
# suites).
get_property(KTR_ALL_TESTS DIRECTORY PROPERTY TESTS)
foreach(test_name ${KTR_ALL_TESTS})
  get_test_property(${test_name} ENVIRONMENT test_environment)
  get_test_property(${test_name} LABELS test_labels)
  if("${test_environment}" MATCHES "WINEPREFIX=" OR "wine" IN_LIST test_labels)
    list(APPEND KTR_WINE_TESTS ${test_name})
    if(NOT "wine" IN_LIST test_labels)
      set_property(TEST ${test_name} APPEND PROPERTY LABELS wine)
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES KTR_WINE_TESTS)

if(KTR_ONLY_WINE_TESTS)
  foreach(test_name ${KTR_ALL_TESTS})
    if(NOT test_name IN_LIST KTR_WINE_TESTS)
      set_tests_properties(${test_name} PROPERTIES DISABLED TRUE)
    endif()
  endforeach()
endif()

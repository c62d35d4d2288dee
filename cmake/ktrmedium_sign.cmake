# The tests of Authenticode signing (ktrmedium "sign" and the signing step
# of "image"), which runs osslsigncode, a tool of the build machine.
# The tests sign a small program built with MinGW-w64, with a certificate
# authority that OpenSSL makes once per test run (a fixture).
find_program(KTR_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(KTR_OPENSSL openssl REQUIRED)
find_program(KTR_MINGW_CC i686-w64-mingw32-gcc REQUIRED)
set(KTR_SIGN_TEST_DIR ${CMAKE_CURRENT_BINARY_DIR}/sign-test)
add_custom_command(
  OUTPUT ${KTR_SIGN_TEST_DIR}/tiny_program.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KTR_SIGN_TEST_DIR}
  COMMAND ${KTR_MINGW_CC} -O1 -s -o ${KTR_SIGN_TEST_DIR}/tiny_program.exe
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/ktrmedium/tiny_program.c
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ktrmedium/tiny_program.c
  COMMENT "Building a small Windows program to sign"
  VERBATIM)
add_custom_command(
  OUTPUT ${KTR_SIGN_TEST_DIR}/tiny_launcher.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KTR_SIGN_TEST_DIR}
  COMMAND ${KTR_MINGW_CC} -O1 -s -o ${KTR_SIGN_TEST_DIR}/tiny_launcher.exe
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/ktrmedium/tiny_launcher.c
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ktrmedium/tiny_launcher.c
  COMMENT "Building a small Windows program with a place for a key"
  VERBATIM)
add_custom_target(ktrmedium_sign_test_program
  DEPENDS ${KTR_SIGN_TEST_DIR}/tiny_program.exe ${KTR_SIGN_TEST_DIR}/tiny_launcher.exe)

add_executable(ktrmedium_sign_tests tests/ktrmedium/sign_test.cpp)
add_dependencies(ktrmedium_sign_tests ktrmedium_sign_test_program)
target_link_libraries(ktrmedium_sign_tests PRIVATE ktr_medium_tool GTest::gtest_main)
target_compile_options(ktrmedium_sign_tests PRIVATE ${KTR_WARNINGS})
target_compile_definitions(ktrmedium_sign_tests PRIVATE KTR_SIGN_TEST_DIR="${KTR_SIGN_TEST_DIR}")

add_test(NAME ktrmedium_sign_test_certificates
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/ktrmedium/make_test_ca.sh ${KTR_SIGN_TEST_DIR}/ca)
set_tests_properties(ktrmedium_sign_test_certificates PROPERTIES
  FIXTURES_SETUP ktrmedium_sign_ca TIMEOUT 120)
gtest_discover_tests(ktrmedium_sign_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX ktrmedium.
  PROPERTIES FIXTURES_REQUIRED ktrmedium_sign_ca TIMEOUT 120)

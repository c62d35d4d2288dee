# ktrmedium: the medium checker and disc-image maker, built on the core so
# that it reads a medium as the launcher does. On Windows one static program
# that imports system DLLs only, like the launcher.
file(GLOB KTR_MEDIUM_TOOL_SOURCES CONFIGURE_DEPENDS tools/ktrmedium/*.cpp)
list(REMOVE_ITEM KTR_MEDIUM_TOOL_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tools/ktrmedium/main.cpp)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Signing and sealing run osslsigncode and OpenSSL on the build machine;
  # ktrmedium.exe checks only, and cannot check a seal.
  list(REMOVE_ITEM KTR_MEDIUM_TOOL_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tools/ktrmedium/sign.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/tools/ktrmedium/seal.cpp)
endif()
add_library(ktr_medium_tool STATIC ${KTR_MEDIUM_TOOL_SOURCES})
target_link_libraries(ktr_medium_tool PUBLIC ktr_core)
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  find_package(OpenSSL REQUIRED)
  target_link_libraries(ktr_medium_tool PUBLIC OpenSSL::Crypto)
endif()
target_compile_options(ktr_medium_tool PRIVATE ${KTR_WARNINGS})

add_executable(ktrmedium tools/ktrmedium/main.cpp)
target_link_libraries(ktrmedium PRIVATE ktr_medium_tool)

# Translation files in and out: ICU for the code pages, GNU gettext's
# libgettextpo for PO (GPL, so it stays in the tool of the build machine;
# ktrmedium.exe, which may ship on the medium, leaves `strings` out),
# libxml2 for XLIFF.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  find_package(ICU REQUIRED COMPONENTS uc data)
  find_package(LibXml2 REQUIRED)
  find_path(GETTEXTPO_INCLUDE_DIR gettext-po.h REQUIRED)
  find_library(GETTEXTPO_LIBRARY gettextpo REQUIRED)
  file(GLOB KTR_STRINGS_SOURCES CONFIGURE_DEPENDS tools/ktrmedium/strings/*.cpp)
  add_library(ktr_strings STATIC ${KTR_STRINGS_SOURCES})
  target_include_directories(ktr_strings PRIVATE ${GETTEXTPO_INCLUDE_DIR})
  target_link_libraries(ktr_strings PUBLIC ktr_medium_tool ICU::uc ICU::data LibXml2::LibXml2
                        ${GETTEXTPO_LIBRARY})
  target_compile_options(ktr_strings PRIVATE ${KTR_WARNINGS})
  target_link_libraries(ktrmedium PRIVATE ktr_strings)
  target_compile_definitions(ktrmedium PRIVATE KTR_MEDIUM_STRINGS=1)
endif()
target_compile_options(ktrmedium PRIVATE ${KTR_WARNINGS})
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  target_link_options(ktrmedium PRIVATE ${KTR_STATIC_LINK} ${KTR_NO_SEH} -s)
endif()

# The checker on the media the project makes: the demo medium and the
# end-to-end tests' medium clean, a table of broken media, the disc image.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  add_test(NAME ktrmedium_media
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/test_ktrmedium.py
            $<TARGET_FILE:ktrmedium>)
  set_tests_properties(ktrmedium_media PROPERTIES
    ENVIRONMENT PYTHONDONTWRITEBYTECODE=1 TIMEOUT 600)
  add_test(NAME ktrmedium_strings
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/test_ktrmedium_strings.py
            $<TARGET_FILE:ktrmedium>)
  set_tests_properties(ktrmedium_strings PROPERTIES
    ENVIRONMENT PYTHONDONTWRITEBYTECODE=1 TIMEOUT 600)
endif()

# The end-to-end test makes its disc with the tool of the build machine, as a
# release engineer would: compiled like the launcher's icon drawer, from the
# same sources.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  file(GLOB KTR_MEDIUM_HOST_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/tools/ktrmedium/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/lang/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/medium/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ui/bmp_decoder.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tools/ktrmedium/strings/*.cpp)
  # With its translators' files, which the end-to-end test imports through.
  execute_process(COMMAND pkg-config --cflags libxml-2.0 OUTPUT_VARIABLE KTR_HOST_XML_FLAGS
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(KTR_HOST_XML_FLAGS)
  set(KTR_MEDIUM_HOST ${CMAKE_CURRENT_BINARY_DIR}/host/ktrmedium)
  add_custom_command(
    OUTPUT ${KTR_MEDIUM_HOST}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host
    COMMAND ${KTR_HOST_CXX} -std=c++20 -O1 -I${CMAKE_CURRENT_SOURCE_DIR} ${KTR_HOST_XML_FLAGS}
            -DKTR_MEDIUM_STRINGS=1 -o ${KTR_MEDIUM_HOST} ${KTR_MEDIUM_HOST_SOURCES}
            -licuuc -licudata -lxml2 -lgettextpo -lcrypto
    DEPENDS ${KTR_MEDIUM_HOST_SOURCES}
    COMMENT "Building ktrmedium for the build machine"
    VERBATIM)
  add_custom_target(ktrmedium_host ALL DEPENDS ${KTR_MEDIUM_HOST})
endif()

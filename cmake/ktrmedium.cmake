# ktrmedium: the medium checker and disc-image maker, built on the core so
# that it reads a medium as the launcher does. On Windows one static program
# that imports system DLLs only, like the launcher.
set(KTR_MEDIUM_TOOL_ONLY main.cpp)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Signing runs osslsigncode on the build machine; ktrmedium.exe checks only.
  list(APPEND KTR_MEDIUM_TOOL_ONLY sign.cpp sign.h)
endif()
ktr_add_layer_library(tools/ktrmedium EXCLUDE ${KTR_MEDIUM_TOOL_ONLY})

add_executable(ktrmedium tools/ktrmedium/main.cpp)
target_link_libraries(ktrmedium PRIVATE ktr_medium_tool)
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
endif()

# The end-to-end test makes its disc with the tool of the build machine, as a
# release engineer would: compiled like the launcher's icon drawer, from the
# same sources.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(KTR_MEDIUM_HOST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui/bmp_decoder.cpp)
  foreach(layer tools/ktrmedium medium lang platform)
    ktr_layer_sources(${layer} sources)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(APPEND KTR_MEDIUM_HOST_SOURCES ${sources})
  endforeach()
  set(KTR_MEDIUM_HOST ${CMAKE_CURRENT_BINARY_DIR}/host/ktrmedium)
  add_custom_command(
    OUTPUT ${KTR_MEDIUM_HOST}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host
    COMMAND ${KTR_HOST_CXX} -std=c++20 -O1 -I${CMAKE_CURRENT_SOURCE_DIR} -o ${KTR_MEDIUM_HOST}
            ${KTR_MEDIUM_HOST_SOURCES}
    DEPENDS ${KTR_MEDIUM_HOST_SOURCES}
    COMMENT "Building ktrmedium for the build machine"
    VERBATIM)
  add_custom_target(ktrmedium_host ALL DEPENDS ${KTR_MEDIUM_HOST})
endif()

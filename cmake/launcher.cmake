# KtrSetup.exe: the launcher, one statically linked i686 GUI program that
# imports system DLLs only, with its icon, version and manifest; plus the
# release checks of its size and imports.
enable_language(RC)

target_link_libraries(ktr_win32 PUBLIC gdi32 user32 advapi32)

# Optimised for size: -O3 makes the launcher's code about a quarter larger,
# and the program must stay within 512 KiB with the static C++ runtime in it.
foreach(target ktr_core ktr_win32)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Os>)
endforeach()

# The icon is drawn by a small program built for the build machine itself.
find_program(KTR_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(KTR_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(KTR_ICON ${KTR_GENERATED_DIR}/ktr.ico)
set(KTR_ICON_ART ${KTR_GENERATED_DIR}/icon_art)
add_custom_command(
  OUTPUT ${KTR_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KTR_GENERATED_DIR}
  COMMAND ${KTR_HOST_CXX} -std=c++17 -O2 -o ${KTR_ICON_ART}
          ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/icon_art.cpp
  COMMAND ${KTR_ICON_ART} ${KTR_ICON}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/icon_art.cpp
  COMMENT "Drawing the launcher's icon"
  VERBATIM)

# The release is i686; a build with a 64-bit MinGW-w64 is for running the
# tests where only a 64-bit Wine works, and its manifest must say so.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KTR_MANIFEST_ARCH amd64)
else()
  set(KTR_MANIFEST_ARCH x86)
endif()
configure_file(app/win32/launcher.manifest.in ${KTR_GENERATED_DIR}/launcher.manifest @ONLY)

set(KTR_LAUNCHER_MAP ${CMAKE_CURRENT_BINARY_DIR}/KtrSetup.map)
add_executable(KtrSetup WIN32 app/win32/winmain.cpp app/win32/launcher.rc)
ktr_version_resource(KtrSetup DESCRIPTION "KTR Installation" TEST launcher_version_resource
                     INCLUDED)
set_source_files_properties(app/win32/launcher.rc PROPERTIES
  OBJECT_DEPENDS
  "${KTR_ICON};${KTR_GENERATED_DIR}/launcher.manifest;${KTR_GENERATED_DIR}/KtrSetup_version.rc")
target_include_directories(KtrSetup PRIVATE ${KTR_GENERATED_DIR})
target_compile_options(KtrSetup PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${KTR_WARNINGS}>
  $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<CONFIG:Release>>:-Os>)
target_link_libraries(KtrSetup PRIVATE ktr_win32 ktr_core)
target_link_options(KtrSetup PRIVATE ${KTR_STATIC_LINK} ${KTR_NO_SEH} -s
  -Wl,-Map=${KTR_LAUNCHER_MAP})

if(NOT CMAKE_OBJDUMP)
  find_program(CMAKE_OBJDUMP NAMES i686-w64-mingw32-objdump objdump REQUIRED)
endif()
set(KTR_CHECK_LAUNCHER ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/check_launcher.cmake)
add_test(NAME launcher_size
  COMMAND ${CMAKE_COMMAND} -DCHECK=size -DEXE=$<TARGET_FILE:KtrSetup> -P ${KTR_CHECK_LAUNCHER})
add_test(NAME launcher_imports_system_dlls_only
  COMMAND ${CMAKE_COMMAND} -DCHECK=imports -DEXE=$<TARGET_FILE:KtrSetup>
          -DOBJDUMP=${CMAKE_OBJDUMP} -P ${KTR_CHECK_LAUNCHER})
add_test(NAME launcher_without_iostreams
  COMMAND ${CMAKE_COMMAND} -DCHECK=iostreams -DMAP=${KTR_LAUNCHER_MAP} -P ${KTR_CHECK_LAUNCHER})

# Windows XP SP3 to 11: every imported function is in the checked-in table
# with the oldest Windows that has it, and callbacks survive the 4-byte
# aligned stack that 32-bit Windows calls them with.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(KTR_RELEASE_CHECKS ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/release_checks.py)
add_test(NAME launcher_imports_windows_xp
  COMMAND ${Python3_EXECUTABLE} ${KTR_RELEASE_CHECKS} imports ${CMAKE_OBJDUMP}
          $<TARGET_FILE:KtrSetup> ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/imports.txt)
add_test(NAME launcher_hardening
  COMMAND ${Python3_EXECUTABLE} ${KTR_RELEASE_CHECKS} hardening ${CMAKE_OBJDUMP}
          $<TARGET_FILE:KtrSetup> ${KTR_LAUNCHER_MAP} ${CMAKE_BINARY_DIR}/compile_commands.json)
add_test(NAME launcher_callbacks_stack_alignment
  COMMAND ${Python3_EXECUTABLE} ${KTR_RELEASE_CHECKS} stack ${CMAKE_OBJDUMP}
          ${CMAKE_BINARY_DIR}/compile_commands.json
          ${CMAKE_BINARY_DIR}/CMakeFiles/ktr_core.dir ${CMAKE_BINARY_DIR}/CMakeFiles/ktr_win32.dir
          ${CMAKE_BINARY_DIR}/CMakeFiles/KtrSetup.dir)

# The toolkit backend's own tests: real windows, painted and clicked under
# Wine on a display of their own.
file(GLOB KTR_TOOLKIT_TEST_SOURCES CONFIGURE_DEPENDS ui/win32/tests/*.cpp)
add_executable(ktr_toolkit_tests ${KTR_TOOLKIT_TEST_SOURCES})
target_link_libraries(ktr_toolkit_tests PRIVATE ktr_win32 ktr_core)
target_compile_options(ktr_toolkit_tests PRIVATE ${KTR_WARNINGS})
target_link_options(ktr_toolkit_tests PRIVATE ${KTR_STATIC_LINK})
add_test(NAME ktr_toolkit_tests
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/ui/win32/tests/run-with-display.sh
          $<TARGET_FILE_NAME:ktr_toolkit_tests>
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(ktr_toolkit_tests PROPERTIES
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-toolkit-${KTR_WINEARCH};WINEARCH=${KTR_WINEARCH}"
  LABELS wine
  TIMEOUT 600)

# A demo of the toolkit for looking at it under Wine (screenshots); not a test.
add_executable(ktr_toolkit_demo WIN32 EXCLUDE_FROM_ALL ui/win32/demo/toolkit_demo.cpp)
target_link_libraries(ktr_toolkit_demo PRIVATE ktr_win32 ktr_core)
target_compile_options(ktr_toolkit_demo PRIVATE ${KTR_WARNINGS})
target_link_options(ktr_toolkit_demo PRIVATE ${KTR_STATIC_LINK})

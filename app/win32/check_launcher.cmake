cmake_minimum_required(VERSION 3.25)
# Release checks of KtrSetup.exe, run by ctest as a CMake script:
#   cmake -DCHECK=size|imports|iostreams -DEXE=<exe> [-DOBJDUMP=<objdump>]
#         [-DMAP=<linker map>] -P check_launcher.cmake

if(CHECK STREQUAL "size")
  # The static C++ runtime with exceptions alone weighs about 245 KiB; the
  # program's own code, with the sealed medium's verification and the
  # objects that answer screen readers, about 280 KiB. What the check is for
  # still fails it: iostreams alone would add more than the room left.
  set(limit 573440)
  file(SIZE "${EXE}" size)
  message(STATUS "KtrSetup.exe: ${size} bytes (limit ${limit})")
  if(size GREATER limit)
    message(FATAL_ERROR "KtrSetup.exe is ${size} bytes, more than ${limit}")
  endif()

elseif(CHECK STREQUAL "imports")
  # Only DLLs that every Windows from XP on carries in its system folder, so
  # that nothing is looked for beside the program on the medium. The common
  # controls, ole32 and shell32 are system DLLs too, but each brings others
  # that the main menu does not need: they are loaded when first used.
  set(system_dlls advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll)
  set(deferred_dlls comctl32.dll ole32.dll shell32.dll)
  execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objdump failed on ${EXE}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  if(NOT lines)
    message(FATAL_ERROR "no imported DLL found in ${EXE}")
  endif()
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    message(STATUS "imports ${dll}")
    if(dll IN_LIST deferred_dlls)
      message(FATAL_ERROR "KtrSetup.exe imports ${dll}, which is loaded when first used")
    endif()
    if(NOT dll IN_LIST system_dlls)
      message(FATAL_ERROR "KtrSetup.exe imports ${dll}, which is not a system DLL")
    endif()
  endforeach()

elseif(CHECK STREQUAL "iostreams")
  # The stripped program has no symbols left; the linker map tells which
  # members of the C++ library went in. The stream objects would pull in
  # locale and formatting code far beyond the size budget.
  file(READ "${MAP}" map)
  if(NOT map MATCHES "libstdc\\+\\+[^ \r\n]*\\.a\\(")
    message(FATAL_ERROR "the linker map ${MAP} lists no C++ library member: not a map of the launcher")
  endif()
  foreach(member ios_init.o globals_io.o iostream-inst.o istream-inst.o ostream-inst.o
          fstream-inst.o sstream-inst.o)
    string(REPLACE "." "\\." pattern "${member}")
    string(REPLACE "+" "\\+" pattern "${pattern}")
    if(map MATCHES "\\(${pattern}\\)")
      message(FATAL_ERROR "KtrSetup.exe links the C++ streams (${member})")
    endif()
  endforeach()

else()
  message(FATAL_ERROR "unknown check '${CHECK}'")
endif()

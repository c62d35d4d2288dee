# Windows side: the launcher itself, the stub programs of the test media and
# the contract tests that run under Wine.
file(GLOB KTR_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp ui/win32/*.cpp)
add_library(ktr_win32 STATIC ${KTR_WIN32_SOURCES})
target_link_libraries(ktr_win32 PUBLIC ktr_core)
target_compile_options(ktr_win32 PRIVATE ${KTR_WARNINGS})

# The Wine that runs this build's programs, and the architecture of every
# prefix they run in: the 32-bit loader for the shipped i686 build, the
# 64-bit one for the x86_64 compile check.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KTR_WINE /usr/lib/wine/wine64)
  set(KTR_WINEARCH win64)
else()
  set(KTR_WINE wine)
  set(KTR_WINEARCH win32)
endif()

set(KTR_STATIC_LINK -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

# An i686 program has no SafeSEH table from GNU ld, which cannot make one;
# nothing of ours registers an SEH handler (exceptions unwind through DWARF-2
# tables), so the programs that ship say so (NO_SEH) and the system calls no
# handler in them at all, which is what a SafeSEH table is for.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KTR_NO_SEH)
else()
  set(KTR_NO_SEH -Wl,--no-seh)
endif()

include(cmake/version.cmake)
include(cmake/launcher.cmake OPTIONAL)
include(cmake/ktrmedium.cmake)
include(cmake/stubs.cmake OPTIONAL)
include(cmake/contract.cmake OPTIONAL)
include(cmake/e2e.cmake OPTIONAL)
include(cmake/bench_win.cmake OPTIONAL)

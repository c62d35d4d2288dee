# Windows side: the launcher itself, the stub programs of the test media and
# the contract tests that run under Wine.
file(GLOB KTR_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp ui/win32/*.cpp)
add_library(ktr_win32 STATIC ${KTR_WIN32_SOURCES})
target_link_libraries(ktr_win32 PUBLIC ktr_core)
target_compile_options(ktr_win32 PRIVATE ${KTR_WARNINGS})

set(KTR_STATIC_LINK -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

include(cmake/launcher.cmake OPTIONAL)
include(cmake/stubs.cmake OPTIONAL)
include(cmake/contract.cmake OPTIONAL)
include(cmake/e2e.cmake OPTIONAL)
include(cmake/bench_win.cmake OPTIONAL)

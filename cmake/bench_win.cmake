# The start-up measurement under Wine (scripts/bench.sh): a timing program
# and the bare window that the launcher's start-up is set against. Built on
# request only; they are measurements, not part of the release or the tests.
add_executable(ktr_startup_timer EXCLUDE_FROM_ALL bench/win32/startup_timer.cpp)
target_include_directories(ktr_startup_timer PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_startup_timer PRIVATE ${KTR_WARNINGS})
target_link_libraries(ktr_startup_timer PRIVATE psapi)
target_link_options(ktr_startup_timer PRIVATE ${KTR_STATIC_LINK} -s)

# Optimised for size like the launcher, so that neither pays for a larger
# image to load.
add_executable(ktr_bare_window WIN32 EXCLUDE_FROM_ALL bench/win32/bare_window.cpp)
target_include_directories(ktr_bare_window PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_bare_window PRIVATE ${KTR_WARNINGS} $<$<CONFIG:Release>:-Os>)
target_link_libraries(ktr_bare_window PRIVATE gdi32 user32)
target_link_options(ktr_bare_window PRIVATE ${KTR_STATIC_LINK} -s)

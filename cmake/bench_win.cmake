# The start-up measurement under Wine (scripts/bench.sh): a timing program
# and the bare window that the launcher's start-up is set against. Built on
# request only; they are measurements, not part of the release or the tests.
add_executable(ktr_startup_timer EXCLUDE_FROM_ALL bench/win32/startup_timer.cpp)
target_include_directories(ktr_startup_timer PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_startup_timer PRIVATE ${KTR_WARNINGS})
target_link_libraries(ktr_startup_timer PRIVATE psapi)
target_link_options(ktr_startup_timer PRIVATE ${KTR_STATIC_LINK} -s)

# The floor the launcher's start-up is set against: a window program in C,
# optimised for size like the launcher, so that neither pays for a larger
# image to load.
add_executable(ktr_bare_window WIN32 EXCLUDE_FROM_ALL bench/win32/bare_window.c)
set_source_files_properties(bench/win32/bare_window.c PROPERTIES LANGUAGE C)
target_compile_options(ktr_bare_window PRIVATE ${KTR_WARNINGS} $<$<CONFIG:Release>:-Os>)
target_link_libraries(ktr_bare_window PRIVATE gdi32 user32)
target_link_options(ktr_bare_window PRIVATE -static -s)

# The launcher's start-up step by step, with the launcher's own code.
add_executable(ktr_startup_phases WIN32 EXCLUDE_FROM_ALL bench/win32/startup_phases.cpp)
target_include_directories(ktr_startup_phases PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_startup_phases PRIVATE ${KTR_WARNINGS} $<$<CONFIG:Release>:-Os>)
target_link_libraries(ktr_startup_phases PRIVATE ktr_win32 ktr_core)
target_link_options(ktr_startup_phases PRIVATE ${KTR_STATIC_LINK} -s)

# The floor once more, writing down the time of each of its steps.
add_executable(ktr_floor_phases WIN32 EXCLUDE_FROM_ALL bench/win32/bare_window.c)
target_compile_definitions(ktr_floor_phases PRIVATE KTR_FLOOR_PHASES)
target_compile_options(ktr_floor_phases PRIVATE ${KTR_WARNINGS} $<$<CONFIG:Release>:-Os>)
target_link_libraries(ktr_floor_phases PRIVATE gdi32 user32)
target_link_options(ktr_floor_phases PRIVATE -static -s)

# Less than the launcher's start-up rules ask for (its pictures read, not
# decoded): the floor the launcher's own code is held against once the rules
# are counted.
add_executable(ktr_required_floor WIN32 EXCLUDE_FROM_ALL bench/win32/required_floor.c)
set_source_files_properties(bench/win32/required_floor.c PROPERTIES LANGUAGE C)
target_compile_options(ktr_required_floor PRIVATE ${KTR_WARNINGS} $<$<CONFIG:Release>:-Os>)
target_link_libraries(ktr_required_floor PRIVATE gdi32 user32)
target_link_options(ktr_required_floor PRIVATE -static -s)

# Verifying a step against a plain read of the same bytes (a 100 MB folder),
# with the launcher's hashing on CryptoAPI.
add_executable(ktr_hash_bench EXCLUDE_FROM_ALL bench/win32/hash_bench.cpp)
target_include_directories(ktr_hash_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_hash_bench PRIVATE ${KTR_WARNINGS})
target_link_libraries(ktr_hash_bench PRIVATE ktr_win32 ktr_core)
target_link_options(ktr_hash_bench PRIVATE ${KTR_STATIC_LINK} -s)

# The stub program that stands in for every program of a test medium; see
# the comment at the top of its source for its settings and its record.
add_executable(ktr_stub WIN32 e2e/stubs/win32/ktr_stub.cpp)
target_include_directories(ktr_stub PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ktr_stub PRIVATE ${KTR_WARNINGS} -Os)
target_link_options(ktr_stub PRIVATE ${KTR_STATIC_LINK} -s)

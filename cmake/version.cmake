# The version resource of the release's Windows programs: one template
# (app/win32/version.rc.in) filled from the version and names that
# CMakeLists.txt sets once, and a release check that reads the details back
# out of the built program.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# ktr_version_resource(TARGET DESCRIPTION text TEST name [INCLUDED])
# Writes <target>_version.rc into the generated folder. With INCLUDED the
# target's own .rc file includes it; otherwise it becomes a source of the
# target.
function(ktr_version_resource target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "INCLUDED" "DESCRIPTION;TEST" "")
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
  if(PROJECT_VERSION_TWEAK STREQUAL "")
    string(APPEND version .0)
  else()
    string(APPEND version .${PROJECT_VERSION_TWEAK})
  endif()
  string(REPLACE "." "," KTR_RC_VERSION_NUMBERS "${version}")
  set(KTR_RC_VERSION "${version}")

  set(CompanyName "${KTR_COMPANY_NAME}")
  set(FileDescription "${arg_DESCRIPTION}")
  set(InternalName "${name}")
  set(LegalCopyright "${KTR_LEGAL_COPYRIGHT}")
  set(OriginalFilename "${name}.exe")
  set(ProductName "${KTR_PRODUCT_NAME}")
  set(expected "FileVersion=${version}" "ProductVersion=${version}")
  foreach(key IN ITEMS CompanyName FileDescription InternalName LegalCopyright OriginalFilename
                       ProductName)
    # The resource is read in code page 1252: only printable ASCII is the
    # same text in every tool on the way. A semicolon would split the text
    # in CMake's lists.
    if("${${key}}" MATCHES "[^ -:<-~]")
      message(FATAL_ERROR "The version resource of ${name}.exe takes printable ASCII "
                          "without semicolons: ${key} is '${${key}}'")
    endif()
    string(TOUPPER "${key}" field)
    string(REPLACE "\\" "\\\\" text "${${key}}")
    string(REPLACE "\"" "\"\"" KTR_RC_${field} "${text}")
    list(APPEND expected "${key}=${${key}}")
  endforeach()

  set(rc ${KTR_GENERATED_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/app/win32/version.rc.in ${rc} @ONLY)
  if(NOT arg_INCLUDED)
    target_sources(${target} PRIVATE ${rc})
  endif()
  add_test(NAME ${arg_TEST}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/app/win32/release_checks.py version
            $<TARGET_FILE:${target}> ${expected})
endfunction()

# The tools' Windows program, where it is built, gets its resource once the
# whole build is described, whichever file defines it.
function(ktr_tools_version_resource)
  if(TARGET ktrmedium)
    ktr_version_resource(ktrmedium DESCRIPTION "KTR installation medium tools"
                         TEST ktrmedium_version_resource)
  endif()
endfunction()
cmake_language(DEFER CALL ktr_tools_version_resource)

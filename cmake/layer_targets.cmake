# What the rows of cmake/layers.cmake mean. A row names only layers above it,
# so the table reads bottom first and no two layers can use each other.

# ktr_layer(FOLDER TARGET [LAYER...] [WINDOWS])
function(ktr_layer folder target)
  cmake_parse_arguments(PARSE_ARGV 2 arg "WINDOWS" "" "")
  foreach(used ${arg_UNPARSED_ARGUMENTS})
    if(NOT used IN_LIST KTR_LAYERS)
      message(FATAL_ERROR "Layer ${folder} names ${used}, which is no row above it")
    endif()
  endforeach()
  set(KTR_LAYERS ${KTR_LAYERS} ${folder} PARENT_SCOPE)
  set(KTR_LAYER_${folder}_TARGET ${target} PARENT_SCOPE)
  set(KTR_LAYER_${folder}_USES "${arg_UNPARSED_ARGUMENTS}" PARENT_SCOPE)
  set(KTR_LAYER_${folder}_WINDOWS ${arg_WINDOWS} PARENT_SCOPE)
endfunction()

# ktr_layer_files(FOLDER FILE...): the layer's files, by their names in it.
function(ktr_layer_files folder)
  if(NOT folder IN_LIST KTR_LAYERS)
    message(FATAL_ERROR "ktr_layer_files: ${folder} is no layer")
  endif()
  set(KTR_LAYER_${folder}_FILES ${ARGN} PARENT_SCOPE)
endfunction()

# ktr_layer_sources(FOLDER VARIABLE [EXCLUDE FILE...]): the full paths.
function(ktr_layer_sources folder variable)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "EXCLUDE")
  set(sources)
  foreach(file ${KTR_LAYER_${folder}_FILES})
    if(NOT file IN_LIST arg_EXCLUDE)
      list(APPEND sources ${PROJECT_SOURCE_DIR}/${folder}/${file})
    endif()
  endforeach()
  set(${variable} ${sources} PARENT_SCOPE)
endfunction()

# ktr_link_layer(FOLDER): the layer's target links the layers of its row,
# and only those (publicly for a library, whose headers pass theirs on). A
# layer built on one side only (ktrmedium strings) is linked where it is.
function(ktr_link_layer folder)
  set(target ${KTR_LAYER_${folder}_TARGET})
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "EXECUTABLE")
    set(scope PRIVATE)
  endif()
  foreach(used ${KTR_LAYER_${folder}_USES})
    if(TARGET ${KTR_LAYER_${used}_TARGET})
      target_link_libraries(${target} ${scope} ${KTR_LAYER_${used}_TARGET})
    endif()
  endforeach()
endfunction()

# ktr_add_layer_library(FOLDER [EXCLUDE FILE...]): the layer's static library.
function(ktr_add_layer_library folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE")
  ktr_layer_sources(${folder} sources EXCLUDE ${arg_EXCLUDE})
  set(target ${KTR_LAYER_${folder}_TARGET})
  add_library(${target} STATIC ${sources})
  # Headers are named from the repository's root ("platform/host.h").
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${KTR_WARNINGS})
  ktr_link_layer(${folder})
endfunction()

# ktr_write_layer_table(FILE): the table for the include check, one layer a
# line: folder, target, the layers it may include, WINDOWS or -, its files.
function(ktr_write_layer_table path)
  set(text "")
  foreach(folder ${KTR_LAYERS})
    set(uses "${KTR_LAYER_${folder}_USES}")
    set(windows -)
    if(KTR_LAYER_${folder}_WINDOWS)
      set(windows WINDOWS)
    endif()
    set(files "${KTR_LAYER_${folder}_FILES}")
    foreach(field uses files)
      string(REPLACE ";" " " ${field} "${${field}}")
      if("${${field}}" STREQUAL "")
        set(${field} -)
      endif()
    endforeach()
    string(APPEND text "${folder}\t${KTR_LAYER_${folder}_TARGET}\t${uses}\t${windows}\t${files}\n")
  endforeach()
  file(WRITE ${path} "${text}")
endfunction()

# The layers of the product and the one table of their directions. A layer's
# files include the headers of their own folder and of the layers its row
# names, and its library links exactly those layers' libraries: the
# include check (cmake/check_layers.py, ctest layers_include_directions)
# reads this same table from the build folder. A row is a folder (the files
# directly in it, less those with a row of their own) or one program's file.
# Only the rows marked WINDOWS may include the Windows API's headers.
include(${CMAKE_CURRENT_LIST_DIR}/layer_targets.cmake)

#         folder                   target              may include
ktr_layer(platform                 ktr_platform)
ktr_layer(lang                     ktr_lang            platform)
ktr_layer(medium                   ktr_medium          lang platform)
ktr_layer(ui                       ktr_ui              platform)
ktr_layer(forms                    ktr_forms           medium lang ui platform)
ktr_layer(app                      ktr_app             forms medium lang ui platform)
ktr_layer(platform/win32           ktr_platform_win32  platform WINDOWS)
ktr_layer(ui/win32                 ktr_ui_win32        ui platform/win32 platform WINDOWS)
ktr_layer(app/win32                KtrSetup            app ui/win32 platform/win32 ui platform WINDOWS)
ktr_layer(testing                  ktr_testing         medium ui platform)
ktr_layer(tools/ktrmedium          ktr_medium_tool     medium lang ui platform)
ktr_layer(tools/ktrmedium/strings  ktr_strings         tools/ktrmedium lang platform)
ktr_layer(tools/ktrmedium/main.cpp ktrmedium          tools/ktrmedium/strings tools/ktrmedium)

# Every file of each layer, by name: a file that no list names is built
# nowhere, and the include check says so. The launcher's entry point lists
# its sources where it is made (cmake/launcher.cmake).
ktr_layer_files(platform
  certificate.cpp certificate.h
  dbcs.cpp dbcs.h
  debugger_note.cpp debugger_note.h
  errors.cpp errors.h
  host.h
  os_type.cpp os_type.h
  process_helpers.cpp process_helpers.h
  profile_text.cpp profile_text.h
  sha256.cpp sha256.h)
ktr_layer_files(lang
  keys.h
  multilang.cpp multilang.h)
ktr_layer_files(medium
  command_line.cpp command_line.h
  medium.cpp medium.h
  seal.cpp seal.h)
ktr_layer_files(ui
  bitmap.h bmp_decoder.cpp
  scale.cpp scale.h
  toolkit.cpp toolkit.h)
ktr_layer_files(forms
  alert_lines.cpp alert_lines.h
  builtin_pictures.cpp builtin_pictures.h
  frm_edit_notice.cpp frm_edit_notice.h
  frm_ghost_install.cpp frm_ghost_install.h
  frm_main.cpp frm_main.h
  frm_user_setup.cpp frm_user_setup.h
  layout.h
  sealed_step.cpp sealed_step.h
  skin.cpp skin.h
  skinned_form.cpp skinned_form.h)
ktr_layer_files(app
  launcher.cpp launcher.h)
ktr_layer_files(platform/win32
  debugger_output.cpp debugger_output.h
  system_library.cpp system_library.h
  unique_handle.h
  win32_files.cpp
  win32_host.cpp win32_host.h
  win32_integrity.cpp
  win32_ports.h
  win32_processes.cpp
  win32_registry.cpp
  win32_system.cpp)
ktr_layer_files(ui/win32
  accessible.cpp accessible.h
  dpi.cpp dpi.h
  fonts.cpp fonts.h
  form_window.cpp form_window.h
  gdi.h
  native_children.cpp native_children.h
  painter.cpp painter.h
  task_windows.cpp task_windows.h
  win32_backend.cpp win32_backend.h)
ktr_layer_files(testing
  debugger_notes.cpp debugger_notes.h
  fake_host.cpp fake_host.h
  headless_backend.cpp headless_backend.h
  openssl_integrity.cpp openssl_integrity.h)
# The library of the program ktrmedium (main.cpp, a row of its own).
ktr_layer_files(tools/ktrmedium
  check.cpp check.h
  code_pages.cpp code_pages.h
  findings.cpp findings.h
  image.cpp image.h
  key_use.h
  medium_tree.cpp medium_tree.h
  run_program.cpp run_program.h
  seal.cpp seal.h
  sign.cpp sign.h)
# ktrmedium strings, on the build machine only (ICU, libxml2, libgettextpo).
ktr_layer_files(tools/ktrmedium/strings
  code_page.cpp code_page.h
  ini_edit.cpp ini_edit.h
  po_file.cpp
  strings.cpp strings.h
  translation_file.h
  xliff_file.cpp)

# The portable core, bottom first, built the same on both sides.
set(KTR_CORE_LAYERS platform lang medium ui forms app)
foreach(layer ${KTR_CORE_LAYERS})
  ktr_add_layer_library(${layer})
  list(APPEND KTR_CORE_LIBRARIES ${KTR_LAYER_${layer}_TARGET})
endforeach()

if(NOT CMAKE_CROSSCOMPILING)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  ktr_write_layer_table(${CMAKE_BINARY_DIR}/layers.txt)
  add_test(NAME layers_include_directions
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_layers.py
            ${CMAKE_BINARY_DIR}/layers.txt ${CMAKE_CURRENT_SOURCE_DIR})
  set_tests_properties(layers_include_directions PROPERTIES
    ENVIRONMENT PYTHONDONTWRITEBYTECODE=1 TIMEOUT 60)
endif()

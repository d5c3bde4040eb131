# Build rules shared by every deliverable of the program folder.

include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)

# Restricts a shared library's dynamic symbol table to the names listed in an
# export map (one symbol per line, '#' comments). The map is also what
# tools/check-exports compares the built library against.
function(velmora_export_map target map_file)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.version)
  file(STRINGS ${map_file} lines)
  set(globals "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    string(APPEND globals "    ${line};\n")
  endforeach()
  file(WRITE ${script} "{\n  global:\n${globals}  local: *;\n};\n")
  target_link_options(${target} PRIVATE -Wl,--version-script=${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map_file})
  set_property(TARGET ${target} PROPERTY VELMORA_EXPORT_MAP ${map_file})
  set_property(GLOBAL APPEND PROPERTY VELMORA_EXPORT_MAP_TARGETS ${target})
endfunction()

# A deliverable: a program, the shared services library or a plug-in. The class
# library is linked statically into each one (its own theApplication, its own
# settings store); the platform library is shared and found through the rpath.
#   velmora_deliverable(<target> PROGRAM|LIBRARY|PLUGIN
#                       [OUTPUT_NAME name] [SUFFIX .vin] [DIRECTORY dir]
#                       [EXPORT_MAP file] SOURCES ...)
function(velmora_deliverable target kind)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME;SUFFIX;DIRECTORY;EXPORT_MAP" "SOURCES" ${ARGN})
  if(kind STREQUAL "PROGRAM")
    add_executable(${target} ${ARG_SOURCES})
    set(default_dir ${VELMORA_OUT_DIR})
    set(rpath "$ORIGIN")
  else()
    add_library(${target} MODULE ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(kind STREQUAL "PLUGIN")
      set(default_dir ${VELMORA_PLUGINS_DIR})
    else()
      set(default_dir ${VELMORA_OUT_DIR})
    endif()
    file(RELATIVE_PATH up ${default_dir} ${VELMORA_OUT_DIR})
    if(ARG_DIRECTORY)
      file(RELATIVE_PATH up ${ARG_DIRECTORY} ${VELMORA_OUT_DIR})
    endif()
    if(up STREQUAL "")
      set(rpath "$ORIGIN")
    else()
      set(rpath "$ORIGIN/${up}")
    endif()
    # No undefined symbols may hide in a plug-in until it is loaded.
    target_link_options(${target} PRIVATE ${VELMORA_NO_UNDEFINED})
  endif()
  if(NOT ARG_DIRECTORY)
    set(ARG_DIRECTORY ${default_dir})
  endif()
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${ARG_DIRECTORY}
    LIBRARY_OUTPUT_DIRECTORY ${ARG_DIRECTORY}
    BUILD_RPATH "${rpath}"
    INSTALL_RPATH "${rpath}")
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
  if(ARG_SUFFIX)
    set_target_properties(${target} PROPERTIES SUFFIX ${ARG_SUFFIX})
  endif()
  target_link_libraries(${target} PRIVATE zkr velmoraplatform)
  if(ARG_EXPORT_MAP)
    velmora_export_map(${target} ${ARG_EXPORT_MAP})
  endif()
  set_property(GLOBAL APPEND PROPERTY VELMORA_DELIVERABLES ${target})
endfunction()

# A build-time tool of tools/ that draws a deliverable's pictures; run by hand
# when the artwork changes, from build/tools/<name>.
#   velmora_artwork_tool(<name>)
function(velmora_artwork_tool name)
  add_executable(${name} ${PROJECT_SOURCE_DIR}/tools/${name}.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE velmoraplatform)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools
    BUILD_RPATH "${VELMORA_OUT_DIR}")
endfunction()

# Writes build/export-maps.txt: "<library file> <export map>" per line, read by
# tools/check-exports. Called once at the end of the top-level list file.
function(velmora_write_export_manifest)
  get_property(targets GLOBAL PROPERTY VELMORA_EXPORT_MAP_TARGETS)
  set(content "")
  foreach(target IN LISTS targets)
    get_target_property(map ${target} VELMORA_EXPORT_MAP)
    string(APPEND content "$<TARGET_FILE:${target}> ${map}\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/export-maps.txt CONTENT "${content}")
endfunction()

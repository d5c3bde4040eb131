# Build rules shared by every deliverable of the program folder.

include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)

# Gives a target an include folder of its own in the build tree,
# build/include/<target>, holding one link per source folder (or header) it
# exports, named as in the source tree: build/include/zkr/zkr -> <source>/zkr.
# Includes stay written from the top ("zkr/Window.h"), but only the target
# and what links it see that folder, so an include of a floor above, or of a
# library not linked, fails to compile. Public for libraries, interface for
# interface targets, private for programs and modules.
#   velmora_public_headers(<target> <folder or header>...)
function(velmora_public_headers target)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  foreach(path IN LISTS ARGN)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${path})
      message(FATAL_ERROR "velmora_public_headers(${target}): ${path} is not in the source tree")
    endif()
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  elseif(type STREQUAL "EXECUTABLE" OR type STREQUAL "MODULE_LIBRARY")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# A plug-in's headers without its code, for the tools that draw its pictures
# and the programs that drive its windows from outside: the interface target
# <name>_headers exports plugins/<name>; the plug-in's core links it.
#   velmora_plugin_headers(<name>)
function(velmora_plugin_headers name)
  add_library(${name}_headers INTERFACE)
  velmora_public_headers(${name}_headers plugins/${name})
  target_link_libraries(${name}_headers INTERFACE zkr velmora_api)
endfunction()

# A plug-in whose code is the static library <folder>_core, so that the
# tests can run it in their own process, and whose module adds only the
# exports (Exports.cpp) and the pictures of each list in res/.
#   velmora_plugin(<folder> <module name> <suffix>)
function(velmora_plugin folder module suffix)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/Exports.cpp)
  add_library(${folder}_core STATIC ${sources})
  velmora_plugin_headers(${folder})
  target_link_libraries(${folder}_core PUBLIC ${folder}_headers zkr velmoraplatform)
  file(GLOB image_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/*.list)
  foreach(list_file IN LISTS image_lists)
    get_filename_component(list_name ${list_file} NAME_WE)
    velmora_core_images(${folder}_core ${folder}_${list_name}_images ${list_file})
  endforeach()
  velmora_deliverable(${module} PLUGIN OUTPUT_NAME ${module} SUFFIX ${suffix}
                      EXPORT_MAP ${CMAKE_CURRENT_SOURCE_DIR}/exports.map
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Exports.cpp)
  target_link_libraries(${module} PRIVATE ${folder}_core)
endfunction()

# Embeds a picture list into an object library of its own, whose objects go
# into every module that links <core>, registered under that module's handle.
#   velmora_core_images(<core> <images target> <list file>)
function(velmora_core_images core images list_file)
  add_library(${images} OBJECT)
  target_link_libraries(${images} PRIVATE velmoraplatform)
  velmora_embed_resources(${images} ${list_file})
  target_sources(${core} INTERFACE $<TARGET_OBJECTS:${images}>)
endfunction()

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
    if(kind STREQUAL "PLUGIN")
      target_link_libraries(${target} PRIVATE velmora_plugin_skeleton)
    endif()
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

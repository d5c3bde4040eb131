# Embeds a deliverable's PNG files (skins, bitmaps, icons, cursors) into it
# and registers them as the module's image resources at load time.
#
#   velmora_embed_resources(<target> <list file>)
#
# The list file names one image per line, with its file relative to the
# list file's folder ('#' starts a comment):
#   bitmap <id> <file.png>
#   icon   <id> <file.png>
#   cursor <id> <file.png> [<hotspot x> <hotspot y>]
# At build time the images become byte arrays in a generated source file of
# the target, with a static registrar (plat::ui::ResourceRegistrar) that
# registers them under the target's own module handle.
#
# This file is also the generator: run as a script (cmake -P) with LIST and
# OUTPUT set, it writes that source file.

# Reads the list file into the lists <prefix>_KINDS, _IDS, _FILES (absolute),
# _HOTX and _HOTY; stops with an error on a line it does not understand.
function(velmora_read_resource_list list_file prefix)
  get_filename_component(folder ${list_file} DIRECTORY)
  file(STRINGS ${list_file} lines)
  set(kinds "")
  set(ids "")
  set(files "")
  set(hotx "")
  set(hoty "")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    string(REGEX REPLACE "#.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(LENGTH fields count)
    list(GET fields 0 kind)
    if(NOT kind MATCHES "^(bitmap|icon|cursor)$" OR (count NOT EQUAL 3 AND count NOT EQUAL 5)
       OR (count EQUAL 5 AND NOT kind STREQUAL "cursor"))
      message(FATAL_ERROR "${list_file}:${number}: expected '<bitmap|icon|cursor> <id> <file> [hotspot x y]'")
    endif()
    list(GET fields 1 id)
    list(GET fields 2 file)
    if(NOT id MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${list_file}:${number}: the id '${id}' is not a number")
    endif()
    set(x 0)
    set(y 0)
    if(count EQUAL 5)
      list(GET fields 3 x)
      list(GET fields 4 y)
      if(NOT x MATCHES "^[0-9]+$" OR NOT y MATCHES "^[0-9]+$")
        message(FATAL_ERROR "${list_file}:${number}: the hotspot must be two numbers")
      endif()
    endif()
    if(NOT IS_ABSOLUTE ${file})
      set(file ${folder}/${file})
    endif()
    list(APPEND kinds ${kind})
    list(APPEND ids ${id})
    list(APPEND files ${file})
    list(APPEND hotx ${x})
    list(APPEND hoty ${y})
  endforeach()
  set(${prefix}_KINDS "${kinds}" PARENT_SCOPE)
  set(${prefix}_IDS "${ids}" PARENT_SCOPE)
  set(${prefix}_FILES "${files}" PARENT_SCOPE)
  set(${prefix}_HOTX "${hotx}" PARENT_SCOPE)
  set(${prefix}_HOTY "${hoty}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT LIST OR NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DLIST=<list file> -DOUTPUT=<source file> -P Resources.cmake")
  endif()
  velmora_read_resource_list(${LIST} RES)
  set(arrays "")
  set(entries "")
  set(index 0)
  foreach(file IN LISTS RES_FILES)
    list(GET RES_KINDS ${index} kind)
    list(GET RES_IDS ${index} id)
    list(GET RES_HOTX ${index} x)
    list(GET RES_HOTY ${index} y)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${LIST}: ${file} does not exist")
    endif()
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" length)
    if(length EQUAL 0)
      message(FATAL_ERROR "${LIST}: ${file} is empty")
    endif()
    # 32 bytes a line.
    string(REPEAT "[0-9a-f]" 64 line_pattern)
    string(REGEX REPLACE "(${line_pattern})" "\\1\n" hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    get_filename_component(name ${file} NAME)
    string(APPEND arrays "// ${name}\nconst unsigned char kImage${index}[] = {\n${bytes}\n};\n")
    if(kind STREQUAL "bitmap")
      set(kind_name Bitmap)
    elseif(kind STREQUAL "icon")
      set(kind_name Icon)
    else()
      set(kind_name Cursor)
    endif()
    string(APPEND entries
           "    {plat::ui::ImageKind::${kind_name}, ${id}, kImage${index}, sizeof kImage${index}, ${x}, ${y}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  if(index EQUAL 0)
    set(table "const plat::ui::ResourceTable kTable{};\n")
  else()
    set(table "const plat::ui::ImageResource kImages[] = {\n${entries}};\n\nconst plat::ui::ResourceTable kTable{{}, kImages, {}, {}};\n")
  endif()
  set(content "// Generated from ${LIST} at build time.\n#include \"platform/ui/Resources.h\"\n\nnamespace {\n\n${arrays}\n${table}\nplat::ui::ResourceRegistrar registrar(kTable);\n\n} // namespace\n")
  # Leave an unchanged file alone, so that nothing rebuilds for nothing.
  if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${OUTPUT} "${content}")
  return()
endif()

set(VELMORA_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(velmora_embed_resources target list_file)
  get_filename_component(list_file ${list_file} ABSOLUTE)
  velmora_read_resource_list(${list_file} RES)
  # A changed list (a new image) configures again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DLIST=${list_file} -DOUTPUT=${output} -P ${VELMORA_RESOURCES_SCRIPT}
    DEPENDS ${list_file} ${RES_FILES} ${VELMORA_RESOURCES_SCRIPT}
    COMMENT "Embedding the images of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()

# Installs the program like a desktop program: the program folder under
# <prefix>/lib/velmora, the "velmora" command in <prefix>/bin, the desktop
# entry and the icons. The program folder's files are exactly the targets the
# build puts into it, so a file added to the build is installed without a list
# to keep up; files the program writes at run time (recordings, playlists,
# generated help pages) never are.
#
# Besides CMake's own manifest in the build tree, the install writes
# lib/velmora/install_manifest.txt: every file it installed and every folder it
# had to create, as paths on the target system, so that cmake/Uninstall.cmake
# removes exactly those without the build tree.

set(VELMORA_INSTALL_FOLDER lib/velmora)
set(VELMORA_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/engine/desktop)
# One folder per icon size, as tools/draw-program-icons draws them.
file(GLOB VELMORA_ICON_SIZES RELATIVE ${VELMORA_DESKTOP_DIR}/icons ${VELMORA_DESKTOP_DIR}/icons/*)

velmora_artwork_tool(draw-program-icons)

add_executable(write-help-contents ${PROJECT_SOURCE_DIR}/tools/write-help-contents.cpp)
target_link_libraries(write-help-contents PRIVATE zkrshared_core)
set_target_properties(write-help-contents PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools
  BUILD_RPATH "${VELMORA_OUT_DIR}")

# Every target of dir and the folders below it, into the variable out.
function(velmora_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    velmora_targets_below(${subdir} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(velmora_install_rules)
  set(destinations ${VELMORA_INSTALL_FOLDER} bin share/applications)
  set(installed_targets "")

  velmora_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
    elseif(type STREQUAL "MODULE_LIBRARY" OR type STREQUAL "SHARED_LIBRARY")
      get_target_property(folder ${target} LIBRARY_OUTPUT_DIRECTORY)
    else()
      continue()
    endif()
    if(NOT folder)
      continue()
    endif()
    file(RELATIVE_PATH inside ${VELMORA_OUT_DIR} ${folder})
    if(NOT folder STREQUAL VELMORA_OUT_DIR AND inside MATCHES "^\\.\\.")
      continue()
    endif()
    set(destination ${VELMORA_INSTALL_FOLDER})
    if(NOT inside STREQUAL "")
      set(destination ${VELMORA_INSTALL_FOLDER}/${inside})
    endif()
    list(APPEND installed_targets ${target})
    set(destination_of_${target} ${destination})
    list(APPEND destinations ${destination})
  endforeach()

  file(GLOB_RECURSE help_files RELATIVE ${PROJECT_SOURCE_DIR}/shared/help ${PROJECT_SOURCE_DIR}/shared/help/*)
  foreach(file IN LISTS help_files)
    get_filename_component(folder ${VELMORA_INSTALL_FOLDER}/Help/${file} DIRECTORY)
    list(APPEND destinations ${folder})
  endforeach()

  # A relative link: the program finds its folder (and its libraries through
  # the $ORIGIN rpath) from /proc/self/exe, which names the link's target, and
  # the link stays right inside a staging DESTDIR or a moved prefix.
  set(link ${CMAKE_BINARY_DIR}/install/velmora)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
  file(CREATE_LINK ../${VELMORA_INSTALL_FOLDER}/Velmora ${link} SYMBOLIC)
  foreach(size IN LISTS VELMORA_ICON_SIZES)
    list(APPEND destinations share/icons/hicolor/${size}x${size}/apps)
  endforeach()

  # Each destination and the folders above it, up to the prefix.
  set(folders "")
  foreach(destination IN LISTS destinations)
    while(NOT destination STREQUAL "" AND NOT destination STREQUAL ".")
      list(APPEND folders ${destination})
      get_filename_component(destination ${destination} DIRECTORY)
    endwhile()
  endforeach()
  list(REMOVE_DUPLICATES folders)
  # Deepest first, so that the uninstall empties a folder before its parent.
  list(SORT folders ORDER DESCENDING)

  # Declared first, so it runs before any file is copied: which folders are not there yet.
  install(CODE "
    set(VELMORA_CREATED_FOLDERS \"\")
    foreach(folder IN ITEMS ${folders})
      if(NOT IS_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${folder}\")
        list(APPEND VELMORA_CREATED_FOLDERS \"\${CMAKE_INSTALL_PREFIX}/\${folder}\")
      endif()
    endforeach()
    # The prefix too, and what lies above it, where the install makes them.
    set(folder \"\${CMAKE_INSTALL_PREFIX}\")
    while(NOT folder STREQUAL \"/\" AND NOT folder STREQUAL \"\")
      if(NOT IS_DIRECTORY \"\$ENV{DESTDIR}\${folder}\")
        list(APPEND VELMORA_CREATED_FOLDERS \"\${folder}\")
      endif()
      get_filename_component(folder \"\${folder}\" DIRECTORY)
    endwhile()")

  foreach(target IN LISTS installed_targets)
    install(TARGETS ${target}
            RUNTIME DESTINATION ${destination_of_${target}} LIBRARY DESTINATION ${destination_of_${target}})
  endforeach()
  # The help pages as the build copies them, without pages generated by runs.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/shared/help/ DESTINATION ${VELMORA_INSTALL_FOLDER}/Help)
  # The generated help pages the program would write at its first help
  # request, written now for the installed folder: its users may not write
  # there. Their links name the pages where they finally live, without DESTDIR.
  # (A sanitizer build's tool must not fail the install over a leak report.)
  install(CODE "
    set(help \"\${CMAKE_INSTALL_PREFIX}/${VELMORA_INSTALL_FOLDER}/Help\")
    execute_process(COMMAND \${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                            $<TARGET_FILE:write-help-contents> \"\$ENV{DESTDIR}\${help}\"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR \"Cannot write the help contents into \$ENV{DESTDIR}\${help}\")
    endif()
    foreach(page ~content.html ~index.html)
      file(READ \"\$ENV{DESTDIR}\${help}/\${page}\" text)
      string(REPLACE \"file://\$ENV{DESTDIR}/\" \"file:///\" text \"\${text}\")
      file(WRITE \"\$ENV{DESTDIR}\${help}/\${page}\" \"\${text}\")
      message(STATUS \"Generated: \$ENV{DESTDIR}\${help}/\${page}\")
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${help}/\${page}\")
    endforeach()")
  install(FILES ${link} DESTINATION bin)
  install(FILES ${VELMORA_DESKTOP_DIR}/velmora.desktop DESTINATION share/applications)
  foreach(size IN LISTS VELMORA_ICON_SIZES)
    install(FILES ${VELMORA_DESKTOP_DIR}/icons/${size}/velmora.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()

  install(CODE "
    set(manifest \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VELMORA_INSTALL_FOLDER}/install_manifest.txt\")
    string(LENGTH \"\$ENV{DESTDIR}\" rootLength)
    set(lines \"\")
    foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
      # Paths on the target system, whether or not CMake lists them with DESTDIR.
      if(rootLength GREATER 0)
        string(FIND \"\${file}\" \"\$ENV{DESTDIR}\" at)
        if(at EQUAL 0)
          string(SUBSTRING \"\${file}\" \${rootLength} -1 file)
        endif()
      endif()
      string(APPEND lines \"file \${file}\\n\")
    endforeach()
    foreach(folder IN LISTS VELMORA_CREATED_FOLDERS)
      string(APPEND lines \"folder \${folder}\\n\")
    endforeach()
    file(WRITE \"\${manifest}\" \"\${lines}\")
    message(STATUS \"Manifest: \${manifest}\")")
endfunction()

# Removes what an install put into DESTDIR + PREFIX, as its manifest lists it:
# the files (and links) it installed, then the folders it created, each only
# when empty. Nothing else is touched, and the build tree is not needed.
#   cmake -D PREFIX=/usr/local [-D DESTDIR=/stage] -P cmake/Uninstall.cmake

if(NOT PREFIX)
  message(FATAL_ERROR "PREFIX is not set")
endif()
set(manifest "${DESTDIR}${PREFIX}/lib/velmora/install_manifest.txt")
if(NOT EXISTS "${manifest}")
  message(STATUS "Nothing to uninstall: no ${manifest}")
  return()
endif()

file(STRINGS "${manifest}" lines)
set(folders "")
foreach(line IN LISTS lines)
  if(line MATCHES "^file (/.*)$")
    set(path "${DESTDIR}${CMAKE_MATCH_1}")
    if(IS_SYMLINK "${path}" OR (EXISTS "${path}" AND NOT IS_DIRECTORY "${path}"))
      message(STATUS "Removing: ${path}")
      file(REMOVE "${path}")
    endif()
  elseif(line MATCHES "^folder (/.*)$")
    list(APPEND folders "${DESTDIR}${CMAKE_MATCH_1}")
  endif()
endforeach()
file(REMOVE "${manifest}")

# The manifest lists them deepest first.
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(GLOB left LIST_DIRECTORIES true "${folder}/*" "${folder}/.*")
    if(left STREQUAL "")
      message(STATUS "Removing folder: ${folder}")
      file(REMOVE_RECURSE "${folder}")
    endif()
  endif()
endforeach()

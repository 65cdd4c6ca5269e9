# Removes every file listed in an install manifest, then the folders that
# Mergola's install made and that are empty now. Run as
#   cmake -P uninstall.cmake build/install_manifest.txt
# (the uninstall target does so).
set(manifest ${CMAKE_ARGV3})
if(NOT EXISTS "${manifest}")
  message(FATAL_ERROR "No ${manifest}: nothing was installed from this build folder.")
endif()
file(STRINGS "${manifest}" files)
set(folders "")
foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  list(APPEND folders "${folder}")
endforeach()
# Only Mergola's own folders go; shared ones such as bin/ or share/icons/
# stay even when empty, since other programs may expect them.
# Deepest first, so share/mergola/help goes before share/mergola.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  if(folder MATCHES "/mergola(/help)?$")
    file(GLOB left "${folder}/*")
    if(NOT left)
      file(REMOVE_RECURSE "${folder}")
    endif()
  endif()
  # The desktop's cache of file types forgets the removed entry.
  if(folder MATCHES "/applications$")
    find_program(update_desktop_database update-desktop-database)
    if(update_desktop_database AND "$ENV{DESTDIR}" STREQUAL "")
      execute_process(COMMAND ${update_desktop_database} -q "${folder}")
    endif()
  endif()
endforeach()

# Run by CPack on the staged files of the Debian package, before it packs
# them: the copyright file (the licence in Debian's machine-readable form),
# the changelog and the manual pages, compressed as Debian wants them.
# Without a timestamp in the gzip header the package comes out the same
# from the same sources.
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_MERGOLA_DOC_DIR}")
file(MAKE_DIRECTORY "${doc}")

file(READ "${CPACK_MERGOLA_SOURCE_DIR}/LICENSE" licence)
# The licence's own words, without its title and copyright line.
string(FIND "${licence}" "Permission is hereby granted" start)
string(SUBSTRING "${licence}" ${start} -1 licence)
# Each line of the licence text one space in, empty lines as " .".
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" licence "\n${licence}")
file(WRITE "${doc}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Mergola\n"
  "Upstream-Contact: ${CPACK_PACKAGE_CONTACT}\n"
  "Source: ${CPACK_DEBIAN_PACKAGE_HOMEPAGE}\n"
  "\n"
  "Files: *\n"
  "Copyright: 2026 The Mergola authors\n"
  "License: Expat${licence}")

function(compress from to)
  execute_process(COMMAND gzip -9 -n -c "${from}" OUTPUT_FILE "${to}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${from}")
  endif()
endfunction()
compress("${CPACK_MERGOLA_SOURCE_DIR}/data/changelog" "${doc}/changelog.gz")
file(GLOB pages "${root}/${CPACK_MERGOLA_MAN_DIR}/*.1")
foreach(page IN LISTS pages)
  compress("${page}" "${page}.gz")
  file(REMOVE "${page}")
endforeach()

# The Debian package mergola_<version>_<arch>.deb, made by CPack's DEB
# generator (scripts/package.sh configures a build for /usr and runs cpack).
# It holds what `cmake --install` installs, and cmake/package-docs.cmake
# adds what Debian asks of every package: the copyright file, the changelog
# and compressed manual pages.
#
# Depends: the libraries the binaries link, as dpkg-shlibdeps finds them
# (libqt6gui6 among them, which also carries the X11 platform plugin and
# the JPG and GIF readers), and what Qt loads at run time where no tool
# sees it. libheif 1.15 in Debian 12 links its decoders itself.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mergola)
set(CPACK_PACKAGE_VENDOR "The Mergola authors")
set(CPACK_PACKAGE_CONTACT "The Mergola authors <authors@mergola.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "combine two pictures into a third and work on the result")
# One string; each line becomes a line of the package's description.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Mergola is a small picture editor with one window. Load a picture into\n"
  "each of its two slots and combine them: woven together like a\n"
  "checkerboard, painted over each other, or one above the other. The result\n"
  "can be worked on with colour and area filters and two mirrors, framed\n"
  "with a border, inspected through a magnifier lens, printed in three page\n"
  "layouts and saved as JPG, BMP or PNG.\n"
  "\n"
  "The command-line program mergola-cli does the same work without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.mergola.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  # the Wayland platform plugin
  "qt6-wayland"
  # WebP and TIFF
  "qt6-image-formats-plugins"
  # "Arial" for the prompts and captions
  "fonts-liberation")
list(JOIN CPACK_DEBIAN_PACKAGE_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Qt's own dialogs in the window's language; "Software" opens the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package-docs.cmake)
set(CPACK_MERGOLA_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_MERGOLA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/mergola)
set(CPACK_MERGOLA_MAN_DIR ${CMAKE_INSTALL_MANDIR}/man1)

# The changelog's newest entry names the version being packaged.
file(STRINGS ${CMAKE_SOURCE_DIR}/data/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^mergola \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "data/changelog begins with \"${changelog_top}\": add an entry for version ${PROJECT_VERSION}")
endif()

include(CPack)

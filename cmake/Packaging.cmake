# Installation of the tools and the Debian package (scripts/package).
#
# Everything the package holds installs as the component "quillmoth"; CPack
# installs that component only, so an install rule that a test helper or a
# third-party project might add stays out of the package.

install(TARGETS quillmoth-get quillmoth-site RUNTIME DESTINATION bin COMPONENT quillmoth)

# The man page of quillmoth-get, gzipped as Debian wants it. Compressed while
# installing, so that packaging needs no build step besides the programs.
set(quillmoth_man_source ${CMAKE_SOURCE_DIR}/docs/quillmoth-get.1)
set(quillmoth_man_gz ${CMAKE_BINARY_DIR}/docs/quillmoth-get.1.gz)
install(CODE "
  file(MAKE_DIRECTORY \"${CMAKE_BINARY_DIR}/docs\")
  execute_process(COMMAND gzip -9 -n -c \"${quillmoth_man_source}\"
    OUTPUT_FILE \"${quillmoth_man_gz}\" RESULT_VARIABLE gzip_status)
  if(NOT gzip_status EQUAL 0)
    message(FATAL_ERROR \"gzip of ${quillmoth_man_source} failed: \${gzip_status}\")
  endif()" COMPONENT quillmoth)
install(FILES ${quillmoth_man_gz} DESTINATION share/man/man1 COMPONENT quillmoth)

set(QUILLMOTH_MAINTAINER "Quillmoth maintainers <maintainers@quillmoth.example>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmoth)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmoth")
set(CPACK_PACKAGE_CONTACT "${QUILLMOTH_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downloads videos of watch pages, converts them to MP3 and plays them")
set(CPACK_PACKAGE_DESCRIPTION [[
Quillmoth is a desktop program that downloads videos from a video site's watch
pages, converts them to MP3 with ffmpeg and plays them in its own window.
The package also holds quillmoth-get, the same download on the command line,
and quillmoth-site, an offline companion site with demo clips.]])
# Only our component, into the one package (see the top of this file).
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Quillmoth;quillmoth;/")
# The DEB generator installs under /usr by itself (CPACK_PACKAGING_INSTALL_PREFIX
# is left alone: set here it would also move the source package under usr/).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMOTH_SITE_URL}")
# Libraries from dpkg-shlibdeps; ffmpeg is started as a program, so it is named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# `package_source` would otherwise pack every build folder and .git.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build[^/]*/")

include(CPack)

# Installation of the tools and the Debian package (scripts/package).
#
# Everything the package holds installs as the component "quillmoth"; CPack
# installs that component only, so an install rule that a test helper or a
# third-party project might add stays out of the package.

install(TARGETS quillmoth-get quillmoth-site RUNTIME DESTINATION bin COMPONENT quillmoth)

set(QUILLMOTH_MAINTAINER "Quillmoth maintainers <maintainers@quillmoth.example>"
  CACHE STRING "Maintainer named in the Debian package")

# The package's changelog (Debian's format; one entry, for the version in
# project()) and its machine-readable copyright file.
execute_process(COMMAND date -u -R -d "${QUILLMOTH_RELEASE_DATE}"
  OUTPUT_VARIABLE quillmoth_release_rfc2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE date_status)
if(NOT date_status EQUAL 0)
  message(FATAL_ERROR "QUILLMOTH_RELEASE_DATE '${QUILLMOTH_RELEASE_DATE}' is not a date")
endif()
set(quillmoth_doc ${CMAKE_BINARY_DIR}/doc)
configure_file(${CMAKE_SOURCE_DIR}/assets/changelog.in ${quillmoth_doc}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/assets/copyright.in ${quillmoth_doc}/copyright @ONLY)
install(FILES ${quillmoth_doc}/copyright DESTINATION share/doc/quillmoth COMPONENT quillmoth)

# Man pages and the changelog, gzipped as Debian wants them (-9, no name or
# time stamp). Compressed while installing, so that packaging needs no build
# step besides the programs.
function(quillmoth_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(gz ${quillmoth_doc}/gz/${name}.gz)
  install(CODE "
    file(MAKE_DIRECTORY \"${quillmoth_doc}/gz\")
    execute_process(COMMAND gzip -9 -n -c \"${source}\"
      OUTPUT_FILE \"${gz}\" RESULT_VARIABLE gzip_status)
    if(NOT gzip_status EQUAL 0)
      message(FATAL_ERROR \"gzip of ${source} failed: \${gzip_status}\")
    endif()" COMPONENT quillmoth)
  install(FILES ${gz} DESTINATION ${destination} COMPONENT quillmoth)
endfunction()
foreach(program quillmoth quillmoth-get quillmoth-site)
  quillmoth_install_gzipped(${CMAKE_SOURCE_DIR}/docs/${program}.1 share/man/man1)
endforeach()
# A native package (no Debian revision): its changelog is changelog.gz.
quillmoth_install_gzipped(${quillmoth_doc}/changelog share/doc/quillmoth)

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
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMOTH_HOMEPAGE}")
# Libraries from dpkg-shlibdeps; ffmpeg is started as a program, so it is named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg")
# Qt's own dialogs in the desktop's language (qtbase_de.qm and the like).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# `package_source` would otherwise pack every build folder and .git.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build[^/]*/")

include(CPack)

# Everything the package installs that a build makes: scripts/package and
# the package test build this, so that a fresh build folder packs whole.
add_custom_target(package_files)
foreach(made quillmoth quillmoth-get quillmoth-site quillmoth_translations)
  if(TARGET ${made})
    add_dependencies(package_files ${made})
  endif()
endforeach()

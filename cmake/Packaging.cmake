# What an installed program brings besides itself (manuals, AppStream metadata, copyright and
# changelog), and the Debian package CPack builds from it: `make deb`.

set(VARNEL_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
set(VARNEL_PACKAGE_FILES ${PROJECT_BINARY_DIR}/package-files)
set(VARNEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/varnel)

# Packages needed beyond the libraries the binary links ("pkg (>= 1), other"): the MIDI
# synthesiser loads its General MIDI soundfont from this one at run time.
set(VARNEL_EXTRA_DEB_DEPENDS "timgm6mb-soundfont" CACHE STRING "Extra Depends entries of the Debian package, comma-separated")

# Manuals and changelog are installed compressed, as Debian wants them. -n keeps the file's name
# and time out of the archive, so the same source always gives the same bytes.
find_program(VARNEL_GZIP gzip REQUIRED)
configure_file(${VARNEL_RESOURCES}/debian/changelog.in ${VARNEL_PACKAGE_FILES}/debian-changelog @ONLY)
configure_file(${VARNEL_RESOURCES}/org.varnel.Varnel.metainfo.xml
  ${VARNEL_PACKAGE_FILES}/org.varnel.Varnel.metainfo.xml @ONLY)

set(varnel_compressed)
file(MAKE_DIRECTORY ${VARNEL_PACKAGE_FILES}/man/it ${VARNEL_PACKAGE_FILES}/man/es)
function(varnel_compress source output)
  string(REGEX REPLACE "\\.gz$" "" plain ${output})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${VARNEL_GZIP} -9nf ${plain}
    DEPENDS ${source}
    VERBATIM)
  set(varnel_compressed ${varnel_compressed} ${output} PARENT_SCOPE)
endfunction()

varnel_compress(${VARNEL_RESOURCES}/man/varnel.1 ${VARNEL_PACKAGE_FILES}/man/varnel.1.gz)
install(FILES ${VARNEL_PACKAGE_FILES}/man/varnel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
foreach(lang it es)
  varnel_compress(${VARNEL_RESOURCES}/man/${lang}/varnel.1 ${VARNEL_PACKAGE_FILES}/man/${lang}/varnel.1.gz)
  install(FILES ${VARNEL_PACKAGE_FILES}/man/${lang}/varnel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${lang}/man1)
endforeach()
varnel_compress(${VARNEL_PACKAGE_FILES}/debian-changelog ${VARNEL_PACKAGE_FILES}/changelog.gz)
add_custom_target(varnel_package_files ALL DEPENDS ${varnel_compressed})

install(FILES ${VARNEL_PACKAGE_FILES}/org.varnel.Varnel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VARNEL_RESOURCES}/debian/copyright DESTINATION ${VARNEL_DOC_DIR})
# The program is its own upstream, so its changelog is the Debian one, named as for such packages.
install(FILES ${VARNEL_PACKAGE_FILES}/changelog.gz DESTINATION ${VARNEL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Varnel developers")
set(CPACK_PACKAGE_CONTACT "Varnel developers <varnel@varnel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-only media player for screen reader users")
set(CPACK_PACKAGE_DESCRIPTION "Varnel plays the audio and video files and folders it is started with, one
after another, and is driven entirely from the keyboard. It says the elapsed
time in words, works with a screen reader, answers the keyboard's media keys
through MPRIS, lowers its volume while another window is in the foreground
and remembers where each file was left.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.varnel.org/")
# The libraries the binary links become Depends through dpkg-shlibdeps; the extra entries come first.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VARNEL_EXTRA_DEB_DEPENDS}")

include(CPack)

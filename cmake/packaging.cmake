# Installation layout and the Debian package.
#
# The program, the command-line tool, the image library, the help file and
# the network boot program live together in lib/menvolt/ (the program finds
# its library through its run path and its help file beside itself); the two
# programs are linked into bin/.
include(GNUInstallDirs)
set(MENVOLT_PKGDIR ${CMAKE_INSTALL_LIBDIR}/menvolt)

foreach(program menvolt menvolt-cli)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${program} RUNTIME DESTINATION ${MENVOLT_PKGDIR})
    install(CODE "
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(CREATE_LINK ../${MENVOLT_PKGDIR}/${program}
           \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
  endif()
endforeach()
if(TARGET menvolt_imagelib)
  install(TARGETS menvolt_imagelib LIBRARY DESTINATION ${MENVOLT_PKGDIR})
endif()
# Files the build leaves beside the programs: the help file and the network
# boot program, when those parts are built.
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/ DESTINATION ${MENVOLT_PKGDIR}
        FILES_MATCHING PATTERN "menvolt.chm" PATTERN "chain.0" PATTERN "chain.bin"
        PATTERN "menvolt.efi" PATTERN "menvolt-aa64.efi"
        PATTERN "CMakeFiles" EXCLUDE)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/menvolt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/menvolt.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/menvolt.1 ${CMAKE_SOURCE_DIR}/packaging/menvolt-cli.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/serving.md DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME menvolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Menvolt developers <menvolt@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Text-mode network boot menus for installation servers")
set(CPACK_PACKAGE_DESCRIPTION "Menvolt edits the boot menus that network-booted PCs show: each menu\n\
entry is a small real-mode loader with up to eight items, each of which boots\n\
a floppy or hard-disk image fetched by TFTP, or hands back to the hard drive.\n\
Includes a command-line tool, an image library for FAT boot images and a\n\
network boot program for plain PXE servers.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Shared-library dependencies (Qt 6 among them) are found by dpkg-shlibdeps;
# the dialog font is a data package it cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qemu-system-gui, openssl, sbsigntool, shim-signed, shim-helpers-amd64-signed")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qemu-system-x86, ipxe-qemu, ovmf, samba, tftpd-hpa, dnsmasq")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

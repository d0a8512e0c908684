# cpack builds a Debian package of the installed programs. The libraries they
# link come from dpkg-shlibdeps; what they load at run time is named here:
# Qt's SQLite driver for the procedure databases, Qt's Italian texts and the
# Arial-metric font the window's layout was drawn for.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aggiorna-abicab)
set(CPACK_PACKAGE_VENDOR "Corvanta")
set(CPACK_PACKAGE_CONTACT "Assistenza Corvanta <assistenza@corvanta.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Aggiornamento dei codici ABI/CAB di un'installazione Corvanta")
set(CPACK_PACKAGE_DESCRIPTION
  "Sostituisce nell'archivio procedura di un'installazione Corvanta i codici ABI e ABI/CAB\n\
da 1000 in su con quelli di Abicab.mdb, consegnato accanto al programma.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n, fonts-liberation2")
set(CPACK_STRIP_FILES ON)
include(CPack)

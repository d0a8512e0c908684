# cpack builds a Debian package of the installed programs. The libraries they
# link come from dpkg-shlibdeps (sqlite3, libpq and unixODBC for the procedure
# databases among them); what they load at run time is named here: Qt's
# Italian texts and the Arial-metric font the window's layout was drawn for,
# and, suggested, the ODBC drivers that profiles on ODBC or SQL Server need.
# The manual pages, the copyright and the changelog come from docs/.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aggiorna-abicab)
set(CPACK_PACKAGE_VENDOR "Corvanta")
set(CPACK_PACKAGE_CONTACT "Assistenza Corvanta <assistenza@corvanta.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Aggiornamento dei codici ABI/CAB di un'installazione Corvanta")
set(CPACK_PACKAGE_DESCRIPTION
  "Sostituisce nell'archivio procedura di un'installazione Corvanta i codici\n\
ABI e ABI/CAB da 1000 in su con quelli di Abicab.mdb, il file dei codici che\n\
l'amministratore mette in /var/lib/corvanta-abicab: il pacchetto non contiene\n\
codici.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, odbc-mariadb, tdsodbc")
set(CPACK_STRIP_FILES ON)
include(CPack)

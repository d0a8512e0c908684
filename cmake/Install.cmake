# Where the installed programs live: a folder of their own, since the update
# reads Abicab.mdb from the folder of the running program.
include(GNUInstallDirs)
set(CORVANTA_PROGRAM_DIR lib/corvanta-abicab)

# A link on the PATH to a program of that folder. The program finds its
# folder through the link's target, so Abicab.mdb is still found.
function(corvanta_install_launcher program)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    message(STATUS \"Installing: \${link}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${CORVANTA_PROGRAM_DIR}/${program} \"\${link}\" SYMBOLIC)
  ")
endfunction()

# Abicab.mdb is the administrator's file, not the package's: it lies in a
# folder the package manager creates and never writes into, so that neither
# an upgrade nor a removal touches the codes, and the program's folder, where
# the update reads it, holds a link to it. The link crosses into /var, so it
# is absolute, as Debian wants.
set(CORVANTA_CODES_DIR /var/lib/corvanta-abicab)
install(DIRECTORY DESTINATION ${CORVANTA_CODES_DIR})
install(CODE "
  set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CORVANTA_PROGRAM_DIR}\")
  message(STATUS \"Installing: \${folder}/Abicab.mdb -> ${CORVANTA_CODES_DIR}/Abicab.mdb\")
  file(MAKE_DIRECTORY \"\${folder}\")
  file(CREATE_LINK ${CORVANTA_CODES_DIR}/Abicab.mdb \"\${folder}/Abicab.mdb\" SYMBOLIC)
")

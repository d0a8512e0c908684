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

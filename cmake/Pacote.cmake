# The workstation's Debian package: what `cmake --install` puts where, and
# CPack's DEB settings. `scripts/pacote.sh` builds it (orlavane_<version>_<arch>.deb)
# and checks it with lintian.
#
# An installed workstation (prefix /usr):
#   /usr/lib/orlavane/                 the program's folder: the executables below,
#     zeb_Parametros_Orlavane.zeb -> /etc/orlavane/zeb_Parametros_Orlavane.zeb
#   /usr/bin/<program>                 -> ../lib/orlavane/<program>, for the PATH
#   /etc/orlavane/zeb_Parametros_Orlavane.zeb   the company's parameters, a conffile
#   /usr/share/applications/orlavane.desktop, /usr/share/icons/hicolor/scalable/apps/orlavane.svg
#   /usr/share/man/man1/<program>.1.gz, /usr/share/doc/orlavane/ (copyright,
#     changelog.gz, examples/Orlavane.zeb)
#
# The programs read their files from the folder of their executable, which Qt
# finds through /proc/self/exe, so through the /usr/bin links: the parameters
# file is found beside the executable, as in a build folder, and dpkg keeps the
# company's edits of the real one in /etc on every upgrade. No Orlavane.zeb is
# installed: it holds passwords, so each operator keeps his own in
# ~/.config/tarnix (see the README).
#
# Adding a program to the package is one line in ORLAVANE_PACOTE_PROGRAMAS
# below (the target's name); a manual page pacote/man/<program>.1, when there
# is one, goes with it.

set(ORLAVANE_PACOTE_PROGRAMAS
    orlavane
    orlavane-demo
    orlavane-integridade
    orlavane-guia)

set(ORLAVANE_PACOTE_VERSAO "" CACHE STRING "Version of the Debian package (empty: the project's)")
if(ORLAVANE_PACOTE_VERSAO)
  set(ORLAVANE_VERSAO_PACOTE ${ORLAVANE_PACOTE_VERSAO})
else()
  set(ORLAVANE_VERSAO_PACOTE ${PROJECT_VERSION})
endif()
set(ORLAVANE_PACOTE_RESPONSAVEL "Orlavane developers <orlavane@example.com>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")

include(GNUInstallDirs)
set(ORLAVANE_PASTA_PROGRAMA lib/orlavane)
# /etc/orlavane for the prefix /usr (the package's); <prefix>/etc/orlavane otherwise.
set(ORLAVANE_PASTA_ETC ${CMAKE_INSTALL_FULL_SYSCONFDIR}/orlavane)
set(ORLAVANE_PACOTE_FONTES ${PROJECT_SOURCE_DIR}/pacote)
# Links and compressed files made at configure time, installed from here.
set(ORLAVANE_PACOTE_GERADOS ${PROJECT_BINARY_DIR}/pacote)
file(MAKE_DIRECTORY ${ORLAVANE_PACOTE_GERADOS}/bin ${ORLAVANE_PACOTE_GERADOS}/man)

# gzip -9n (no name, no time stamp), as Debian wants its documents compressed.
function(orlavane_pacote_gzip origem destino)
  execute_process(COMMAND gzip -9nc ${origem} OUTPUT_FILE ${destino} RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "gzip ${origem} failed")
  endif()
endfunction()

# One program: its executable in the program's folder, a link to it on the
# PATH, its manual page if it has one.
function(orlavane_pacote_programa alvo)
  install(TARGETS ${alvo} RUNTIME DESTINATION ${ORLAVANE_PASTA_PROGRAMA})
  file(CREATE_LINK ../${ORLAVANE_PASTA_PROGRAMA}/${alvo} ${ORLAVANE_PACOTE_GERADOS}/bin/${alvo} SYMBOLIC)
  install(FILES ${ORLAVANE_PACOTE_GERADOS}/bin/${alvo} DESTINATION bin)
  if(EXISTS ${ORLAVANE_PACOTE_FONTES}/man/${alvo}.1)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${ORLAVANE_PACOTE_FONTES}/man/${alvo}.1)
    orlavane_pacote_gzip(${ORLAVANE_PACOTE_FONTES}/man/${alvo}.1 ${ORLAVANE_PACOTE_GERADOS}/man/${alvo}.1.gz)
    install(FILES ${ORLAVANE_PACOTE_GERADOS}/man/${alvo}.1.gz DESTINATION share/man/man1)
  endif()
endfunction()

foreach(alvo ${ORLAVANE_PACOTE_PROGRAMAS})
  orlavane_pacote_programa(${alvo})
endforeach()
# Builds just the packaged programs (scripts/pacote.sh).
add_custom_target(orlavane-pacote-programas)
add_dependencies(orlavane-pacote-programas ${ORLAVANE_PACOTE_PROGRAMAS})

# The parameters file: the real one in /etc (a conffile), a link to it in the
# program's folder, where the program reads it.
install(FILES ${ORLAVANE_PACOTE_FONTES}/zeb_Parametros_Orlavane.zeb DESTINATION ${ORLAVANE_PASTA_ETC})
file(CREATE_LINK ${ORLAVANE_PASTA_ETC}/zeb_Parametros_Orlavane.zeb
     ${ORLAVANE_PACOTE_GERADOS}/zeb_Parametros_Orlavane.zeb SYMBOLIC)
install(FILES ${ORLAVANE_PACOTE_GERADOS}/zeb_Parametros_Orlavane.zeb DESTINATION ${ORLAVANE_PASTA_PROGRAMA})
file(WRITE ${ORLAVANE_PACOTE_GERADOS}/conffiles "${ORLAVANE_PASTA_ETC}/zeb_Parametros_Orlavane.zeb\n")

# The menu entry and its icon.
install(FILES ${ORLAVANE_PACOTE_FONTES}/orlavane.desktop DESTINATION share/applications)
install(FILES ${ORLAVANE_PACOTE_FONTES}/orlavane.svg DESTINATION share/icons/hicolor/scalable/apps)

# Documents: copyright, the package's changelog (this version, dated now or
# at SOURCE_DATE_EPOCH), the example configuration.
string(TIMESTAMP ORLAVANE_PACOTE_DATA "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${ORLAVANE_PACOTE_FONTES}/changelog.in ${ORLAVANE_PACOTE_GERADOS}/changelog @ONLY)
orlavane_pacote_gzip(${ORLAVANE_PACOTE_GERADOS}/changelog ${ORLAVANE_PACOTE_GERADOS}/changelog.gz)
install(FILES ${ORLAVANE_PACOTE_FONTES}/copyright ${ORLAVANE_PACOTE_GERADOS}/changelog.gz
        DESTINATION share/doc/orlavane)
install(FILES ${ORLAVANE_PACOTE_FONTES}/Orlavane.zeb DESTINATION share/doc/orlavane/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orlavane)
set(CPACK_PACKAGE_VERSION ${ORLAVANE_VERSAO_PACOTE})
set(CPACK_PACKAGE_VENDOR "Orlavane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "satisfy pending customer orders in the ERP")
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orlavane is a desktop tool for the ERP workstation: the operator picks a
client, loads that client's pending order lines into a grid, ticks lines,
types the quantity to satisfy and makes an entry document and a delivery
document (the Guia) whose lines point back at the order lines they satisfy.
It works on a PostgreSQL company database shared by several workstations or
on an embedded SQLite demo company (orlavane-demo makes one).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORLAVANE_PACOTE_RESPONSAVEL})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the executables link come from dpkg-shlibdeps; Qt loads the
# database drivers and the X11 platform plugin at run time, which it cannot
# see, and the printed Guia is laid out in DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ORLAVANE_PACOTE_GERADOS}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

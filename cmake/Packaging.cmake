# The Debian package: `make package` (or `cpack` in the build folder) writes korvel_<version>_<arch>.deb
# with both programs, the desktop entry, the icons, the AppStream metadata, the case file type and the
# manual pages, installed under /usr.
set(KORVEL_PACKAGE_MAINTAINER "Korvel developers <korvel@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvel developers")
set(CPACK_PACKAGE_CONTACT "${KORVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps (Qt's X11 platform plugin comes with
# libqt6gui6); Qt's Wayland plugin, loaded at run time in a Wayland session, is recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs (buttons of the questions, file dialogs) speak Russian only with Qt's translations;
# CPack adds the libraries dpkg-shlibdeps finds after this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line is the summary; the rest is the long description, in English and then in Russian.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "simulator of a curved continuous billet-casting machine
Korvel follows one cross-section of a steel billet from the meniscus through the
mould, the four spray sections and the air-cooled run of a curved (radial)
continuous casting machine. It computes the temperature field of the section,
its solidification and the redistribution of sulphur and carbon, and shows the
isotherms, a schematic of the machine, the temperature history and 3-D charts
of the sulphur and carbon distribution. korvel-batch runs the model without
windows.

Korvel — моделирование машины непрерывного литья заготовок радиального типа.
Программа прослеживает одно сечение стальной заготовки от мениска через
кристаллизатор, четыре секции зоны вторичного охлаждения и участок воздушного
охлаждения, рассчитывает температурное поле сечения, его затвердевание и
перераспределение серы и углерода и показывает изотермы, схему машины,
изменение температуры и трехмерные графики распределения серы и углерода.
korvel-batch выполняет расчет без окон.")

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

include(CPack)

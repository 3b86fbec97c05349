# What `cmake --install` puts beside the programs (manual pages, shell completion, desktop metadata,
# the copyright file) and the Debian package that `cpack -G DEB` (scripts/package) builds from it.
# Included at the end of the top-level CMakeLists.txt, so that every program target already exists.
include(GNUInstallDirs)

set(SERVODESK_APP_ID "org.example.servodesk" CACHE STRING "AppStream component ID of the window")

# servoctl ships with its manual page and completion once its target is part of the build.
set(SERVODESK_PROGRAMS servodesk)
if(TARGET servoctl)
  list(APPEND SERVODESK_PROGRAMS servoctl)
endif()

# Debian wants manual pages and the change log compressed, reproducibly (no name, no time stamp).
set(compressed_files)
function(servodesk_compress source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND gzip -9nc "${CMAKE_CURRENT_SOURCE_DIR}/${source}" > "${output}"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${source}"
    VERBATIM)
  set(compressed_files ${compressed_files} "${output}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/man")
foreach(program IN LISTS SERVODESK_PROGRAMS)
  servodesk_compress(packaging/${program}.1 "${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()
servodesk_compress(packaging/changelog "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz")
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/servodesk")
add_custom_target(compressed_documents ALL DEPENDS ${compressed_files})

# The AppStream record names the web site the build names, and the programs the package provides.
set(SERVODESK_PROVIDED_BINARIES "")
foreach(program IN LISTS SERVODESK_PROGRAMS)
  string(APPEND SERVODESK_PROVIDED_BINARIES "    <binary>${program}</binary>\n")
endforeach()
configure_file(packaging/servodesk.metainfo.xml.in "${SERVODESK_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${SERVODESK_APP_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")

# Debian's copyright file: the project's own terms (GPL-3.0+, whose full text Debian keeps in
# /usr/share/common-licenses), then those of code compiled in.
file(READ packaging/copyright.in copyright)
if(TARGET servoctl)
  file(READ packaging/copyright-servoctl servoctl_copyright)
  string(APPEND copyright "${servoctl_copyright}")
endif()
file(CONFIGURE OUTPUT copyright CONTENT "${copyright}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  packaging/copyright.in packaging/copyright-servoctl)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/copyright" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/servodesk")

if(TARGET servoctl)
  install(FILES packaging/servoctl.bash-completion
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions" RENAME servoctl)
endif()

# The Debian package. Its runtime dependencies are read from the programs by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME servodesk)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${SERVODESK_PUBLISHER} <servodesk@example.org>" CACHE STRING
  "Maintainer of the Debian package")
# Each package's description: its summary on the first line, then the extended description, which
# CPack indents; paragraphs are separated by an empty line.
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
  "set up, test and monitor serial bus servos
ServoDesk is a desktop tool for people who build robots. With a USB serial
adapter and servos on its bus, it finds a servo, reads and changes its stored
settings (ID, position offset, angle and voltage limits, maximum temperature,
LED and its alarms), moves it, spins it as a motor, switches its power and
shows its temperature, voltage and position live on gauges.

The interface is in English, Simplified Chinese and Traditional Chinese. A
built-in virtual servo (servodesk --demo) lets every page be tried without
hardware.")
if(TARGET servoctl)
  string(APPEND CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "

The package also holds servoctl, which scans a bus, reads, saves and
restores the settings of many servos, drives them and records their state
from a terminal, for headless robots and scripts.")
endif()
set(CPACK_DEBIAN_PACKAGE_NAME servodesk)
# One package per install component: servodesk holds every file installed without a component (the
# window, servoctl and their documents), python3-servodesk the Python module.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME servodesk)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SERVODESK_WEBSITE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese texts need a CJK font; without one they show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
if(TARGET _servodesk)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-servodesk)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "")
  # The module is built for the one Python 3 version of the build machine.
  math(EXPR python_next_minor "${Python_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${python_next_minor})")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Python 3 module for serial bus servos (ServoDesk)
The module servodesk gives Python scripts the bus of ServoDesk, a tool for
people who build robots: scans, grouped reads and moves of many servos, servos
by name from a robot file, stored settings changed with a backup and read
back, and motion files played with a hold of every servo on Ctrl-C. Failures
are exceptions that name the servo and what was asked.

A built-in virtual bus (servodesk.Bus.demo()) lets scripts be tried without
hardware. Type stubs are included.")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    "${CMAKE_CURRENT_SOURCE_DIR}/packaging/python3-servodesk/postinst;${CMAKE_CURRENT_SOURCE_DIR}/packaging/python3-servodesk/prerm")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/copyright" "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-servodesk" COMPONENT python)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

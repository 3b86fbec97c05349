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
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up, test and monitor serial bus servos")
# The extended description: CPack puts the summary above it and indents it; paragraphs are
# separated by an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "ServoDesk is a desktop tool for people who build robots. With a USB serial
adapter and servos on its bus, it finds a servo, reads and changes its stored
settings (ID, position offset, angle and voltage limits, maximum temperature,
LED and its alarms), moves it, spins it as a motor, switches its power and
shows its temperature, voltage and position live on gauges.

The interface is in English, Simplified Chinese and Traditional Chinese. A
built-in virtual servo (servodesk --demo) lets every page be tried without
hardware.")
if(TARGET servoctl)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "

The package also holds servoctl, which scans a bus, reads, saves and
restores the settings of many servos, drives them and records their state
from a terminal, for headless robots and scripts.")
endif()
set(CPACK_DEBIAN_PACKAGE_NAME servodesk)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SERVODESK_WEBSITE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese texts need a CJK font; without one they show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

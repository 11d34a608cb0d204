# The Debian package (cpack -G DEB): the files `cmake --install` puts under /usr, the
# dependencies found by dpkg-shlibdeps, and the documents every Debian package carries.

set(CORVALET_MAINTAINER "The Corvalet Project <corvalet@example.org>" CACHE STRING
    "The Maintainer field of the Debian package")

# /usr/share/doc/corvalet: the copyright file and the compressed changelog.
set(docFolder "${CMAKE_INSTALL_DATADIR}/doc/corvalet")
install(FILES "${PROJECT_SOURCE_DIR}/data/debian/copyright" DESTINATION "${docFolder}")
set(changelog "${CMAKE_BINARY_DIR}/data/changelog.gz")
add_custom_command(
    OUTPUT "${changelog}"
    COMMAND gzip -9 -n -c "${PROJECT_SOURCE_DIR}/data/debian/changelog" > "${changelog}"
    DEPENDS "${PROJECT_SOURCE_DIR}/data/debian/changelog"
    COMMENT "The package's changelog"
    VERBATIM)
set(manualPage "${CMAKE_BINARY_DIR}/data/corvalet.1.gz")
add_custom_command(
    OUTPUT "${manualPage}"
    COMMAND gzip -9 -n -c "${PROJECT_SOURCE_DIR}/data/corvalet.1" > "${manualPage}"
    DEPENDS "${PROJECT_SOURCE_DIR}/data/corvalet.1"
    COMMENT "The manual page"
    VERBATIM)
add_custom_target(corvalet_changelog ALL DEPENDS "${changelog}" "${manualPage}")
install(FILES "${changelog}" DESTINATION "${docFolder}")
install(FILES "${manualPage}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/data/debian/corvalet.lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME corvalet)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvalet)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Corvalet Project")
set(CPACK_PACKAGE_CONTACT "${CORVALET_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVALET_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CORVALET_PACKAGE_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "send a prepared e-mail message on a schedule
Corvalet sends one prepared e-mail message to a list of recipients on a
schedule. It stays resident with an icon in the notification area, from
which its configuration window opens. Each recipient has a time of day, a
frequency and a distribution (blind copy or copy); the message has a subject,
an HTML or plain text body from a file, an optional attachment and a
priority, and goes out through an SMTP server of your choice.")
include(CPack)

# SPDX-License-Identifier: MIT
# Install rules for the product and the Debian package that CPack builds from them.
# The product's files form the install component "veltrane", the only one that CPack packs:
# tests, benchmarks and democrm are never packed.

# A package without the program or its helpers would not work.
if(NOT TARGET veltrane OR NOT TARGET helper_addr OR NOT TARGET helper_date OR NOT TARGET helper_task
   OR NOT TARGET helper_note)
    return()
endif()

# The program looks for its helpers and its user guide in its own folder, so all three live
# together: on Linux in a private folder, with only a link to the program in /usr/bin; on Windows in
# the program's folder under Program Files, with the DLLs and plugins of Qt beside them.
if(WIN32)
    set(VELTRANE_INSTALL_PROGRAM_DIR .)
else()
    set(VELTRANE_INSTALL_PROGRAM_DIR lib/veltrane)
endif()
install(TARGETS veltrane helper_addr helper_date helper_task helper_note
    RUNTIME DESTINATION ${VELTRANE_INSTALL_PROGRAM_DIR} COMPONENT veltrane)
install(FILES ${PROJECT_SOURCE_DIR}/docs/UserGuide.html
    DESTINATION ${VELTRANE_INSTALL_PROGRAM_DIR} COMPONENT veltrane)
if(WIN32)
    veltrane_install_windows_runtime(${VELTRANE_INSTALL_PROGRAM_DIR} veltrane)
endif()

if(UNIX AND NOT APPLE)
    # Relative, so that it points into the same tree wherever the package is staged.
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
    file(CREATE_LINK ../${VELTRANE_INSTALL_PROGRAM_DIR}/veltrane ${CMAKE_CURRENT_BINARY_DIR}/packaging/veltrane
        SYMBOLIC)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/veltrane DESTINATION bin COMPONENT veltrane)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.desktop
        DESTINATION share/applications COMPONENT veltrane)
    install(FILES ${PROJECT_SOURCE_DIR}/app/gui/resources/logo.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME veltrane.svg COMPONENT veltrane)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/veltrane.metainfo.xml
        DESTINATION share/metainfo RENAME org.quorvel.veltrane.metainfo.xml COMPONENT veltrane)
endif()

set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel Support <support@quorvel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "removes duplicate records from a SugarCRM server")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.quorvel.com/veltrane")
# The "veltrane" component alone, whatever install rules other folders add.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};veltrane;/")
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME veltrane)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # CPack puts the summary first and indents these lines as the long description.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Veltrane signs in to a SugarCRM (or SuiteCRM) server, finds the duplicate\n"
        "contacts, calendar events or tasks by configurable rules, shows the redundant\n"
        "copies for review and deletes the ticked ones, keeping the newest record of\n"
        "each set. Helper programs do the network work over the SugarCRM REST API v4_1.")
    string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
endif()

include(CPack)

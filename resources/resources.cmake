# Resources: qrc (skin, icon), version header, Windows resource script, desktop integration.

# tolvane_core lists the .qrc among its sources; rcc compiles it.
set(CMAKE_AUTORCC ON)
set(TOLVANE_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TOLVANE_APP_ID io.github.brevandel.tolvane)

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/tolvane_version.h @ONLY)

set(TOLVANE_RESOURCE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tolvane.qrc
    ${CMAKE_CURRENT_BINARY_DIR}/tolvane_version.h)

set(TOLVANE_WIN_RC "")
if(WIN32)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tolvane.rc @ONLY)
    set(TOLVANE_WIN_RC ${CMAKE_CURRENT_BINARY_DIR}/tolvane.rc)
endif()

# Menu entry, AppStream metadata and the hicolor icons (freedesktop systems only).
function(tolvane_install_desktop_files)
    if(WIN32 OR APPLE)
        return()
    endif()
    include(GNUInstallDirs)
    install(FILES ${TOLVANE_RESOURCES_DIR}/desktop/${TOLVANE_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${TOLVANE_RESOURCES_DIR}/desktop/${TOLVANE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 22 24 32 48 64)
        install(FILES ${TOLVANE_RESOURCES_DIR}/icons/tolvane-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME tolvane.png)
    endforeach()
    install(FILES ${TOLVANE_RESOURCES_DIR}/icons/tolvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
endfunction()

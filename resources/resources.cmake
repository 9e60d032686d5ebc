# Resources: qrc (skin, icon), version header, Windows resource script, desktop integration.
# tolvane_core lists the .qrc among its sources; rcc compiles it.
set(CMAKE_AUTORCC ON)
set(TOLVANE_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/tolvane_version.h @ONLY)

set(TOLVANE_RESOURCE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tolvane.qrc
    ${CMAKE_CURRENT_BINARY_DIR}/tolvane_version.h)

set(TOLVANE_WIN_RC "")
if(WIN32)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tolvane.rc @ONLY)
    set(TOLVANE_WIN_RC ${CMAKE_CURRENT_BINARY_DIR}/tolvane.rc)
endif()

function(tolvane_install_desktop_files)
endfunction()

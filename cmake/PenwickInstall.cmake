# `cmake --install` lays the programs out as the build tree does (bin/, lib/, share/penwick/)
# and adds what the desktop needs to find Penwick: its entry, icon and AppStream metadata.
include(GNUInstallDirs)
install(TARGETS Penwick PenwickMini penwick-render RUNTIME DESTINATION bin)
install(TARGETS PenwickCore LIBRARY DESTINATION lib)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/ DESTINATION share/penwick)
# The command people type; the program keeps its name beside PenwickMini, which starts it.
install(CODE "file(CREATE_LINK Penwick \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/penwick\" SYMBOLIC)")

set(PENWICK_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/app/desktop)
install(FILES ${PENWICK_DESKTOP_DIR}/org.penwick.Penwick.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PENWICK_DESKTOP_DIR}/org.penwick.Penwick.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${PENWICK_DESKTOP_DIR}/org.penwick.Penwick.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# What `cmake --install` puts where. Paths follow GNUInstallDirs, so the
# default prefix /usr/local and a distribution's /usr both come out right.
include(GNUInstallDirs)

set(_pack ${CMAKE_SOURCE_DIR}/packaging)

if(TARGET lumivex)
  install(TARGETS lumivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Settings entry for menus, and the hidden entry that opens message files.
install(FILES ${_pack}/lumivex.desktop ${_pack}/lumivex-open.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pack}/lumivex-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME lumivex.xml)
install(FILES ${_pack}/lumivex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# XScreenSaver's settings program lists every description file in this folder.
install(FILES ${_pack}/lumivex.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${_pack}/lumivex.6
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The machine-wide data folder; the help buttons open help/index.html there.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/help/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumivex/help)

# A direct install (no DESTDIR) should work at once: the desktop would not know
# the new file type, its opener or the icon until these caches are rebuilt.
# Packages leave this to their own triggers, and staged installs skip it.
option(LUMIVEX_INSTALL_UPDATE_CACHES
       "Refresh the MIME, desktop-entry and icon caches after a direct install" ON)
if(LUMIVEX_INSTALL_UPDATE_CACHES)
  # The prefix may change at install time (--prefix), so join it then.
  install(CODE "set(_lv_datadir \"${CMAKE_INSTALL_DATADIR}\")")
  install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "")
      if(IS_ABSOLUTE "${_lv_datadir}")
        set(_share "${_lv_datadir}")
      else()
        set(_share "${CMAKE_INSTALL_PREFIX}/${_lv_datadir}")
      endif()
      find_program(_lv_mime update-mime-database)
      find_program(_lv_desktop update-desktop-database)
      find_program(_lv_icons gtk-update-icon-cache)
      if(_lv_mime)
        execute_process(COMMAND "${_lv_mime}" "${_share}/mime")
      endif()
      if(_lv_desktop)
        execute_process(COMMAND "${_lv_desktop}" -q "${_share}/applications")
      endif()
      # Only where a theme index exists; the tool refuses a bare folder.
      if(_lv_icons AND EXISTS "${_share}/icons/hicolor/index.theme")
        execute_process(COMMAND "${_lv_icons}" -q -t -f "${_share}/icons/hicolor")
      endif()
    endif()
  ]])
endif()

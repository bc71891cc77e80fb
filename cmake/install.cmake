# What `cmake --install` puts where. Paths follow GNUInstallDirs, so the
# default prefix /usr/local and a distribution's /usr both come out right.
include(GNUInstallDirs)

set(_pack ${CMAKE_SOURCE_DIR}/packaging)

if(TARGET lumivex)
  install(TARGETS lumivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The modules the program loads when first needed (GTK, sounds, TLS, GIO),
# where it looks for them: <libdir>/lumivex beside its bin folder.
get_property(_lv_modules GLOBAL PROPERTY LUMIVEX_MODULES)
if(_lv_modules)
  install(TARGETS ${_lv_modules} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/lumivex)
endif()

# Settings entry for menus, and the hidden entry that opens message files.
install(FILES ${_pack}/lumivex.desktop ${_pack}/lumivex-open.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The MATE and Xfce screen-saver managers list the entries of this folder.
install(FILES ${_pack}/lumivex-saver.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers
        RENAME lumivex.desktop)
install(FILES ${_pack}/lumivex-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME lumivex.xml)
install(FILES ${_pack}/lumivex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# XScreenSaver's settings program lists every description file of one folder
# fixed when it was built, /usr/share/xscreensaver/config on the
# distributions, whatever prefix Lumivex is installed under. A staged install
# (DESTDIR) puts it below the stage like everything else; a direct install
# that may not write there (a per-user prefix) says so and goes on.
set(LUMIVEX_XSCREENSAVER_CONFIG_DIR "/usr/share/xscreensaver/config" CACHE PATH
    "Folder whose description files XScreenSaver's settings program reads")
install(CODE "set(_lv_xs_dir \"${LUMIVEX_XSCREENSAVER_CONFIG_DIR}\")
              set(_lv_xs_file \"${_pack}/lumivex.xml\")")
install(CODE [[
  if(IS_ABSOLUTE "${_lv_xs_dir}")
    set(_lv_xs_target "$ENV{DESTDIR}${_lv_xs_dir}")
  else()
    set(_lv_xs_target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${_lv_xs_dir}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E make_directory "${_lv_xs_target}"
                  RESULT_VARIABLE _lv_xs_failed OUTPUT_QUIET ERROR_QUIET)
  if(NOT _lv_xs_failed)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${_lv_xs_file}" "${_lv_xs_target}/lumivex.xml"
                    RESULT_VARIABLE _lv_xs_failed OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(_lv_xs_failed)
    message(WARNING "The XScreenSaver description could not be written to ${_lv_xs_target}; "
                    "copy ${_lv_xs_file} there (as root) to list Lumivex in xscreensaver-settings.")
  else()
    message(STATUS "Installing: ${_lv_xs_target}/lumivex.xml")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_lv_xs_target}/lumivex.xml")
  endif()
]])
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

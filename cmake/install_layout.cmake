# SPDX-License-Identifier: GPL-3.0-or-later
# Where `cmake --install` puts everything: the programs in bin, the tracker list, the
# organisation table and this system's helper scripts in share/nattervane (where the programs and
# nv-install.sh look for them), and on Linux the desktop entry, icons, AppStream metainfo, shell
# completions, man pages and the Debian documentation files.
set(NATTERVANE_SHARE ${CMAKE_INSTALL_DATADIR}/nattervane)
foreach(program nattervane-cli nattervane nattervane-helper)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
                               BUNDLE DESTINATION .)
  endif()
endforeach()
install(FILES resources/trackers.txt resources/orgs.txt DESTINATION ${NATTERVANE_SHARE})
if(APPLE)
  set(NATTERVANE_HELPER_SOURCE system/macos)
  set(NATTERVANE_HELPER_EXTRA_SCRIPTS)
else()
  set(NATTERVANE_HELPER_SOURCE system/linux)
  set(NATTERVANE_HELPER_EXTRA_SCRIPTS ${NATTERVANE_HELPER_SOURCE}/nv-dns.sh)
endif()
install(FILES ${NATTERVANE_HELPER_SOURCE}/nv-install.sh ${NATTERVANE_HELPER_SOURCE}/nv-uninstall.sh
              ${NATTERVANE_HELPER_EXTRA_SCRIPTS}
        DESTINATION ${NATTERVANE_SHARE}/helper
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                    WORLD_EXECUTE)
# The units are installed where systemd reads them, below; on Linux no unit template lies beside
# nv-install.sh, which tells it that it runs from an installation rather than a source tree.
install(DIRECTORY ${NATTERVANE_HELPER_SOURCE}/ DESTINATION ${NATTERVANE_SHARE}/helper
        FILES_MATCHING PATTERN "*.plist" PATTERN "*.conf")

if(APPLE)
  return()
endif()

set(NATTERVANE_GENERATED ${CMAKE_BINARY_DIR}/generated)
install(FILES resources/linux/nattervane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The polkit actions name the installed scripts, so pkexec shows their own message. The path is
# filled in at install time, since the prefix may be given only then (cmake --install --prefix).
install(CODE "
  set(NATTERVANE_HELPER_SCRIPTS \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/nattervane/helper\")
  configure_file(${CMAKE_SOURCE_DIR}/resources/linux/app.orvelle.nattervane.policy.in
                 ${NATTERVANE_GENERATED}/app.orvelle.nattervane.policy @ONLY)")
install(FILES ${NATTERVANE_GENERATED}/app.orvelle.nattervane.policy
        DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
# The systemd units name the installed helper and scripts, filled in at install time like the
# policy; they read /etc/nattervane/helper.conf, which nv-install.sh writes.
file(GLOB NATTERVANE_UNITS ${NATTERVANE_HELPER_SOURCE}/*.service ${NATTERVANE_HELPER_SOURCE}/*.path)
set(NATTERVANE_UNIT_FILES)
foreach(unit ${NATTERVANE_UNITS})
  get_filename_component(name ${unit} NAME)
  install(CODE "
    set(HELPER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nattervane-helper\")
    set(SCRIPTS \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/nattervane/helper\")
    set(LISTED \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/nattervane/trackers.txt\")
    configure_file(${unit} ${NATTERVANE_GENERATED}/units/${name} @ONLY)")
  list(APPEND NATTERVANE_UNIT_FILES ${NATTERVANE_GENERATED}/units/${name})
endforeach()
install(FILES ${NATTERVANE_UNIT_FILES} DESTINATION lib/systemd/system)
configure_file(resources/linux/app.orvelle.nattervane.metainfo.xml
               ${NATTERVANE_GENERATED}/app.orvelle.nattervane.metainfo.xml @ONLY)
install(FILES ${NATTERVANE_GENERATED}/app.orvelle.nattervane.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/icons/nattervane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES resources/icons/nattervane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME nattervane.png)
endforeach()

# Shell completions of nattervane-cli where bash-completion, zsh and fish look for them.
set(completions resources/completions)
install(FILES ${completions}/nattervane-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME nattervane-cli)
install(FILES ${completions}/_nattervane-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${completions}/nattervane-cli.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# Man pages and the changelog are installed compressed, as Debian expects (gzip -9n: no name or
# time stamp, so the package is reproducible).
function(nattervane_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
set(man_outputs)
foreach(page nattervane.1 nattervane-cli.1 nattervane-helper.8)
  string(REGEX REPLACE ".*\\." "" section ${page})
  configure_file(docs/man/${page} ${NATTERVANE_GENERATED}/man/${page} @ONLY)
  nattervane_gzip(${NATTERVANE_GENERATED}/man/${page} ${NATTERVANE_GENERATED}/man/${page}.gz)
  list(APPEND man_outputs ${NATTERVANE_GENERATED}/man/${page}.gz)
  install(FILES ${NATTERVANE_GENERATED}/man/${page}.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
nattervane_gzip(${CMAKE_SOURCE_DIR}/docs/changelog ${NATTERVANE_GENERATED}/changelog.gz)
add_custom_target(nattervane_docs ALL DEPENDS ${man_outputs} ${NATTERVANE_GENERATED}/changelog.gz)
set(NATTERVANE_DOC ${CMAKE_INSTALL_DATADIR}/doc/nattervane)
install(FILES ${NATTERVANE_GENERATED}/changelog.gz docs/copyright DESTINATION ${NATTERVANE_DOC})
install(FILES resources/linux/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME nattervane)

# Where `cmake --install` (and so the package) puts TIKo3. Each program finds its data from its
# own place: <prefix>/bin/LumClient reads ../share/TIKo3, and TIKO3SCR, which sits with
# xscreensaver's hacks, reads ../../share/TIKo3.

include(GNUInstallDirs)

set(TIKO3_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/TIKo3)
# xscreensaver puts this directory on the path of the hacks it runs (Debian:
# /usr/libexec/xscreensaver), so "TIKO3SCR --root" works as a programs: line.
set(TIKO3_INSTALL_HACKDIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
# libNtpLib.so serves TIKO3SCR alone: a directory of its own keeps it off the loader's search
# path, so it needs no SONAME and no package of its own.
set(TIKO3_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tiko3)

install(TARGETS LumClient RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS TIKO3SCR RUNTIME DESTINATION ${TIKO3_INSTALL_HACKDIR})
install(TARGETS NtpLib LIBRARY DESTINATION ${TIKO3_INSTALL_PRIVATE_LIBDIR})
# LumClient's desktop program, which LumClient loads from there (shell/main.cpp).
install(TARGETS LumClientDesktop LIBRARY DESTINATION ${TIKO3_INSTALL_PRIVATE_LIBDIR})

# TIKO3SCR finds its library from its own place, installed, unpacked or moved alike (no file
# capability puts the loader into secure mode, which would ignore $ORIGIN).
file(RELATIVE_PATH tiko3_hack_to_lib ${CMAKE_INSTALL_FULL_LIBEXECDIR}/xscreensaver
     ${CMAKE_INSTALL_FULL_LIBDIR}/tiko3)
set_target_properties(TIKO3SCR PROPERTIES INSTALL_RPATH "\$ORIGIN/${tiko3_hack_to_lib}")
# RUNPATH rather than RPATH, so LD_LIBRARY_PATH still wins for an unprivileged run.
target_link_options(TIKO3SCR PRIVATE -Wl,--enable-new-dtags)

# The polkit rule that lets the group tiko3 set the clock through the time service.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tiko3.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/rules.d
        RENAME 50-tiko3.rules)

# The files LumClient seeds its working directory with, and the font aliases both programs load.
# A name not (yet) in data/ is left out; the glob makes the build notice when one arrives.
set(TIKO3_SEEDED_FILES "세계시간표.txt" TIKo.hlp tick.wav emile.wav frame.bmp)
file(GLOB tiko3_data_files CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/data ${CMAKE_SOURCE_DIR}/data/*)
set(tiko3_missing)
foreach(name IN LISTS TIKO3_SEEDED_FILES)
  if(name IN_LIST tiko3_data_files)
    install(FILES ${CMAKE_SOURCE_DIR}/data/${name} DESTINATION ${TIKO3_INSTALL_DATADIR})
  else()
    list(APPEND tiko3_missing ${name})
  endif()
endforeach()
if(tiko3_missing)
  message(STATUS "Not in data/ yet, so not installed: ${tiko3_missing}")
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/fonts/tiko3-fonts.conf DESTINATION ${TIKO3_INSTALL_DATADIR}/fonts)

# Desktop integration: the menu entry, its icon at every size a desktop asks for, and the
# screen saver's description for xscreensaver's settings.
install(FILES ${CMAKE_SOURCE_DIR}/data/tiko3.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
file(GLOB tiko3_icon_sizes CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/data/icons
     ${CMAKE_SOURCE_DIR}/data/icons/*x*)
foreach(size IN LISTS tiko3_icon_sizes)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/${size}/tiko3.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/tiko3.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/data/TIKO3SCR.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

# Manual page and the package's documentation; Debian wants both compressed, and -n keeps the
# archives the same from build to build.
set(tiko3_doc_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${tiko3_doc_out})
foreach(pair "LumClient.1;LumClient.1.gz" "changelog;changelog.Debian.gz")
  list(GET pair 0 source)
  list(GET pair 1 target)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${source})
  execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${source}
                  OUTPUT_FILE ${tiko3_doc_out}/${target} RESULT_VARIABLE tiko3_gzip_result)
  if(NOT tiko3_gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip of packaging/${source} failed")
  endif()
endforeach()
install(FILES ${tiko3_doc_out}/LumClient.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Named after the package, not the project, as Debian wants.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${tiko3_doc_out}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tiko3)

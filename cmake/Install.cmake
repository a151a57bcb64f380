# Install rules: where `cmake --install` and the Debian package put the program and its files.
#
# The program looks up its translations and its language list in "Languages" beside the folder that
# holds it (the parent of its own folder), so it lives in a folder of its own, TROVE_INSTALL_APPDIR,
# as bin/trove next to Languages/, and <bindir>/trove is a relative symbolic link to it. Qt resolves
# the link (/proc/self/exe), so a run through /usr/bin/trove finds the same Languages folder.
# Everything else is where the desktop looks for it, under <datadir>: the desktop entry, the hicolor
# icons, the AppStream metainfo, the file type of packed configurations (".gallerycollection"), the
# man page and the bash completion.
include(GNUInstallDirs)

set(TROVE_INSTALL_APPDIR "lib/trove" CACHE STRING
    "Folder of the program and its Languages folder, relative to the prefix (or absolute)")
set(TROVE_APP_ID "com.keldalabs.Trove")

set(trove_data "${PROJECT_SOURCE_DIR}/data")

install(TARGETS trove RUNTIME DESTINATION "${TROVE_INSTALL_APPDIR}/bin")
install(DIRECTORY "${trove_data}/Languages" DESTINATION "${TROVE_INSTALL_APPDIR}")

# <bindir>/trove -> the program, as a link relative to <bindir> so that it survives any prefix or DESTDIR.
if(IS_ABSOLUTE "${TROVE_INSTALL_APPDIR}")
  set(trove_link_target "${TROVE_INSTALL_APPDIR}/bin/trove")
else()
  file(RELATIVE_PATH trove_link_target "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${TROVE_INSTALL_APPDIR}/bin/trove")
endif()
install(CODE "
  set(trove_bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${trove_bindir}\")
  message(STATUS \"Installing: \${trove_bindir}/trove -> ${trove_link_target}\")
  file(CREATE_LINK \"${trove_link_target}\" \"\${trove_bindir}/trove\" SYMBOLIC)
")

install(FILES "${trove_data}/${TROVE_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${trove_data}/${TROVE_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${trove_data}/${TROVE_APP_ID}.mime.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages"
        RENAME "${TROVE_APP_ID}.xml")
install(FILES "${trove_data}/icons/trove.svg" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${TROVE_APP_ID}.svg")
foreach(size 16 32 48 64 128 256)
  install(FILES "${trove_data}/icons/trove-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME "${TROVE_APP_ID}.png")
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/docs/trove.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/completion/trove" DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")

# Where `cmake --install` puts every deliverable; both packages are made from
# what it installs.
#
# Linux, as the Debian package lays it out below /usr: the tool in bin, the
# VST 2.4 plug-in in lib/vst (the folder Linux hosts scan), the help pages,
# the man page, the icon, and the installation entry Help reads
# (/etc/xdg/Kestrava Sonalve/installation.ini); the LV2 bundle in
# lib/lv2/sonalve.lv2, and calibrix with its desktop entry.
#
# Windows, as the installer's payload: the product folder's files at the top
# (Calibrix.exe, kestrava.exe, Help.chm, KestravaFileAsio.dll) and the
# plug-in in VST2/, in the components the installer offers.
set(KESTRAVA_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrava-sonalve)

if(WIN32)
    install(TARGETS kestrava Calibrix RUNTIME DESTINATION . COMPONENT program)
    install(FILES ${CMAKE_BINARY_DIR}/help/Help.chm DESTINATION . COMPONENT program)
    install(TARGETS KestravaFileAsio RUNTIME DESTINATION . LIBRARY DESTINATION . COMPONENT takedriver)
    install(TARGETS Sonalve LIBRARY DESTINATION VST2 RUNTIME DESTINATION VST2 COMPONENT plugin)
    return()
endif()

install(TARGETS kestrava RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Sonalve LIBRARY DESTINATION lib/vst)
install(TARGETS sonalve_lv2 sonalve_lv2_ui LIBRARY DESTINATION lib/lv2/sonalve.lv2)
install(FILES ${SONALVE_LV2_BUNDLE}/manifest.ttl ${SONALVE_LV2_BUNDLE}/sonalve.ttl DESTINATION lib/lv2/sonalve.lv2)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/ DESTINATION ${KESTRAVA_DOC_DIR}/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")

# Man pages and the Debian changelog are installed compressed, as Debian
# installs them.
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging/linux)
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)
configure_file(${packaging_dir}/changelog.in ${packaging_build}/changelog @ONLY)
set(KESTRAVA_DOC_DIR_FULL ${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/kestrava-sonalve)
configure_file(${packaging_dir}/installation.ini.in ${packaging_build}/installation.ini @ONLY)
add_custom_command(
    OUTPUT ${packaging_build}/kestrava.1.gz ${packaging_build}/changelog.gz
    COMMAND gzip -9nc ${packaging_dir}/kestrava.1 > ${packaging_build}/kestrava.1.gz
    COMMAND gzip -9nc ${packaging_build}/changelog > ${packaging_build}/changelog.gz
    DEPENDS ${packaging_dir}/kestrava.1 ${packaging_build}/changelog
    COMMENT "Compressing the man page and the changelog"
    VERBATIM)
add_custom_target(compressed_docs ALL DEPENDS ${packaging_build}/kestrava.1.gz ${packaging_build}/changelog.gz)
install(FILES ${packaging_build}/kestrava.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_dir}/copyright ${packaging_build}/changelog.gz DESTINATION ${KESTRAVA_DOC_DIR})
install(FILES ${KESTRAVA_ICON} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps)
# Help reads "/etc/xdg/Kestrava Sonalve/installation.ini". dpkg cannot keep a
# configuration file whose path has a space, so the file lies in a folder
# without one and the product's folder name links to it.
set(xdg_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg)
install(FILES ${packaging_build}/installation.ini DESTINATION ${xdg_dir}/kestrava-sonalve)
install(CODE "file(CREATE_LINK kestrava-sonalve \"\$ENV{DESTDIR}${xdg_dir}/Kestrava Sonalve\" SYMBOLIC)")
if(TARGET calibrix)
    install(TARGETS calibrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${packaging_dir}/calibrix.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
endif()

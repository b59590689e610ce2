# Installation and the Debian package.
#
# `cmake --install build --prefix DIR` lays the program folder out in
# DIR/lib/quorvane-pro, the commands quorvane and quorvane-cli in DIR/bin, and
# the menu entry, icons, AppStream metainfo and manual pages under DIR/share.
# `cpack -G DEB` in the build folder makes the package of the same tree for /usr.

set(QUORVANE_PACKAGE_NAME quorvane-pro)
set(QUORVANE_APP_ID org.quorvane.QuorvanePro)
set(QUORVANE_MAINTAINER "Quorvane Pro developers <maintainers@quorvane.example>")

# The release date: SOURCE_DATE_EPOCH when set (reproducible builds), else today.
string(TIMESTAMP QUORVANE_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP QUORVANE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(_pkg ${CMAKE_SOURCE_DIR}/package)
set(_out ${CMAKE_BINARY_DIR}/package)
configure_file(${_pkg}/${QUORVANE_APP_ID}.metainfo.xml.in
    ${_out}/${QUORVANE_APP_ID}.metainfo.xml @ONLY)
configure_file(${_pkg}/changelog.in ${_out}/changelog @ONLY)

# Manual pages and the changelog, compressed as Debian wants them (gzip -9n).
set(_compressed)
foreach(_f quorvane.1 quorvane-cli.1 changelog)
    if(_f STREQUAL "changelog")
        set(_in ${_out}/changelog)
    else()
        configure_file(${_pkg}/${_f} ${_out}/${_f} @ONLY)
        set(_in ${_out}/${_f})
    endif()
    add_custom_command(OUTPUT ${_out}/${_f}.gz
        COMMAND gzip -9nc ${_in} > ${_out}/${_f}.gz
        DEPENDS ${_in} COMMENT "package/${_f}.gz" VERBATIM)
    list(APPEND _compressed ${_out}/${_f}.gz)
endforeach()

# The icon theme's sizes, drawn from the program's icon.
set(QUORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
add_executable(qv_make_icon ${_pkg}/make-icon.cpp)
target_link_libraries(qv_make_icon PRIVATE Qt6::Gui)
set_target_properties(qv_make_icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
add_custom_command(OUTPUT ${_out}/icons/scalable/apps/${QUORVANE_APP_ID}.svg
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
        $<TARGET_FILE:qv_make_icon> ${_out}/icons ${QUORVANE_ICON_SIZES}
    DEPENDS qv_make_icon COMMENT "icons" VERBATIM)
add_custom_target(package_files ALL DEPENDS ${_compressed}
    ${_out}/icons/scalable/apps/${QUORVANE_APP_ID}.svg)

install(FILES ${CMAKE_SOURCE_DIR}/package/${QUORVANE_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${_out}/${QUORVANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${_out}/icons/ DESTINATION share/icons/hicolor)
install(FILES ${_out}/quorvane.1.gz ${_out}/quorvane-cli.1.gz DESTINATION share/man/man1)
install(FILES ${_pkg}/copyright ${_out}/changelog.gz
    DESTINATION share/doc/${QUORVANE_PACKAGE_NAME})
# The commands on the PATH: relative links into the program folder, which the
# program finds through /proc/self/exe.
file(MAKE_DIRECTORY ${_out}/bin)
foreach(_cmd quorvane quorvane-cli)
    file(CREATE_LINK ../${QUORVANE_INSTALL_DIR}/${_cmd} ${_out}/bin/${_cmd} SYMBOLIC)
    install(FILES ${_out}/bin/${_cmd} DESTINATION bin)
endforeach()
# Installed for everyone (under /usr or /opt), the program keeps each user's
# settings and log in that user's folders; see ProgramFolderWritable.
install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"^/(usr|opt)(/|$)\")
        file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUORVANE_INSTALL_DIR}/per-user-files\"
            \"Installed for all users: each keeps Config.ini and LogFile in their own folders.\\n\")
    endif()")

set(CPACK_PACKAGE_NAME ${QUORVANE_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvane Pro developers")
set(CPACK_PACKAGE_CONTACT ${QUORVANE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media converter for video, audio and DVD titles")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane Pro converts media files and the titles of a DVD (from a drive or a\n"
    "copied VIDEO_TS folder) with ready-made output profiles: AVI, MP4, MKV, WMV,\n"
    "FLV, MPEG, 3GP, and audio formats such as MP3, AAC, Ogg and FLAC. Sources can\n"
    "be trimmed, previewed and converted in one batch, from the window or with\n"
    "quorvane-cli on the command line.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.quorvane.example/)
# Libraries from the binaries, and the tools and libraries the program starts
# or loads at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# libdvdread8 comes from the binaries (with its version); libmediainfo is loaded at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mplayer, ffmpeg, libmediainfo0v5")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, xdg-user-dirs")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)

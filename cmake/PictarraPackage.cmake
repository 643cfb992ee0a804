# The Debian package (cpack -G DEB in a build folder, or scripts/package.sh): what
# `cmake --install` puts under /usr, with the dependencies dpkg-shlibdeps finds in the program
# and the Qt plugins it loads at run time, which no library link reveals.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictarra)
set(CPACK_PACKAGE_VENDOR "Tarrowby Consulting")
set(CPACK_PACKAGE_CONTACT "Pictarra Maintainers <maintainers@pictarra.tarrowby.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://pictarra.tarrowby.example/")
# The version the program reports (pictarra --version).
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture slide-show viewer")
set(CPACK_PACKAGE_DESCRIPTION [=[
Pictarra shows the pictures of a folder as a slide show. Tick the pictures
to show, one by one, all, none, or by a wildcard pattern, and watch them
full screen or in a window, in order or shuffled, on a timer or with the
keyboard, with pause, zoom and a position bar.

It reads JPEG, PNG, GIF, BMP, WebP, TIFF, SVG and other common formats and
turns photos the way the camera held them. Pictures or a folder opened from
the file manager start a show at once.]=])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's readers of SVG, WebP, TIFF, TGA and more are plugins loaded by name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-image-formats-plugins")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)

# The Debian package: `cpack -G DEB` in a build configured with the install prefix
# /usr (scripts/package.sh does both). Dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tsn-viewer)
set(CPACK_PACKAGE_VENDOR Tessellon)
set(CPACK_PACKAGE_CONTACT "tsn-viewer developers <dev@tsn-viewer.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for the cards that images carry in their comments")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessellon Viewer opens BMP, JPEG, TIFF, PCX and PNG images and shows, beside\n"
    "the picture, the cards hidden in their text comments: the General Card, the\n"
    "Business E-Card, the Collection Card and the Copyright Card. It prints every\n"
    "page. tsn-dump prints the same from the command line, as text or JSON;\n"
    "tsn-card writes, copies and removes cards in JPEG and PNG images.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The settings file goes to /etc, outside the prefix: installed under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The view draws its text in Arial; fontconfig maps it to Liberation Sans. libtiff is
# loaded at run time, so the package tools do not see it: named here (the open options
# the codec sets came with 4.5.0).
string(REGEX REPLACE "^(lib[^.]+)\\.so\\.([0-9]+)$" "\\1\\2" tsn_libtiff_package "${TSN_LIBTIFF_SONAME}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, ${tsn_libtiff_package} (>= 4.5.0)")
# The installed settings file is the administrator's to edit: a conffile.
configure_file(${CMAKE_CURRENT_LIST_DIR}/conffiles ${CMAKE_BINARY_DIR}/debian/conffiles COPYONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

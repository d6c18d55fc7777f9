# The Debian package: `cpack -G DEB` in a build folder, or scripts/package.sh.
# Its run-time dependencies come from dpkg-shlibdeps on the installed binary.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ze6vivevu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Example Software Workshop")
set(CPACK_PACKAGE_CONTACT "Example Software Workshop <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "backup utility for Ranzel data files")
set(CPACK_PACKAGE_DESCRIPTION
    "ZE6Vivevu writes one new timestamped .RZZ archive, a standard ZIP, for each
Ranzel data file (.RZT, .RZT6) that a backup job selects, holding the data
file and every companion file that exists, and then keeps only the newest
generations that the job asks for.

Started without arguments it opens the DA Zadaro window, which keeps an
ordered list of jobs in a .RZB configuration file. With arguments it runs one
job line or every job of a configuration file without a window, for cron and
systemd timers; it also restores and verifies archives.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Example Software Workshop <support@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit loads its display plugins at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Off-site targets (rclone:<remote>:<path>) go through rclone; without it
# only those jobs are skipped.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "rclone")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/dist/conffiles)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)

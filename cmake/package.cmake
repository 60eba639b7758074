# Debian package of everything installed (library, headers, CMake package,
# simulator, the Python package in /usr/lib/python3/dist-packages, guides, API
# reference and examples): `cpack -G DEB` in the build directory.
set(CPACK_PACKAGE_NAME tevo-robot-sdk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tevo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "C++17 client library for six-axis robot arm controllers, with a controller simulator")
set(CPACK_PACKAGE_DESCRIPTION
  "Applications link libtevorobotsdk to log in to an arm controller over TCP, read and write its state, move the arm, use its I/O and compute kinematics. The package carries the library, its C++ and C headers, a CMake package (find_package(TevoRobotSDK)), the controller simulator tevo-controller-sim, the Python package tevo_robot (for Debian's python3), the guides, the HTML API reference (share/doc/tevo-robot-sdk/html) and the examples.")
set(CPACK_PACKAGE_CONTACT "tevo-robot-sdk maintainers <sdk@tevo.example>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# The runtime dependencies (libprotobuf, libstdc++, the simulator's HTTP and
# TLS libraries) come from dpkg-shlibdeps reading the installed binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python package is pure Python and needs only an interpreter to be used.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS python3)
set(CPACK_STRIP_FILES ON)
include(CPack)

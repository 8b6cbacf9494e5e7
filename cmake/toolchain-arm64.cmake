# Cross-building for 64-bit ARM (Debian arm64) on a Debian amd64 machine with the
# multiarch packages: crossbuild-essential-arm64, the :arm64 development packages
# and the machine's own Qt tools (qt6-base-dev-tools, qt6-base-dev). scripts/package
# --arch arm64 installs them in its chroot and passes this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Headers and libraries from /usr with the arm64 multiarch directories; programs
# (moc, help2man, ...) from this machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# Qt 6 takes moc, rcc and uic from the Qt of the machine that builds.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH OUTPUT_VARIABLE build_multiarch
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT build_multiarch)
  set(build_multiarch x86_64-linux-gnu)
endif()
set(QT_HOST_PATH /usr CACHE PATH "Where the Qt of the building machine is")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake CACHE PATH "Its CMake files")

# The Debian architecture of the package (dpkg-shlibdeps and the file name).
set(RAVO_DEB_ARCHITECTURE arm64 CACHE STRING "Debian architecture of the package")

# The desktop program needs Qt 6.2 or newer (Widgets); say so before
# ui/qt asks for Qt without a version.
set(ZENTREL_QT_MIN_VERSION 6.2)
find_package(Qt6 QUIET COMPONENTS Widgets)
if(NOT Qt6_FOUND OR NOT Qt6Widgets_FOUND)
  message(FATAL_ERROR
    "Qt ${ZENTREL_QT_MIN_VERSION} or newer (Qt6 Widgets) is needed for the desktop program "
    "and was not found. On Debian/Ubuntu: apt install qt6-base-dev. "
    "Or configure with -DZENTREL_BUILD_QT=OFF to build without it.")
elseif(Qt6_VERSION VERSION_LESS ZENTREL_QT_MIN_VERSION)
  message(FATAL_ERROR
    "Qt ${ZENTREL_QT_MIN_VERSION} or newer is needed for the desktop program, found ${Qt6_VERSION}. "
    "Install a newer Qt 6 (CMAKE_PREFIX_PATH), or configure with -DZENTREL_BUILD_QT=OFF.")
endif()
message(STATUS "Qt ${Qt6_VERSION}")

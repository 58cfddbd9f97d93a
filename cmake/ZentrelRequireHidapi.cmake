# The hidapi platform needs hid_get_device_info, which hidapi has since 0.13;
# an older one would fail in the compiler with a message about that call.
set(ZENTREL_HIDAPI_MIN_VERSION 0.13)
find_package(PkgConfig REQUIRED)
pkg_check_modules(HIDAPI_HIDRAW QUIET IMPORTED_TARGET hidapi-hidraw)
if(NOT HIDAPI_HIDRAW_FOUND)
  message(FATAL_ERROR
    "hidapi ${ZENTREL_HIDAPI_MIN_VERSION} or newer (hidapi-hidraw) is needed and was not found. "
    "On Debian 12 or Ubuntu 23.04 and later: apt install libhidapi-dev.")
elseif(HIDAPI_HIDRAW_VERSION VERSION_LESS ZENTREL_HIDAPI_MIN_VERSION)
  message(FATAL_ERROR
    "hidapi ${ZENTREL_HIDAPI_MIN_VERSION} or newer (hidapi-hidraw) is needed, found "
    "${HIDAPI_HIDRAW_VERSION}: this system's libhidapi-dev lacks hid_get_device_info. "
    "Install hidapi ${ZENTREL_HIDAPI_MIN_VERSION} or newer and point PKG_CONFIG_PATH at it.")
endif()
message(STATUS "hidapi-hidraw ${HIDAPI_HIDRAW_VERSION}")

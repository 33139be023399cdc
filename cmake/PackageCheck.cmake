# Read by cpack before each package is made (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TIKO3_CONFIGURED_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR
    "This build was configured for ${CPACK_TIKO3_CONFIGURED_PREFIX}, but a Debian package installs "
    "into /usr. Make the package from the \"package\" preset:\n"
    "  cmake --preset package && cmake --build --preset package && cpack --preset package")
endif()

# Installation and packaging: the module, the support library, the host
# library and its headers, the tool and the configuration file under the
# GNU directories of the prefix; a CMake package (pkix::...) and pkix.pc;
# a Debian package through cpack -G DEB.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PKIX_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/pkix)

# The headers live in src/ (module, interfaces, framework) and platform/
# (the host); installed, they sit under include/pkix/ with the same
# relative paths, so that "module/pkixsrv.h" and "host/host.h" resolve alike.
foreach(t pkix s_x509asn pkixhost pkixhost_services)
  set_property(TARGET ${t} PROPERTY INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/src>"
    "$<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/platform>"
    "$<INSTALL_INTERFACE:${PKIX_INCLUDE_SUBDIR}>")
endforeach()
set_target_properties(pkixhost PROPERTIES EXPORT_NAME host)
set_target_properties(pkixhost_services PROPERTIES EXPORT_NAME host_services)
# The directory client service links libldap and liblber (found on the
# building system, where the package's dependencies name them too).
set_target_properties(pkixhost_ldap_libs PROPERTIES EXPORT_NAME host_ldap_libs)

# Installed programs and libraries find the libraries beside them.
file(RELATIVE_PATH _pkix_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(pkix s_x509asn PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(pkixtool PROPERTIES INSTALL_RPATH "$ORIGIN/${_pkix_bin_to_lib}")

install(TARGETS pkix s_x509asn pkixhost pkixhost_services pkixhost_ldap_libs pkixtool
  EXPORT pkixTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ DESTINATION ${PKIX_INCLUDE_SUBDIR}
  FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/platform/host DESTINATION ${PKIX_INCLUDE_SUBDIR}
  FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_SOURCE_DIR}/etc/x509conv.ini DESTINATION ${CMAKE_INSTALL_SYSCONFDIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/pkixtool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(PKIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pkix)
install(EXPORT pkixTargets NAMESPACE pkix:: DESTINATION ${PKIX_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/pkixConfig.cmake.in
  ${CMAKE_BINARY_DIR}/pkixConfig.cmake
  INSTALL_DESTINATION ${PKIX_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_SYSCONFDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pkixConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pkixConfig.cmake ${CMAKE_BINARY_DIR}/pkixConfigVersion.cmake
  DESTINATION ${PKIX_CMAKE_DIR})

# pkix.pc, relocatable: ${prefix} found from the file's own place, every
# directory relative to it.
file(RELATIVE_PATH PKIX_PC_UP ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" PKIX_PC_UP "${PKIX_PC_UP}")
set(PKIX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
set(PKIX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
set(PKIX_PC_SYSCONFDIR "\${prefix}/${CMAKE_INSTALL_SYSCONFDIR}")
configure_file(${CMAKE_SOURCE_DIR}/pkix.pc.in ${CMAKE_BINARY_DIR}/pkix.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pkix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# cpack -G DEB: one package for the architecture built (i386 for the
# product). Its dependencies come from the installed binaries
# (dpkg-shlibdeps): libc and libstdc++ for the module, libssl3 (libcrypto)
# for the host library's crypto service and the tool, libldap for its
# directory client.
set(CPACK_PACKAGE_NAME pkix)
set(CPACK_PACKAGE_VENDOR "pkix")
set(CPACK_PACKAGE_CONTACT "pkix maintainers <pkix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PKIX module for IPsec hosts, its host library and pkixtool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
endif()
# x509conv.ini is the administrator's: kept over upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles
  "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/x509conv.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
# The libraries of the package itself resolve inside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
include(CPack)

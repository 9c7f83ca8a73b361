# Debian packages, as Debian splits a library: the run-time library named
# after its SONAME, the -dev package a program is built with, and the tools.
#   cmake -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX=/usr ...; cpack -G DEB
# A shared build packs the static library into the -dev package beside the
# link to the shared one; a static build packs no run-time library.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/MqoGzip.cmake)

set(MQO_PACKAGE_MAINTAINER "MqoModel packagers <packagers@invalid>" CACHE STRING
  "Maintainer of the Debian packages, as Name <address>")
set(MQO_DEB_VERSION ${PROJECT_VERSION}-1)
# Debian policy: a SONAME ending in a digit gives libNAME<version>.
set(MQO_RUNTIME_PACKAGE libmqomodel${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
get_target_property(mqo_library_type mqomodel TYPE)

set(CPACK_PACKAGE_NAME mqomodel)
set(CPACK_PACKAGE_VENDOR "MqoModel developers")
set(CPACK_PACKAGE_CONTACT "${MQO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE mqomodel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The system libraries each package's binaries link, found by dpkg-shlibdeps;
# the shlibs file lets other packages do the same with ours.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Every 0.2.x keeps the calls of the one before (one SONAME), so a program
# built against this release runs with any later one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The tools link our own shared library, staged beside them (relative to each
# package's staging directory) and named in the tools' Depends below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../library/usr/${CMAKE_INSTALL_LIBDIR})

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${MQO_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/MqoDebianTriggers.cmake)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "library reading MQO model documents into OpenGL
MqoModel reads MQO model documents and MQOZ packages, with their PNG, JPEG,
BMP and TGA textures, into models drawn with OpenGL; models share textures
through a pool. It also writes them as binary glTF 2.0.

This package holds the run-time library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libmqomodel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The pkg-config file names these packages' .pc files, and find_package the
# GL and EGL development files.
set(mqo_dev_depends "libopengl-dev, libglx-dev, libegl-dev, libspng-dev, libturbojpeg0-dev, libzip-dev, libtinygltf-dev, libmeshoptimizer-dev, libepoxy-dev")
if(mqo_library_type STREQUAL SHARED_LIBRARY)
  set(CPACK_COMPONENTS_ALL library development)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${MQO_RUNTIME_PACKAGE} (= ${MQO_DEB_VERSION}), ${mqo_dev_depends}")
  set(mqo_dev_holds "the headers, the link to the shared library,\nthe static library")
else()
  set(CPACK_COMPONENTS_ALL development)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${mqo_dev_depends}")
  set(mqo_dev_holds "the headers, the static library")
endif()
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "development files for the MQO model library
MqoModel reads MQO model documents and MQOZ packages, with their textures,
into models drawn with OpenGL.

This package holds ${mqo_dev_holds},
and the CMake and pkg-config files that find them.")

if(TARGET mqo2png)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME mqo-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
# mqo2png draws without a display, through Mesa's EGL.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libgl1-mesa-dri, libegl-mesa0")
if(mqo_library_type STREQUAL SHARED_LIBRARY)
  string(PREPEND CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${MQO_RUNTIME_PACKAGE} (= ${MQO_DEB_VERSION}), ")
endif()
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "viewer, renderer, converter and thumbnailer for MQO model documents
Tools for people who keep MQO model documents and MQOZ packages: mqoview
shows them in a window and reloads a file when it is saved again; mqo2png
draws pictures of them without a display, one file or a batch; mqo2gltf
writes them as binary glTF 2.0 for other 3D programs and web pages.

File managers get thumbnails of .mqo and .mqoz files through mqo2png, and
their MIME type.")

# Every package carries its copyright file and changelog; a plain
# cmake --install does not put Debian's files into a prefix.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
  ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
mqo_gzip(${CMAKE_CURRENT_BINARY_DIR}/debian/changelog changelog.Debian.gz)
add_custom_target(mqo_debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
    ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  # These packages are made outside Debian's archive: no ITP bug to close.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/overrides/${package}
    "${package}: initial-upload-closes-no-bugs\n")
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/overrides/${package}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
include(CPack)

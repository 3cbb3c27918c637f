# Installing and packaging: the program with its desktop entry, icons, manual and docs
# (component "garden"), and the runtime as a library with a CMake package for other
# programs (component "dev"). CPack turns these into the Debian packages and, in the
# Windows cross build, the zip.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/bug-garden)

# Linked as KX507::runtime, in the build tree as in the installed package: the runtime
# with, where main() is not the system's, the entry that calls the program's WinMain.
add_library(kx507_runtime INTERFACE)
target_link_libraries(kx507_runtime INTERFACE runtime)
if(NOT WIN32)
  target_link_libraries(kx507_runtime INTERFACE platform_entry)
endif()
add_library(KX507::runtime ALIAS kx507_runtime)
add_subdirectory(examples)

if(WIN32)
  # The zip: the program beside its README and licence.
  install(TARGETS bug-garden RUNTIME DESTINATION . COMPONENT garden)
  install(FILES README.md LICENSE DESTINATION . COMPONENT garden)
else()
  if(NOT CMAKE_CROSSCOMPILING)
    add_subdirectory(tools/icon)
    foreach(size ${KX_ICON_SIZES})
      install(FILES ${KX_ICON_DIR}/${size}x${size}/bug-garden.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT garden)
    endforeach()
    install(FILES ${KX_ICON_DIR}/32x32/bug-garden.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps COMPONENT garden)
  endif()
  install(TARGETS bug-garden RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT garden)
  install(FILES ${KX_PACKAGING_DIR}/bug-garden.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT garden)
  configure_file(${KX_PACKAGING_DIR}/bug-garden.6.in ${CMAKE_BINARY_DIR}/packaging/bug-garden.6
    @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/bug-garden.6
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT garden)
  install(FILES README.md LICENSE DESTINATION ${KX_DOC_DIR} COMPONENT garden)
endif()

# The runtime as a library. Its headers go into a folder of their own, so that our
# windows.h never stands in the system's include directory.
set(KX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KX507)
set(KX_LIB_DIR ${CMAKE_INSTALL_LIBDIR}/kx507)
set(KX_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/kx507)
set(kx_exported runtime win32)
install(FILES runtime/include/kx507.h DESTINATION ${KX_INCLUDE_DIR} COMPONENT dev)
if(WIN32)
  set(KX507_WITH_PLATFORM OFF)
else()
  set(KX507_WITH_PLATFORM ON)
  list(APPEND kx_exported platform platform_entry)
  set_target_properties(platform_entry PROPERTIES EXPORT_NAME entry)
  install(FILES platform/include/windows.h DESTINATION ${KX_INCLUDE_DIR} COMPONENT dev)
endif()
install(TARGETS ${kx_exported} EXPORT KX507Targets
  ARCHIVE DESTINATION ${KX_LIB_DIR} COMPONENT dev
  INCLUDES DESTINATION ${KX_INCLUDE_DIR})
install(EXPORT KX507Targets NAMESPACE KX507:: DESTINATION ${KX_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/KX507Config.cmake.in
  ${CMAKE_BINARY_DIR}/packaging/KX507Config.cmake INSTALL_DESTINATION ${KX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/KX507ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/KX507Config.cmake
  ${CMAKE_BINARY_DIR}/packaging/KX507ConfigVersion.cmake
  DESTINATION ${KX_CMAKE_DIR} COMPONENT dev)

# Packages.
set(CPACK_PACKAGE_NAME bug-garden)
set(CPACK_PACKAGE_VENDOR "The bug garden developers")
set(CPACK_PACKAGE_CONTACT "The bug garden developers <bug-garden@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://example.org/bug-garden")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME bug-garden-${PROJECT_VERSION}-win64)
  # The program alone: the library parts are for programmers, not for the zip.
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};garden;/")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL garden dev)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  find_program(KX_DPKG dpkg)
  if(KX_DPKG)
    execute_process(COMMAND ${KX_DPKG} --print-architecture
      OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE)
  else()
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  endif()
  set(kx_arch ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

  set(CPACK_DEBIAN_GARDEN_PACKAGE_NAME bug-garden)
  set(CPACK_DEBIAN_GARDEN_FILE_NAME bug-garden_${PROJECT_VERSION}_${kx_arch}.deb)
  # Not "games": Debian keeps that section for programs in /usr/games.
  set(CPACK_DEBIAN_GARDEN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_GARDEN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_GARDEN_PACKAGE_DEPENDS "fonts-liberation2")
  # The first line of a description is the package's synopsis.
  set(CPACK_DEBIAN_GARDEN_DESCRIPTION "cartoon bugs walking through a garden's day and night
Up to nine numbered cartoon bugs walk along the horizon of a garden, gliding
or hopping, while the sky goes through night, dawn, day and dusk. Buttons in
the picture steer them; the Run menu records and replays what was done.")

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME bug-garden-dev)
  set(CPACK_DEBIAN_DEV_FILE_NAME bug-garden-dev_${PROJECT_VERSION}_${kx_arch}.deb)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libsdl2-dev, libfreetype-dev, libfontconfig-dev, libx11-dev, libxext-dev, pkgconf | pkg-config, fonts-liberation2")
  set(CPACK_DEBIAN_DEV_DESCRIPTION "graphics runtime beneath the bug garden, as a library
The small graphics runtime beneath the bug garden, for programs of your own:
its header kx507.h, the static libraries and a CMake package, so that a
program says find_package(KX507 CONFIG REQUIRED) and links KX507::runtime.")

  # Debian wants a copyright file, a changelog and compressed manuals in every package:
  # added to the staged files, so that cmake --install stays plain.
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb-extras.cmake)
  set(CPACK_KX_SOURCE_DIR ${PROJECT_SOURCE_DIR})
  set(CPACK_KX_VERSION ${PROJECT_VERSION})
endif()
include(CPack)

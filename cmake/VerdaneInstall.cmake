# What `cmake --install` puts into the prefix, in two components:
#   Runtime      the programs and what a desktop needs to start them (the Debian
#                package holds this component);
#   Development  the libraries, their headers and the CMake package Verdane, so
#                that another project can write
#                  find_package(Verdane REQUIRED COMPONENTS Chart Controls)
#                  target_link_libraries(app PRIVATE Verdane::Chart)
#
# A library joins with one call in its own CMakeLists.txt, in place of its
# target_include_directories line:
#   verdane_install_library(verdane_chart Chart)
# and a program with
#   verdane_install_program(verdane)
# The Qt modules and other packages the libraries link are found for the
# consumer by the package's config file; they are collected from the libraries'
# link lists when verdane_install_package() runs at the end of the top-level
# CMakeLists.txt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VERDANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Verdane)
# The oldest Qt the consumer may bring (the one this project asks for).
set(VERDANE_QT_MINIMUM 6.4)

# verdane_install_library(<target> <Name>)
# <target> is exported as Verdane::<Name> (and aliased so inside this build);
# the .h files of the calling folder and its subfolders install under
# include/verdane/<folder below src>, so that the include lines of this source
# tree ("chart/GvAxis.h") work unchanged for the consumer.
function(verdane_install_library target name)
  cmake_path(RELATIVE_PATH CMAKE_CURRENT_SOURCE_DIR BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/src
             OUTPUT_VARIABLE folder)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/verdane>)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  add_library(Verdane::${name} ALIAS ${target})
  install(TARGETS ${target} EXPORT VerdaneTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/verdane/${folder} COMPONENT Development
          FILES_MATCHING PATTERN "*.h")
  set_property(GLOBAL APPEND PROPERTY VERDANE_INSTALLED_LIBRARIES ${target})
endfunction()

# verdane_install_program(<target>): the program goes to bin (component Runtime).
function(verdane_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
endfunction()

# Writes the export set, VerdaneConfig.cmake and its version file. Call once,
# after every library has been added.
function(verdane_install_package)
  get_property(libraries GLOBAL PROPERTY VERDANE_INSTALLED_LIBRARIES)
  set(qt_components)
  set(packages)
  foreach(library IN LISTS libraries)
    get_target_property(links ${library} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(link IN_LIST libraries)
        continue()
      elseif(link MATCHES "^Qt6::(.+)$")
        list(APPEND qt_components ${CMAKE_MATCH_1})
      elseif(link MATCHES "^([A-Za-z0-9_]+)::")
        list(APPEND packages ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES qt_components)
  list(REMOVE_DUPLICATES packages)
  list(JOIN qt_components " " qt_components)
  set(VERDANE_FIND_DEPENDENCIES
      "find_dependency(Qt6 ${VERDANE_QT_MINIMUM} COMPONENTS ${qt_components})")
  foreach(package IN LISTS packages)
    string(APPEND VERDANE_FIND_DEPENDENCIES "\nfind_dependency(${package})")
  endforeach()

  install(EXPORT VerdaneTargets NAMESPACE Verdane:: DESTINATION ${VERDANE_INSTALL_CMAKEDIR}
          COMPONENT Development)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VerdaneConfig.cmake.in
    ${PROJECT_BINARY_DIR}/VerdaneConfig.cmake INSTALL_DESTINATION ${VERDANE_INSTALL_CMAKEDIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/VerdaneConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/VerdaneConfig.cmake
                ${PROJECT_BINARY_DIR}/VerdaneConfigVersion.cmake
          DESTINATION ${VERDANE_INSTALL_CMAKEDIR} COMPONENT Development)
endfunction()

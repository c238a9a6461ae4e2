# Installation and packages (included last by the top-level CMakeLists.txt,
# once every target exists).
#
# Linux: `cmake --install` puts the five programs in bin/, the toolkit as one
# static library per window backend (toolkit and backend objects in one
# archive, so no link order matters: libboxfield_toolkit_headless.a and
# libboxfield_toolkit_sdl.a), the public headers under
# include/boxfield_toolkit/<subsystem>/, a CMake package and a pkg-config file
# per backend, and the README with its pictures, the guide and the example
# programs in share/doc/boxfield-toolkit/.
# CPack makes a .tar.gz and a .deb of that tree.
#
# Windows (MinGW cross builds): the two programs, glyph_tool and the README as
# README.txt side by side; CPack makes a .zip.

# On Debian-style systems libraries, CMake packages and .pc files go in the
# multiarch folder (lib/x86_64-linux-gnu), whatever the prefix, as Debian
# packages must have them; CMake and pkg-config search there by default.
# Any other CMAKE_INSTALL_LIBDIR than the plain default "lib" is kept.
if(CMAKE_LIBRARY_ARCHITECTURE AND (NOT DEFINED CMAKE_INSTALL_LIBDIR OR CMAKE_INSTALL_LIBDIR STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries" FORCE)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(BF_PACKAGE boxfield_toolkit)
# Debian package names take no underscore; the documentation folder follows
# the Debian package's name, where Debian tools look for it.
set(BF_DEB_PACKAGE boxfield-toolkit)
set(BF_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${BF_DEB_PACKAGE})
# The packages' contact (Debian's Maintainer field); the address is the
# project's placeholder until it has a real one.
set(BF_MAINTAINER "Box-field toolkit developers <boxfield-toolkit@example.org>")

if(BF_PLATFORM_WIN32)
  foreach(program boxfield gallery glyph_tool)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
  endforeach()
  # Windows' own editor wants CR LF line ends.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
  file(READ ${PROJECT_SOURCE_DIR}/README.md bf_readme)
  string(REPLACE "\n" "\r\n" bf_readme "${bf_readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${bf_readme}")
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
else()
  foreach(program boxfield gallery boxfield_runner gallery_runner glyph_tool)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()

  # Public headers: every header of the toolkit's subsystem folders, which
  # include each other by <subsystem>/<name>.h from this folder.
  set(BF_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/${BF_PACKAGE})
  foreach(sub ${BF_SUBSYSTEMS})
    file(GLOB sub_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${sub}/*.h)
    install(FILES ${sub_headers} DESTINATION ${BF_INCLUDE_DIR}/${sub})
  endforeach()

  set(BF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/${BF_PACKAGE})
  set(BF_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  # The .pc files find the prefix from their own place, so an unpacked
  # .tar.gz works wherever it lies.
  file(RELATIVE_PATH BF_PC_TO_PREFIX /root/${BF_PC_DIR} /root)
  string(REGEX REPLACE "/$" "" BF_PC_TO_PREFIX "${BF_PC_TO_PREFIX}")

  # backend: its link dependencies as imported targets (CMake) and as
  # pkg-config modules.
  set(bf_headless_targets OpenGL::EGL OpenGL::OpenGL OpenGL::GLU)
  set(bf_headless_modules "egl opengl glu")
  set(bf_headless_summary "headless EGL backend (Mesa without a display, scripted input)")
  set(bf_sdl_targets SDL2::SDL2 OpenGL::GL OpenGL::GLU)
  set(bf_sdl_modules "sdl2 gl glu")
  set(bf_sdl_summary "SDL2 window backend")
  set(BF_INSTALLED_BACKENDS "")
  foreach(backend headless sdl)
    if(NOT TARGET platform_${backend})
      continue()
    endif()
    set(lib ${BF_PACKAGE}_${backend})
    add_library(${lib} STATIC $<TARGET_OBJECTS:toolkit> $<TARGET_OBJECTS:platform_${backend}>)
    set_target_properties(${lib} PROPERTIES EXPORT_NAME ${backend} LINKER_LANGUAGE CXX)
    target_include_directories(${lib} INTERFACE $<INSTALL_INTERFACE:${BF_INCLUDE_DIR}>)
    target_link_libraries(${lib} INTERFACE ${bf_${backend}_targets})
    install(TARGETS ${lib} EXPORT ${lib} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
    install(EXPORT ${lib} NAMESPACE ${BF_PACKAGE}:: FILE ${BF_PACKAGE}-${backend}-targets.cmake
            DESTINATION ${BF_CMAKE_DIR})

    set(BF_PC_BACKEND ${backend})
    set(BF_PC_SUMMARY "${bf_${backend}_summary}")
    set(BF_PC_REQUIRES "${bf_${backend}_modules}")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/boxfield_toolkit.pc.in ${PROJECT_BINARY_DIR}/${lib}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${lib}.pc DESTINATION ${BF_PC_DIR})
    list(APPEND BF_INSTALLED_BACKENDS ${backend})
  endforeach()

  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/boxfield_toolkit-config.cmake.in
                                ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config.cmake INSTALL_DESTINATION ${BF_CMAKE_DIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config-version.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config.cmake ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config-version.cmake
          DESTINATION ${BF_CMAKE_DIR})

  install(FILES README.md DESTINATION ${BF_DOC_DIR})
  # Debian wants a changelog in every package's documentation folder; this
  # one names the release and is made when the build is configured (dated
  # from SOURCE_DATE_EPOCH when that is set).
  string(TIMESTAMP bf_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${PROJECT_BINARY_DIR}/changelog
       "${BF_DEB_PACKAGE} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}.\n\n -- ${BF_MAINTAINER}  ${bf_date}\n")
  execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/changelog RESULT_VARIABLE bf_gzip)
  if(NOT bf_gzip EQUAL 0)
    message(FATAL_ERROR "gzip of the Debian changelog failed")
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${BF_DOC_DIR})
  file(GLOB doc_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.png)
  install(FILES ${doc_pictures} DESTINATION ${BF_DOC_DIR}/docs)
  install(DIRECTORY docs/gallery DESTINATION ${BF_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png")
  # The guide to using the toolkit in a program of one's own, its pictures
  # and the example programs it links to (each a CMake project of its own).
  install(FILES docs/using_the_toolkit.md DESTINATION ${BF_DOC_DIR}/docs)
  install(DIRECTORY docs/examples DESTINATION ${BF_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png")
  install(DIRECTORY examples/ DESTINATION ${BF_DOC_DIR}/examples FILES_MATCHING PATTERN "*.cpp"
          PATTERN "CMakeLists.txt")
endif()

# ---------------------------------------------------------------------------
# Packages: tools/package.sh runs cpack in the native and both MinGW trees.
set(CPACK_PACKAGE_NAME ${BF_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Box-field toolkit developers")
set(CPACK_PACKAGE_CONTACT "${BF_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive OpenGL box-field test and its graphics toolkit")
set(CPACK_STRIP_FILES ON)
if(BF_PLATFORM_WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME ${BF_DEB_PACKAGE})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Run-time dependencies come from the programs' shared libraries
  # (dpkg-shlibdeps); building against the toolkit needs the development
  # files of the chosen backend's libraries as well.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libegl-dev, libgl-dev, libglu1-mesa-dev")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libsdl2-dev")
  # The synopsis line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_PACKAGE_DESCRIPTION
      "An interactive OpenGL test program that flies through a field of 10000
random boxes in two render modes, a gallery program showing the toolkit's
other facilities, headless runners that render both without a display,
and glyph_tool for cell glyph fonts.
The toolkit (window and input shell, geometry, screen effects, fonts and
text drawing) comes as static libraries with their headers, a CMake package
and pkg-config files, for an SDL2 or a headless EGL backend.")
endif()
include(CPack)

# Installation and packages (included last by the top-level CMakeLists.txt,
# once every target exists).
#
# Linux: `cmake --install` puts the five programs in bin/, the toolkit as one
# static library per window backend (toolkit and backend objects in one
# archive, so no link order matters: libboxfield_toolkit_headless.a and
# libboxfield_toolkit_sdl.a), the public headers under
# include/boxfield_toolkit/<subsystem>/, a CMake package and a pkg-config file
# per backend, the README with its pictures, the guide to using the toolkit in
# a program of one's own and the copyright file in share/doc/boxfield/, and a
# manual page per program (cmake/bf_man_pages.cmake). CPack makes a .tar.gz of
# that tree and two .deb packages from its install components: `programs`
# (package boxfield: programs, documentation, manual pages) and `dev` (package
# libboxfield-toolkit-dev: headers, static libraries, CMake package,
# pkg-config files, and the example programs, each a CMake project of its own,
# in share/doc/libboxfield-toolkit-dev/examples/).
#
# Windows (MinGW cross builds): the two programs, glyph_tool and the README
# with the licence appended, as README.txt, side by side; CPack makes a .zip.

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
# Debian package names take no underscore; each package's documentation
# folder follows its name, where Debian tools look for it.
set(BF_DEB_PACKAGE boxfield)
set(BF_DEB_DEV_PACKAGE libboxfield-toolkit-dev)
# The Debian source both packages come from (the changelog's name).
set(BF_DEB_SOURCE boxfield-toolkit)
set(BF_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${BF_DEB_PACKAGE})
set(BF_DEV_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${BF_DEB_DEV_PACKAGE})
# The packages' contact (Debian's Maintainer field); the address is the
# project's placeholder until it has a real one.
set(BF_MAINTAINER "Box-field toolkit developers <boxfield-toolkit@example.org>")

# Manual pages (Linux packages; a cross build says why it makes none).
include(bf_man_pages)
bf_man_pages(boxfield "fly through a field of 10000 boxes (OpenGL test)"
             boxfield_runner "render the box-field program headless: timed tours, screenshots, reports"
             gallery "show the boxfield toolkit's facilities page by page"
             gallery_runner "render the gallery's pages headless and save or compare them"
             glyph_tool "convert, export and draw cell glyph fonts")

if(BF_PLATFORM_WIN32)
  foreach(program boxfield gallery glyph_tool)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT programs)
    endif()
  endforeach()
  # The README with the licence at its end; Windows' own editor wants CR LF
  # line ends.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md
                                                                ${PROJECT_SOURCE_DIR}/LICENSE)
  file(READ ${PROJECT_SOURCE_DIR}/README.md bf_readme)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE bf_license)
  string(APPEND bf_readme "\n## Licence (zlib)\n\n${bf_license}")
  string(REPLACE "\n" "\r\n" bf_readme "${bf_readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${bf_readme}")
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION . COMPONENT programs)
else()
  foreach(program boxfield gallery boxfield_runner gallery_runner glyph_tool)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
    endif()
  endforeach()

  # Public headers: every header of the toolkit's subsystem folders, which
  # include each other by <subsystem>/<name>.h from this folder.
  set(BF_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/${BF_PACKAGE})
  foreach(sub ${BF_SUBSYSTEMS})
    file(GLOB sub_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${sub}/*.h)
    install(FILES ${sub_headers} DESTINATION ${BF_INCLUDE_DIR}/${sub} COMPONENT dev)
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
    install(TARGETS ${lib} EXPORT ${lib} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
    install(EXPORT ${lib} NAMESPACE ${BF_PACKAGE}:: FILE ${BF_PACKAGE}-${backend}-targets.cmake
            DESTINATION ${BF_CMAKE_DIR} COMPONENT dev)

    set(BF_PC_BACKEND ${backend})
    set(BF_PC_SUMMARY "${bf_${backend}_summary}")
    set(BF_PC_REQUIRES "${bf_${backend}_modules}")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/boxfield_toolkit.pc.in ${PROJECT_BINARY_DIR}/${lib}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${lib}.pc DESTINATION ${BF_PC_DIR} COMPONENT dev)
    list(APPEND BF_INSTALLED_BACKENDS ${backend})
  endforeach()

  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/boxfield_toolkit-config.cmake.in
                                ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config.cmake INSTALL_DESTINATION ${BF_CMAKE_DIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config-version.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config.cmake ${PROJECT_BINARY_DIR}/${BF_PACKAGE}-config-version.cmake
          DESTINATION ${BF_CMAKE_DIR} COMPONENT dev)

  install(FILES README.md DESTINATION ${BF_DOC_DIR} COMPONENT programs)
  # The machine-readable copyright file (Debian's format) with the licence
  # text from LICENSE, in both packages' documentation folders.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE BF_LICENSE_DEP5)
  string(REGEX REPLACE "\n+$" "" BF_LICENSE_DEP5 "${BF_LICENSE_DEP5}")
  string(REPLACE "\n\n" "\n.\n" BF_LICENSE_DEP5 "${BF_LICENSE_DEP5}")
  string(REPLACE "\n" "\n " BF_LICENSE_DEP5 " ${BF_LICENSE_DEP5}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
  # Debian wants a changelog in every package's documentation folder; this
  # one names the release and is made when the build is configured (dated
  # from SOURCE_DATE_EPOCH when that is set).
  string(TIMESTAMP bf_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${PROJECT_BINARY_DIR}/changelog
       "${BF_DEB_SOURCE} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}.\n\n -- ${BF_MAINTAINER}  ${bf_date}\n")
  execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/changelog RESULT_VARIABLE bf_gzip)
  if(NOT bf_gzip EQUAL 0)
    message(FATAL_ERROR "gzip of the Debian changelog failed")
  endif()
  foreach(component_dir programs:${BF_DOC_DIR} dev:${BF_DEV_DOC_DIR})
    string(REPLACE ":" ";" component_dir ${component_dir})
    list(GET component_dir 0 component)
    list(GET component_dir 1 dir)
    install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${dir}
            COMPONENT ${component})
  endforeach()
  file(GLOB doc_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.png)
  install(FILES ${doc_pictures} DESTINATION ${BF_DOC_DIR}/docs COMPONENT programs)
  install(DIRECTORY docs/gallery DESTINATION ${BF_DOC_DIR}/docs COMPONENT programs FILES_MATCHING PATTERN "*.png")
  # The guides beside the README that links to them, with their pictures;
  # the example programs the toolkit guide describes go with the headers
  # they build against.
  install(FILES docs/using_the_toolkit.md docs/benchmarking.md docs/gallery.md docs/history.md DESTINATION ${BF_DOC_DIR}/docs
          COMPONENT programs)
  install(DIRECTORY docs/examples DESTINATION ${BF_DOC_DIR}/docs COMPONENT programs FILES_MATCHING PATTERN "*.png")
  install(DIRECTORY examples/ DESTINATION ${BF_DEV_DOC_DIR}/examples COMPONENT dev FILES_MATCHING PATTERN "*.cpp"
          PATTERN "CMakeLists.txt")
endif()

# ---------------------------------------------------------------------------
# Packages: tools/package.sh runs cpack in the native and both MinGW trees.
set(CPACK_PACKAGE_NAME ${BF_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Box-field toolkit developers")
set(CPACK_PACKAGE_CONTACT "${BF_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
if(BF_PLATFORM_WIN32)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive OpenGL box-field test and its graphics toolkit")
  set(CPACK_GENERATOR ZIP)
else()
  # The .tar.gz holds the whole tree; the .deb packages are one per install
  # component.
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_PACKAGE_SOURCE ${BF_DEB_SOURCE})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${BF_DEB_PACKAGE})
  set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${BF_DEB_DEV_PACKAGE})
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  # The programs' run-time dependencies come from their shared libraries
  # (dpkg-shlibdeps). Building against the toolkit needs the development
  # files of both backends' libraries (the CMake package and the .pc files
  # name them).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libsdl2-dev, libgl-dev, libglu1-mesa-dev, libegl-dev")
  # First line: the synopsis (CPACK_PACKAGE_DESCRIPTION_SUMMARY stays unset,
  # or CPack would put it above each package's own).
  set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION
      "interactive OpenGL box-field test and its gallery
An interactive OpenGL test program that flies through a field of 10000
random boxes in two render modes, a gallery program showing the toolkit's
other facilities, headless runners that render both without a display,
and glyph_tool for cell glyph fonts.")
  set(CPACK_DEBIAN_DEV_DESCRIPTION
      "procedural OpenGL graphics toolkit of the box-field test
The toolkit the box-field test runs on (window and input shell, geometry,
screen effects, fonts and text drawing) as static libraries with their
headers, a CMake package and pkg-config files, for an SDL2 or a headless
EGL backend.")
  set(CPACK_PACKAGE_DESCRIPTION
      "An interactive OpenGL test program, its gallery, headless runners and
glyph_tool, with the toolkit they run on as static libraries, headers, a
CMake package and pkg-config files.")
endif()
include(CPack)

# Manual pages: one per program, made at build time by help2man from the
# program's own --help and --version, so they never drift from what the
# program says. help2man runs the programs, so only a native build makes
# them; a cross build says so and goes without. Installed (component
# programs) under share/man/man1 as <program>.1.gz.
#
# bf_man_pages(program "one-line summary" ...) after the programs exist.

set(BF_MAN_DIR ${PROJECT_BINARY_DIR}/man)

function(bf_man_pages)
  if(CMAKE_CROSSCOMPILING)
    message(STATUS "man pages: not made in a cross build (help2man runs the programs; the native build makes them)")
    return()
  endif()
  if(WIN32)
    message(STATUS "man pages: not made for Windows (the zips carry README.txt)")
    return()
  endif()
  set(pages "")
  set(args ${ARGN})
  while(args)
    list(POP_FRONT args program summary)
    if(NOT TARGET ${program})
      continue()
    endif()
    if(NOT BF_HELP2MAN)
      find_program(BF_HELP2MAN help2man)
      if(NOT BF_HELP2MAN)
        message(FATAL_ERROR "help2man not found: it makes the programs' manual pages (install help2man; tools/setup.sh does)")
      endif()
    endif()
    set(page ${BF_MAN_DIR}/${program}.1)
    # gzip -n: no name or time stamp in the archive, so builds repeat
    # byte for byte (help2man dates the page from SOURCE_DATE_EPOCH when
    # that is set).
    add_custom_command(OUTPUT ${page}.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${BF_MAN_DIR}
                       COMMAND ${BF_HELP2MAN} --no-info --no-discard-stderr --section 1 --name ${summary}
                               --output ${page} $<TARGET_FILE:${program}>
                       COMMAND gzip -9nf ${page}
                       DEPENDS ${program}
                       COMMENT "Manual page ${program}.1 from ${program} --help"
                       VERBATIM)
    list(APPEND pages ${page}.gz)
  endwhile()
  if(pages)
    add_custom_target(man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
  endif()
endfunction()

# Compiler options shared by every target of the project.
function(bf_target_options target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wno-unused-parameter)
    if(BF_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

if(BF_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz builds instrument the whole toolkit for coverage and both sanitizers;
# only the fuzz targets themselves link libFuzzer's main.
if(BF_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The 32-bit Windows build computes on the x87 unit, with the precision the
# process entry sets. A native x86_64 build computing the same way runs the
# unit tests against that arithmetic where 32-bit programs cannot run.
if(BF_X87)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR NOT CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
    message(FATAL_ERROR "BF_X87 needs GCC on x86_64")
  endif()
  add_compile_options(-mfpmath=387)
endif()

# One version for the project: every program's --version, the runners'
# reports and the packages carry it.
add_compile_definitions(BF_VERSION="${PROJECT_VERSION}")

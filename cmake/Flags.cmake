# Compiler flags shared by every target of the project, as an interface library that each target
# links privately: target_link_libraries(TARGET PRIVATE kestrane_flags).
add_library(kestrane_flags INTERFACE)
if(MSVC)
  target_compile_options(kestrane_flags INTERFACE /W4 /fp:precise $<$<BOOL:${KESTRANE_WERROR}>:/WX>)
  return()
endif()
target_compile_options(kestrane_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  # Results must not depend on the compiler's fusing of multiply-adds, so that builds on different
  # platforms can be compared bit for bit.
  -ffp-contract=off)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT EMSCRIPTEN)
  # x87 registers would carry extra precision; SSE2 rounds every operation to double (as
  # WebAssembly does by itself).
  target_compile_options(kestrane_flags INTERFACE -msse2 -mfpmath=sse)
endif()
if(KESTRANE_WERROR)
  target_compile_options(kestrane_flags INTERFACE -Werror)
endif()
if(KESTRANE_SANITIZE)
  target_compile_options(kestrane_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(kestrane_flags INTERFACE -fsanitize=address,undefined)
endif()
if(KESTRANE_FUZZ)
  # Coverage for the fuzzer in every library; the fuzz programs add the fuzzer's own main.
  target_compile_options(kestrane_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kestrane_flags INTERFACE -fsanitize=address,undefined)
endif()
# Every library may end up in a shared module.
set_target_properties(kestrane_flags PROPERTIES INTERFACE_POSITION_INDEPENDENT_CODE ON)

# Compiler flags shared by every target.
function(kestrane_flags target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /fp:precise)
    if(KESTRANE_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    # Results must not depend on the compiler's fusing of multiply-adds, so that builds on
    # different platforms can be compared bit for bit.
    -ffp-contract=off)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT EMSCRIPTEN)
    # x87 registers would carry extra precision; SSE2 rounds every operation to double (as
    # WebAssembly does by itself).
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
  endif()
  if(KESTRANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(KESTRANE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(KESTRANE_FUZZ)
    # Coverage for the fuzzer in every library; the fuzz programs add the fuzzer's own main.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
      -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

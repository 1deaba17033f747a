# Warnings for every target of ours; the presets turn them into errors.
# MSVC (a Windows build with an installed Qt) reads the sources as UTF-8 (the
# trace lines hold Chinese text) and warns at its own level 3.
function(keywright_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3 /utf-8 /permissive- /Zc:__cplusplus)
    target_compile_definitions(${target} PRIVATE NOMINMAX WIN32_LEAN_AND_MEAN)
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wnon-virtual-dtor -Wold-style-cast
                                           -Wcast-align)
endfunction()

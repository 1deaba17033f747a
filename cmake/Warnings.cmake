# Warnings for every target of ours; the presets turn them into errors.
function(keywright_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wnon-virtual-dtor -Wold-style-cast
                                           -Wcast-align)
endfunction()

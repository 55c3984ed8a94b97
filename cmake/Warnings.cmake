# Warnings for the project's own targets. Call vellumine_warnings(target).
function(vellumine_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
endfunction()

# Project-wide warning set, applied per target so third-party code is untouched.
function(brackwater_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wshadow)
endfunction()

# Warnings in our own code.  They are errors when TAVOLIN_WERROR is on: the presets and CI switch
# it on; a plain build leaves it off, so a newer compiler's new warning does not stop a user.
function(tavolin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
    -Wnull-dereference -Wimplicit-fallthrough)
  if(TAVOLIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

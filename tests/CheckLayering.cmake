# Fails when a file of the core includes a Qt or POSIX header, when a layer includes a header of
# a layer above it, or when Windows leaks out of platform/win32: no
# windows.h (or another Win32 header) and no test of _WIN32 anywhere else but in app/Main.cpp,
# which picks the platform's main, and in the Win32 layer's own tests.
set(forbidden "#include[ \t]*<(Q[A-Za-z]*|unistd\\.h|termios\\.h|fcntl\\.h|sys/[a-z_]+\\.h|pthread\\.h|dirent\\.h|poll\\.h|pty\\.h)>")
set(bad "")
# Adds to bad the lines that match pattern in the sources below each folder of ARGN, but not in
# the files whose path below ROOT matches skip.
function(find_lines pattern skip)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp" "${ROOT}/${dir}/*.c")
    foreach(f ${files})
      file(RELATIVE_PATH rel "${ROOT}" "${f}")
      file(STRINGS "${f}" hits REGEX "${pattern}")
      if(hits AND NOT rel MATCHES "${skip}")
        list(APPEND bad "${f}: ${hits}")
      endif()
    endforeach()
  endforeach()
  set(bad "${bad}" PARENT_SCOPE)
endfunction()
find_lines("${forbidden}" "^$" app serial terminal loader settings accessories sim)
# The layers from the bottom up; none includes a header of a layer above it.  The platform layer
# is its interfaces (platform/*.h) and RegularFile, not the folders that implement them.
set(layers platform settings terminal serial loader accessories app)
set(layer_include "#include[ \t]*\"([a-z]+)/[A-Za-z/]+\\.h\"")
set(above ${layers})
foreach(dir ${layers})
  list(REMOVE_AT above 0)
  if(dir STREQUAL "platform")
    file(GLOB files "${ROOT}/platform/*.h" "${ROOT}/platform/*.cpp")
  else()
    file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
  endif()
  foreach(f ${files})
    file(STRINGS "${f}" hits REGEX "${layer_include}")
    foreach(hit ${hits})
      string(REGEX MATCH "${layer_include}" m "${hit}")
      set(target_dir "${CMAKE_MATCH_1}")
      list(FIND above "${target_dir}" upward)
      if(upward GREATER_EQUAL 0)
        list(APPEND bad "${f}: ${hit} (${target_dir}/ is above ${dir}/)")
      endif()
    endforeach()
  endforeach()
endforeach()

set(windows "_WIN32|#include[ \t]*[<\"]([Ww]indows|[Ww]insock2?|[Ww]inbase|[Ww]inuser|[Ww]indef|[Ss]etupapi|[Ss]hellapi|[Cc]ommdlg|[Cc]ommctrl|[Tt]imeapi|[Mm]mSystem)\\.h[>\"]")
find_lines("${windows}" "^(platform/win32|tests/win32)/|^app/Main\\.cpp$"
           app serial terminal loader settings accessories sim platform tools tests bench)

if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "includes that break the layering:\n${bad}")
endif()
message(STATUS "layering holds")

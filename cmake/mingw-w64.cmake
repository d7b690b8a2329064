# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which
# std::thread and std::mutex need).  Libraries come from the mingw sysroot and from the staging
# folder that tools/build-windows.sh fills (libpng, GoogleTest); programs built here run under
# Wine, both the build-time tools and the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVOLIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVOLIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVOLIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVOLIN_MINGW_TRIPLET}-windres)

# The staging folder can be moved with TAVOLIN_WINDOWS_DEPS (a path to its prefix).
if(DEFINED ENV{TAVOLIN_WINDOWS_DEPS})
  set(TAVOLIN_WINDOWS_DEPS "$ENV{TAVOLIN_WINDOWS_DEPS}")
else()
  get_filename_component(TAVOLIN_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/prefix" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${TAVOLIN_MINGW_TRIPLET} "${TAVOLIN_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static: without it libgcc_s_seh-1.dll, libstdc++-6.dll and libwinpthread-1.dll would have to
# lie beside every program, the build-time tools included.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# Windows programs run under Wine, in the build's own prefix (see tools/wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh")

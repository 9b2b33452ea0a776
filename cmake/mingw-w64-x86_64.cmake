# Cross-compiles for Windows x86_64 with Debian's MinGW-w64 and runs the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The win32 thread flavour: its runtime keeps the exception state and the static guards on Win32's
# own thread support, where the posix flavour brings a POSIX thread layer (some 25 KiB) into the
# editor that every note carries. Nothing here needs std::thread, which that flavour lacks.
foreach(flavour win32 posix)
  find_program(QUILLOX_MINGW_CXX x86_64-w64-mingw32-g++-${flavour})
  if(QUILLOX_MINGW_CXX)
    set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${flavour})
    set(CMAKE_CXX_COMPILER ${QUILLOX_MINGW_CXX})
    break()
  endif()
endforeach()
if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
  set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
endif()
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

if(CMAKE_HOST_UNIX)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()

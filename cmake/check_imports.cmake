# Fails when the program IMAGE imports a library that is not one of the system's known DLLs.
# Windows looks for any other library in the program's own folder first, and a note runs from
# wherever it lands, so such a library must be loaded at run time from the system folder instead.
# Run as: cmake -DOBJDUMP=<objdump> -DIMAGE=<program> -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)
set(known
    advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf
    msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32
    wldap32 ws2_32)

execute_process(COMMAND ${OBJDUMP} -p ${IMAGE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(failed OR NOT imports)
  message(FATAL_ERROR "cannot read the import table of ${IMAGE}")
endif()

set(strangers)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST known)
    list(APPEND strangers "${dll}")
  endif()
endforeach()
if(strangers)
  message(FATAL_ERROR "${IMAGE} imports ${strangers}, which Windows would first look for in the "
                      "program's folder: load it at run time from the system folder instead")
endif()

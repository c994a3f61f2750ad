# Fails when PROGRAM imports a DLL that is not part of Windows itself: the programs are copied
# alone onto machines that have no mingw-w64 runtime (libstdc++, libgcc, libwinpthread).
# Usage: cmake -DOBJDUMP=<objdump> -DPROGRAM=<program.exe> -P check_system_imports.cmake
cmake_minimum_required(VERSION 3.25)

# Windows' own libraries, lower case; the runtime's C library is the system's msvcrt.dll.
set(system_dlls kernel32.dll msvcrt.dll ntdll.dll user32.dll advapi32.dll shell32.dll
    ws2_32.dll ucrtbase.dll)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
                OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "no imported DLL found in ${PROGRAM}: not a Windows program?")
endif()

set(foreign "")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" dll_lower)
  message(STATUS "imports ${dll}")
  # api-ms-win-* are the system's API sets.
  if(NOT dll_lower IN_LIST system_dlls AND NOT dll_lower MATCHES "^api-ms-win-")
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${PROGRAM} needs DLLs that Windows does not have: ${foreign}")
endif()

# Cross-compiles for Windows with MinGW-w64. OCX_WINDOWS_ARCH picks the target: i686 (the shipped
# 32-bit program) or x86_64. OCX_THREAD_MODEL picks the compiler's thread model: win32 for the
# shipped programs, whose exception runtime then needs no winpthread, or posix for the tests,
# whose std::thread and std::mutex (and GoogleTest's) need it.
set(OCX_WINDOWS_ARCH "i686" CACHE STRING "MinGW-w64 target architecture (i686 or x86_64)")
set(OCX_THREAD_MODEL "posix" CACHE STRING "MinGW-w64 thread model (posix or win32)")
# The compiler checks that CMake runs in projects of their own use the same compiler.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OCX_WINDOWS_ARCH OCX_THREAD_MODEL)
set(triple "${OCX_WINDOWS_ARCH}-w64-mingw32")

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${OCX_WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-${OCX_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${triple}-g++-${OCX_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static C and C++ runtimes: the program and its tests need no MinGW DLLs at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the test programs; a 64-bit build needs the 64-bit loader.
if(OCX_WINDOWS_ARCH STREQUAL "x86_64")
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
    set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()

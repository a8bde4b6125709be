# SPDX-License-Identifier: MIT
# What a Windows program of ours needs beside it when it is built against the Qt that
# scripts/build-qt-windows.sh makes: Qt's DLLs and plugins and mingw's C++ and thread runtimes.
# The installer copies them beside veltrane.exe; the tests under Wine find them through WINEPATH.
if(NOT (WIN32 AND VELTRANE_QT_WINDOWS))
    return()
endif()

set(VELTRANE_QT_DLLS Qt6Core Qt6Gui Qt6Widgets Qt6Network)
# Each plugin in the folder beside the program where Qt looks for its kind.
set(VELTRANE_QT_PLUGINS platforms/qwindows styles/qwindowsvistastyle tls/qschannelbackend)
set(VELTRANE_MINGW_DLLS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

set(VELTRANE_WINDOWS_DLL_DIRS ${VELTRANE_QT_WINDOWS}/bin)
foreach(dll ${VELTRANE_MINGW_DLLS})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "The mingw runtime ${dll} was not found")
    endif()
    list(APPEND VELTRANE_MINGW_DLL_PATHS ${path})
    get_filename_component(path ${path} REALPATH)
    get_filename_component(dir ${path} DIRECTORY)
    list(APPEND VELTRANE_WINDOWS_DLL_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES VELTRANE_WINDOWS_DLL_DIRS)

# Wine maps the whole Unix file system to drive Z:.
set(wine_dirs)
foreach(dir ${VELTRANE_WINDOWS_DLL_DIRS})
    string(REPLACE "/" "\\" dir "Z:${dir}")
    list(APPEND wine_dirs ${dir})
endforeach()
string(REPLACE ";" "\\;" VELTRANE_WINEPATH "${wine_dirs}")
# The same for the scripts that run our Windows programs by hand.
list(JOIN wine_dirs ";" wine_path)
file(WRITE ${CMAKE_BINARY_DIR}/winepath.txt "${wine_path}\n")

function(veltrane_install_windows_runtime destination component)
    foreach(dll ${VELTRANE_QT_DLLS})
        install(FILES ${VELTRANE_QT_WINDOWS}/bin/${dll}.dll DESTINATION ${destination} COMPONENT ${component})
    endforeach()
    foreach(plugin ${VELTRANE_QT_PLUGINS})
        get_filename_component(kind ${plugin} DIRECTORY)
        install(FILES ${VELTRANE_QT_WINDOWS}/plugins/${plugin}.dll
            DESTINATION ${destination}/${kind} COMPONENT ${component})
    endforeach()
    install(FILES ${VELTRANE_MINGW_DLL_PATHS} DESTINATION ${destination} COMPONENT ${component})
endfunction()

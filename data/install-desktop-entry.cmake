# Installs the desktop entry. "Register File Types Now" writes the same quillet.desktop into the user's folder
# (the prefix ~/.local), listing the types the user registered: an install over it keeps those types, so that
# every type still opens in Quillet, and names the installed program by its full path where that path needs no
# quoting, so the entry works whether or not the prefix's bin folder is on the PATH.
# Expects QUILLET_DESKTOP_SOURCE (the shipped entry).
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(target "$ENV{DESTDIR}${prefix}/share/applications/quillet.desktop")
file(READ "${QUILLET_DESKTOP_SOURCE}" entry)
string(REGEX MATCH "\nMimeType=([^\n]*)" shipped "${entry}")
set(types "${CMAKE_MATCH_1}")
if(EXISTS "${target}")
    file(STRINGS "${target}" earlier REGEX "^MimeType=")
    if(earlier)
        string(REGEX REPLACE "^MimeType=" "" earlier "${earlier}")
        string(REPLACE "\\;" ";" earlier "${earlier}")
        # Both are "a;b;" texts, which CMake reads as lists.
        set(all_list "${types};${earlier}")
        string(REGEX REPLACE ";+" ";" all_list "${all_list}")
        string(REGEX REPLACE "^;|;$" "" all_list "${all_list}")
        list(REMOVE_DUPLICATES all_list)
        list(JOIN all_list ";" merged)
        string(REPLACE "\nMimeType=${types}" "\nMimeType=${merged};" entry "${entry}")
    endif()
endif()
if(prefix MATCHES "^/[A-Za-z0-9/._+-]*$")
    string(REPLACE "\nExec=quillet " "\nExec=${prefix}/bin/quillet " entry "${entry}")
    string(REPLACE "\nTryExec=quillet\n" "\nTryExec=${prefix}/bin/quillet\n" entry "${entry}")
endif()
file(MAKE_DIRECTORY "$ENV{DESTDIR}${prefix}/share/applications")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")

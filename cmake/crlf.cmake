# Copies a text file with CR LF line ends, for the Windows package.
# Usage: cmake -DInput=<file> -DOutput=<file> -P crlf.cmake
file(READ "${Input}" Text)
string(REPLACE "\r\n" "\n" Text "${Text}")
string(REPLACE "\n" "\r\n" Text "${Text}")
file(WRITE "${Output}" "${Text}")

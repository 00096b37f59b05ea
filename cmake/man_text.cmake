# Renders the manual page as plain text with CR LF line ends, for the Windows
# package, whose users have no man reader. ASCII output, since Notepad and the
# console read it alike whatever their code page.
# Usage: cmake -DInput=<page.1> -DOutput=<file.txt> -DMandoc=<mandoc> -P man_text.cmake
execute_process(COMMAND "${Mandoc}" -T ascii -man "${Input}"
                OUTPUT_VARIABLE Text ERROR_VARIABLE Errors RESULT_VARIABLE Result)
if(NOT Result EQUAL 0 OR Text STREQUAL "")
  message(FATAL_ERROR "${Mandoc} -T ascii ${Input} failed (${Result}):\n${Errors}")
endif()
if(NOT Errors STREQUAL "")
  message(WARNING "${Mandoc} -T ascii ${Input}:\n${Errors}")
endif()

# mandoc marks bold as "X<BS>X" and underline as "_<BS>X", as a terminal
# would print them; a text file keeps only the last character of each.
string(ASCII 8 Backspace)
string(REGEX REPLACE "[^${Backspace}]${Backspace}" "" Text "${Text}")
if(Text MATCHES "${Backspace}")
  message(FATAL_ERROR "${Input}: backspaces left in the rendered text")
endif()

string(REPLACE "\r\n" "\n" Text "${Text}")
string(REPLACE "\n" "\r\n" Text "${Text}")
file(WRITE "${Output}" "${Text}")

# Writes one platform's manual page from doc/Morvellan.1: the release number
# after the program's name in its .TH line, so that the number is kept only in
# project(), and only the lines meant for that platform (marked as below).
# Usage: cmake -DInput=doc/Morvellan.1 -DOutput=<file> -DVersion=<x.y.z>
#              -DPlatform=posix|windows -P man_page.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT Platform MATCHES "^(posix|windows)$")
  message(FATAL_ERROR "Platform is '${Platform}': it must be posix or windows")
endif()
file(READ "${Input}" Page)
string(REGEX MATCH "\n\\.TH MORVELLAN 1 [0-9-]+ Morvellan " Header "${Page}")
if(NOT Header)
  message(FATAL_ERROR "${Input}: no line '.TH MORVELLAN 1 <date> Morvellan ...' to put the version in")
endif()
string(REGEX REPLACE " Morvellan $" " \"Morvellan ${Version}\" " Versioned "${Header}")
string(REPLACE "${Header}" "${Versioned}" Page "${Page}")

# The lines up to the first marker, and after each `.\" end`, are for both
# platforms; a `.\" posix` or `.\" windows` line starts a passage for that
# platform only, which lasts up to the next marker. So `.\" posix`, POSIX
# lines, `.\" windows`, Windows lines, `.\" end` gives each page its own text.
# Each marker is searched with the line end before it, so that only a whole
# line counts; the newline put in front of the page makes that hold for its
# first line too. Rest always begins with the line end of the last line read.
set(Kept "")
set(Rest "\n${Page}")
set(Passage both)
while(TRUE)
  set(MarkerAt -1)
  foreach(Marker posix windows end)
    string(FIND "${Rest}" "\n.\\\" ${Marker}\n" At)
    if(NOT At EQUAL -1 AND (MarkerAt EQUAL -1 OR At LESS MarkerAt))
      set(MarkerAt ${At})
      set(Next ${Marker})
    endif()
  endforeach()
  if(MarkerAt EQUAL -1)
    if(NOT Passage STREQUAL both)
      message(FATAL_ERROR "${Input}: a ${Passage} passage has no line '.\\\" end'")
    endif()
    string(APPEND Kept "${Rest}")
    break()
  endif()
  if(Next STREQUAL end AND Passage STREQUAL both)
    message(FATAL_ERROR "${Input}: a line '.\\\" end' closes no passage")
  elseif(Next STREQUAL Passage)
    message(FATAL_ERROR "${Input}: a line '.\\\" ${Next}' within a ${Passage} passage")
  endif()
  if(Passage STREQUAL both OR Passage STREQUAL Platform)
    string(SUBSTRING "${Rest}" 0 ${MarkerAt} Lines)
    string(APPEND Kept "${Lines}")
  endif()
  string(LENGTH "\n.\\\" ${Next}" MarkerLength)
  math(EXPR RestAt "${MarkerAt} + ${MarkerLength}")
  string(SUBSTRING "${Rest}" ${RestAt} -1 Rest)
  if(Next STREQUAL end)
    set(Passage both)
  else()
    set(Passage ${Next})
  endif()
endwhile()
string(SUBSTRING "${Kept}" 1 -1 Page)
file(WRITE "${Output}" "${Page}")

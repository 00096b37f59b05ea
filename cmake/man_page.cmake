# Writes the manual page with the release number after the program's name in
# its .TH line, so that the number is kept only in project().
# Usage: cmake -DInput=doc/Morvellan.1 -DOutput=<file> -DVersion=<x.y.z> -P man_page.cmake
file(READ "${Input}" Page)
string(REGEX MATCH "\n\\.TH MORVELLAN 1 [0-9-]+ Morvellan " Header "${Page}")
if(NOT Header)
  message(FATAL_ERROR "${Input}: no line '.TH MORVELLAN 1 <date> Morvellan ...' to put the version in")
endif()
string(REGEX REPLACE " Morvellan $" " \"Morvellan ${Version}\" " Versioned "${Header}")
string(REPLACE "${Header}" "${Versioned}" Page "${Page}")
file(WRITE "${Output}" "${Page}")

# Copies the help file every time and the default settings only when none exist yet.
if(EXISTS ${SRC}/vorlet.html)
  file(COPY ${SRC}/vorlet.html DESTINATION ${DST})
endif()
if(NOT EXISTS ${DST}/Vorlet.ini AND EXISTS ${SRC}/Vorlet.ini)
  file(COPY ${SRC}/Vorlet.ini DESTINATION ${DST})
endif()

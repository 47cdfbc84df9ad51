# Fails when a .ts file is behind the sources: lupdate is run over the
# sources into a copy of each file (the file itself is left alone), and any
# entry it marks unfinished, vanished or obsolete is a text still to translate
# or to drop with `ninja update_translations`.
# -DLUPDATE=... -DSOURCES=<list file> -DROOTS=<include roots> -DWORK=<folder> -DTS_FILES=a.ts;b.ts
set(failed "")
# The include roots, so that lupdate finds each class's namespace.
set(include_args "")
foreach(root IN LISTS ROOTS)
  list(APPEND include_args -I ${root})
endforeach()
foreach(ts IN LISTS TS_FILES)
  get_filename_component(name ${ts} NAME)
  set(copy ${WORK}/${name})
  file(COPY_FILE ${ts} ${copy})
  execute_process(COMMAND ${LUPDATE} -silent -locations none ${include_args} @${SOURCES} -ts ${copy}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}: ${status}")
  endif()
  file(READ ${copy} text)
  string(REGEX MATCHALL "<source>[^<]*</source>([ \n]*<[a-z]*comment>[^<]*</[a-z]*comment>)*[ \n]*<translation[^>]*type=\"(unfinished|vanished|obsolete)\""
    open "${text}")
  foreach(entry IN LISTS open)
    string(REGEX REPLACE "^<source>([^<]*)</source>.*type=\"([a-z]+)\"$" "\\2: \\1" entry "${entry}")
    string(APPEND failed "${name}: ${entry}\n")
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "Translations to finish (ninja update_translations, then translate):\n${failed}")
endif()

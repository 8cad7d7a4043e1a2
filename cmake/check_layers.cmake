# Fails when a library below the windows includes a Qt header, or when a
# folder other than db/ includes the SQLite header: the engines and the
# catalogue run without Qt, and every SQLite call goes through db/.
# Run as: cmake -DROOT=<source dir> -P check_layers.cmake

# The sources under the folders that include a header matching the pattern.
function(files_including out pattern)
  set(found "")
  foreach(dir ${ARGN})
    file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
    foreach(f ${files})
      file(STRINGS "${f}" hits REGEX "#include[ \t]*[<\"]${pattern}")
      if(hits)
        list(APPEND found "${f}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

files_including(offenders "(Q[A-Za-z]+|Qt[A-Za-z]*/)" platform db export archive catalogue)
if(offenders)
  message(FATAL_ERROR "Qt headers in engine libraries: ${offenders}")
endif()

files_including(offenders "sqlite3\\.h" platform export archive catalogue export_dialog
                qt_support report menus acquire app tools bench fuzz)
if(offenders)
  message(FATAL_ERROR "The SQLite header outside db/: ${offenders}")
endif()

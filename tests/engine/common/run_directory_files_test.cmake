# Checks the build-time pieces of the run directory: gbk_encode writes GBK with CR LF, and
# copy_missing.cmake adds shipped files without ever replacing or removing the user's.
#   cmake -DGBK_ENCODE=<tool> -DCOPY_MISSING=<script> -DWORK=<scratch folder> -P this file

function(expect_file path expected_hex)
  file(READ "${path}" actual HEX)
  if(NOT actual STREQUAL expected_hex)
    message(FATAL_ERROR "${path}: expected ${expected_hex}, got ${actual}")
  endif()
endfunction()

function(expect_text path expected)
  file(READ "${path}" actual)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${path}: expected '${expected}', got '${actual}'")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# gbk_encode: "学而\n" and "ab\r\n" become GBK with CR LF; a byte-order mark is dropped.
string(ASCII 239 187 191 bom)
file(WRITE "${WORK}/in.txt" "${bom}学而\nab\r\n")
execute_process(COMMAND "${GBK_ENCODE}" "${WORK}/in.txt" "${WORK}/sub/out.txt" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gbk_encode failed: ${rc}")
endif()
expect_file("${WORK}/sub/out.txt" "d1a7b6f80d0a61620d0a")

# A source that is not UTF-8 is refused and the old output stays.
string(ASCII 209 167 182 248 gbk_bytes)  # "学而" in GBK
file(WRITE "${WORK}/bad.txt" "${gbk_bytes}")
execute_process(COMMAND "${GBK_ENCODE}" "${WORK}/bad.txt" "${WORK}/sub/out.txt" RESULT_VARIABLE rc
                ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "gbk_encode accepted a source that is not UTF-8")
endif()
expect_file("${WORK}/sub/out.txt" "d1a7b6f80d0a61620d0a")

# copy_missing with folders.
set(src "${WORK}/shipped")
set(dst "${WORK}/run/corpus")
file(WRITE "${src}/经部/论语.txt" "shipped")
file(WRITE "${src}/蒙学/千字文.txt" "shipped")
file(WRITE "${src}/SOURCE.md" "source")
file(WRITE "${dst}/经部/论语.txt" "edited by the user")
file(WRITE "${dst}/用户/导入.txt" "imported")
file(WRITE "${dst}/蒙学" "a file where the shipped folder would go")
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${src} -DDEST=${dst} -P "${COPY_MISSING}"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "copy_missing failed on folders")
endif()
expect_text("${dst}/经部/论语.txt" "edited by the user")
expect_text("${dst}/用户/导入.txt" "imported")
expect_text("${dst}/SOURCE.md" "source")
expect_text("${dst}/蒙学" "a file where the shipped folder would go")

# A removed example document comes back; nothing else changes.
file(REMOVE "${dst}/SOURCE.md")
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${src} -DDEST=${dst} -P "${COPY_MISSING}")
expect_text("${dst}/SOURCE.md" "source")
expect_text("${dst}/经部/论语.txt" "edited by the user")

# copy_missing with one file and the copy shipped last time.
set(ini "${WORK}/run/ini/sys.ini")
set(shipped "${WORK}/sys.ini.shipped")
file(WRITE "${WORK}/sys.v1" "v1")
file(WRITE "${WORK}/sys.v2" "v2")
file(WRITE "${WORK}/sys.v3" "v3")
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${WORK}/sys.v1 -DDEST=${ini}
                -DSHIPPED=${shipped} -P "${COPY_MISSING}")
expect_text("${ini}" "v1")
# Untouched since shipped: a new default replaces it.
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${WORK}/sys.v2 -DDEST=${ini}
                -DSHIPPED=${shipped} -P "${COPY_MISSING}")
expect_text("${ini}" "v2")
# Edited by hand: kept.
file(WRITE "${ini}" "mine")
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE=${WORK}/sys.v3 -DDEST=${ini}
                -DSHIPPED=${shipped} -P "${COPY_MISSING}")
expect_text("${ini}" "mine")

file(REMOVE_RECURSE "${WORK}")

# Runs lupdate over the sources into a copy of translations/kivo_en.ts: the copy
# must come out unchanged (every marked text is in the file, none that is gone)
# and hold no unfinished translation.
# cmake -DLUPDATE=... -DSOURCE_DIR=... -DWORK_DIR=... -P translations_check.cmake
include(${SOURCE_DIR}/translations/lupdate.cmake)
set(checked ${SOURCE_DIR}/translations/kivo_en.ts)
file(MAKE_DIRECTORY ${WORK_DIR})
set(copy ${WORK_DIR}/kivo_en.ts)
file(COPY_FILE ${checked} ${copy})
set(folders "")
foreach(folder ${KIVO_TRANSLATED_FOLDERS})
  list(APPEND folders ${SOURCE_DIR}/src/${folder})
endforeach()
execute_process(COMMAND ${LUPDATE} ${KIVO_LUPDATE_OPTIONS} -I ${SOURCE_DIR}/src ${folders} -ts ${copy}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed:\n${output}")
endif()
file(READ ${checked} before)
file(READ ${copy} after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "translations/kivo_en.ts is not up to date with the sources: run "
                      "cmake --build BUILD_DIR --target update_translations, translate what is new and commit it "
                      "(src/ui/README.md).\n${output}")
endif()
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"unfinished\"" unfinished "${after}")
if(unfinished)
  message(FATAL_ERROR "texts without their English in translations/kivo_en.ts:\n${unfinished}")
endif()
message(STATUS "kivo_en.ts is complete and up to date")

# Writes a manual page from its scdoc source:
#   cmake -DSCDOC=scdoc -DGZIP=gzip -DINPUT=page.1.scd -DOUTPUT=page.1 -DVERSION=x.y -DEPOCH=secs -P this
# OUTPUT is the roff text (checked by the tests), OUTPUT.gz the page as installed. The date in the
# page's footer is that of EPOCH, so that two builds of one release write the same page.
cmake_minimum_required(VERSION 3.25)
file(READ "${INPUT}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
get_filename_component(name "${OUTPUT}" NAME)
set(filled "${OUTPUT}.scd")
file(WRITE "${filled}" "${text}")
set(ENV{SOURCE_DATE_EPOCH} "${EPOCH}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${filled}" OUTPUT_FILE "${OUTPUT}"
    RESULT_VARIABLE result)
file(REMOVE "${filled}")
if(NOT result EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "scdoc could not write ${name} from ${INPUT}")
endif()
execute_process(COMMAND "${GZIP}" -9nfk "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${OUTPUT}")
endif()

# One stored case of the batch runner: runs it and checks its JSON against the stored output.
# -DBATCH= the runner, -DCHECK= json_check, -DEXPECTED= the stored .json or .hash, -DOUT= the output file,
# -DARGS= the runner's arguments, separated by spaces. With the environment variable KORVEL_UPDATE_BITWISE
# set, the stored file is written instead.
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${BATCH} ${ARGS} --json ${OUT} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "korvel-batch ${ARGS} failed (${rc}): ${err}")
endif()
if(DEFINED ENV{KORVEL_UPDATE_BITWISE} AND NOT "$ENV{KORVEL_UPDATE_BITWISE}" STREQUAL "")
    if(EXPECTED MATCHES "\\.hash$")
        execute_process(COMMAND ${CHECK} --hash ${OUT} OUTPUT_FILE ${EXPECTED} RESULT_VARIABLE rc)
    else()
        file(COPY_FILE ${OUT} ${EXPECTED} RESULT rc)
    endif()
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot write ${EXPECTED}: ${rc}")
    endif()
    return()
endif()
execute_process(COMMAND ${CHECK} ${EXPECTED} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "korvel-batch ${ARGS}: the output differs from ${EXPECTED}")
endif()

# The whole strand through the batch runner: the series written as CSV and JSON (the crater end null
# while the strand fills, then a distance); a bad schedule refused naming its line, exit code 2.
file(WRITE ${OUT}/slow.csv "time_min,Vlit,Q1\n0,2.0,\n2,1.5,1.8\n")
file(REMOVE_RECURSE ${OUT}/strand)
execute_process(COMMAND ${BATCH} --schedule ${OUT}/slow.csv --duration 6 --launch 10 --out ${OUT}/strand
    --json ${OUT}/strand.json L=6 M=6 Dt=1 HalfX=0.05 HalfY=0.05 Lzvo=3 Rkorvel=3
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "korvel-batch --schedule failed (${rc}): ${out} ${err}")
endif()
foreach(f crater.csv pyrometers.csv profile.csv verdict.csv schedule.csv)
    if(NOT EXISTS ${OUT}/strand/${f})
        message(FATAL_ERROR "${f} not written")
    endif()
endforeach()
file(READ ${OUT}/strand.json json)
string(JSON n LENGTH "${json}" craterEnd)
string(JSON first TYPE "${json}" craterEnd 0 z)
string(JSON last TYPE "${json}" craterEnd 36 z)
string(JSON t GET "${json}" craterEnd 36 t)
if(NOT n EQUAL 37 OR NOT first STREQUAL "NULL" OR NOT last STREQUAL "NUMBER" OR NOT t EQUAL 6)
    message(FATAL_ERROR "craterEnd: ${n} entries, first ${first}, last ${last} at ${t} min")
endif()

file(WRITE ${OUT}/bad.csv "time_min,Vlit\n0,2\n1,2\n1,1.5\n")
execute_process(COMMAND ${BATCH} --schedule ${OUT}/bad.csv --out ${OUT}/bad RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "bad.csv" OR NOT err MATCHES "строка 4" OR EXISTS ${OUT}/bad)
    message(FATAL_ERROR "bad schedule: exit ${rc}, ${err}")
endif()

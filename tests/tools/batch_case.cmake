# Cases through the batch runner: a case written with --save-case and run with --case gives the same
# result, byte for byte, as the same values given as KEY=VALUE; overrides apply after the case; a bad
# case file is refused with its name and nothing is run.
function(run_batch)
    execute_process(COMMAND ${BATCH} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "korvel-batch ${ARGN} failed (${rc}): ${out} ${err}")
    endif()
endfunction()
function(expect_same a b)
    file(READ ${a} ta)
    file(READ ${b} tb)
    if(NOT ta STREQUAL tb)
        message(FATAL_ERROR "${a} and ${b} differ")
    endif()
endfunction()

set(values Vlit=1.7 Q1=2.5 T0=1530 Lkrist=0.7 L=12 M=9 SideFlag=-1 Dt=0.4)
run_batch(${values} --save-case ${OUT}/c.korvel)
run_batch(--case ${OUT}/c.korvel --steps 150 --json ${OUT}/case.json)
run_batch(${values} --steps 150 --json ${OUT}/keys.json)
expect_same(${OUT}/case.json ${OUT}/keys.json)

# Overrides after the case.
run_batch(--case ${OUT}/c.korvel Vlit=1.9 --steps 150 --json ${OUT}/case2.json)
run_batch(${values} Vlit=1.9 --steps 150 --json ${OUT}/keys2.json)
expect_same(${OUT}/case2.json ${OUT}/keys2.json)

# The start values saved as a case run as the default run.
run_batch(--save-case ${OUT}/start.korvel)
run_batch(--case ${OUT}/start.korvel --steps 100 --json ${OUT}/start.json)
run_batch(--steps 100 --json ${OUT}/default.json)
expect_same(${OUT}/start.json ${OUT}/default.json)

# A bad case: refused with the file's name, exit code 2, nothing written.
file(WRITE ${OUT}/bad.korvel "{\"format\": \"korvel-case\", \"version\": 9, \"fields\": {}}")
file(REMOVE ${OUT}/bad.json)
execute_process(COMMAND ${BATCH} --case ${OUT}/bad.korvel --json ${OUT}/bad.json RESULT_VARIABLE rc
    ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "bad.korvel" OR NOT err MATCHES "неизвестная версия формата 9"
   OR EXISTS ${OUT}/bad.json)
    message(FATAL_ERROR "bad case: rc ${rc}: ${err}")
endif()
# A grid the case cannot hold is not saved.
execute_process(COMMAND ${BATCH} L=200 --save-case ${OUT}/big.korvel RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 0 OR EXISTS ${OUT}/big.korvel OR NOT err MATCHES "от 4 до 100")
    message(FATAL_ERROR "L=200 saved: rc ${rc}: ${err}")
endif()

# One vocabulary: the data window's keys in its units give, bit for bit, what the model's keys give.
run_batch(DlomX=130 DlomY=140 Vp=0.5 l2=2.5 --json ${OUT}/window-keys.json)
execute_process(COMMAND ${BATCH} --save-case ${OUT}/l2.korvel l2=2.5 RESULT_VARIABLE rc)
run_batch(HalfX=0.065 HalfY=0.07 TauEnd=30 --case ${OUT}/l2.korvel --json ${OUT}/model-keys.json)
expect_same(${OUT}/window-keys.json ${OUT}/model-keys.json)
# One quantity under both its names is refused before anything runs.
execute_process(COMMAND ${BATCH} HalfX=0.065 DlomX=130 RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "одну величину")
    message(FATAL_ERROR "HalfX and DlomX together: exit ${rc}, ${err}")
endif()

# Runs a fuzzer for a bounded time on a copy of its seeds; fails on any finding.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
if(IS_DIRECTORY ${SEEDS})
  file(GLOB seeds ${SEEDS}/*)
  file(COPY ${seeds} DESTINATION ${WORK}/corpus)
endif()
# Every capture of the golden tests is a seed as well.
file(GLOB_RECURSE captures ${EXTRA_SEEDS}/capture.txt)
set(i 0)
foreach(c ${captures})
  math(EXPR i "${i}+1")
  configure_file(${c} ${WORK}/corpus/capture-${i} COPYONLY)
endforeach()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=1024 -max_len=8192
                        -print_final_stats=1 -artifact_prefix=${WORK}/ ${WORK}/corpus
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer found a problem (exit ${rc}):\n${err}")
endif()
string(REGEX MATCH "stat::number_of_executed_units: *[0-9]+" runs "${err}")
message(STATUS "${runs}")

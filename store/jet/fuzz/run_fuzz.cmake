# Runs the fuzz target for SECONDS on a corpus seeded from the fixtures and
# the generated rule database.  ctest -R jet.fuzz
if(NOT EXISTS "${FIXTURES}/adox_jet4.mdb")
  message("fixtures not found at ${FIXTURES}: fuzzing the generated database only")
endif()
if(NOT DEFINED RUNS)
  set(RUNS -1)  # until SECONDS have passed
endif()
if(NOT DEFINED SEED)
  set(SEED 0)  # a new random seed each time
endif()
file(MAKE_DIRECTORY "${WORK}/corpus")
file(GLOB seeds "${FIXTURES}/*.mdb")
foreach(s IN LISTS seeds)
  get_filename_component(n "${s}" NAME)
  file(SIZE "${s}" sz)
  if(sz LESS 400000 AND NOT EXISTS "${WORK}/corpus/${n}")
    file(COPY_FILE "${s}" "${WORK}/corpus/${n}")
  endif()
endforeach()
execute_process(
  # ctest passes a fixed seed and number of runs, so every test run is the same; longer runs
  # with random seeds are for hunting (store/jet/README.md).
  COMMAND "${FUZZER}" -seed=${SEED} -runs=${RUNS} -max_total_time=${SECONDS} -max_len=400000 -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 "${WORK}/corpus"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer reported a problem (exit ${rc}); see the crash file in ${WORK}")
endif()

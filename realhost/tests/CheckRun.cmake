# What a run of the real host with Kestrane must show (scripts/real-host.sh run of
# realhost/scenarios/tug-reel.scn, whose block ties Tug and Pod on 1500 m that reel in at 0.5 m/s):
# the host loaded the module, stepped it for the whole run, the tether reeled, and the module's
# block was written back into the scenario the host saved at the end.
#
#   cmake -DRUN=DIR -DDURATION=S -P CheckRun.cmake      (S a whole, even number of seconds)
foreach(required RUN DURATION)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "CheckRun.cmake needs -D${required}=...")
  endif()
endforeach()

file(READ ${RUN}/Orbiter.log log)
string(FIND "${log}" "Loading module Kestrane" at)
if(at EQUAL -1)
  message(FATAL_ERROR "Orbiter.log does not say that the host loaded Kestrane")
endif()
# The display mode is registered as both host generations register it: the host logs any call of
# an interface it keeps only for old modules.
string(REGEX MATCH "Obsolete API function used: [^\r\n]*" obsolete "${log}")
if(obsolete)
  message(FATAL_ERROR "Orbiter.log says: ${obsolete}")
endif()

# The tether, as the recorder read it from the module's block, at the start and at the end.
math(EXPR endLength "1500 - ${DURATION} / 2")
file(STRINGS ${RUN}/tethers.csv rows REGEX "^[0-9.]+,0,")
list(GET rows 0 first)
list(GET rows -1 last)
if(NOT first STREQUAL "0,0,1,Tug,Pod,1500,1500,100,0,2000,-0.5,0")
  message(FATAL_ERROR "the tether was not tied from the block at the start: ${first}")
endif()
if(NOT last MATCHES "^${DURATION},0,1,Tug,Pod,${endLength},")
  message(FATAL_ERROR "after ${DURATION} s of reeling in at 0.5 m/s the tether is not ${endLength} m long: ${last}")
endif()

# The scenario the host saved at the end: its clock moved on by the run, and it holds the block.
file(READ ${RUN}/end.scn saved)
string(REPLACE "\r" "" saved "${saved}")
if(NOT saved MATCHES "Date MJD 60000\\.([0-9]+)")
  message(FATAL_ERROR "the saved scenario has no date of the run")
endif()
# The run's time from the date, written to 1e-10 days: the fraction's ten digits, less the start's
# half day, in milliseconds rounded.
string(SUBSTRING "${CMAKE_MATCH_1}0000000000" 0 10 fraction)
math(EXPR elapsed "((${fraction} - 5000000000) * 864 + 50000) / 100000")
math(EXPR milliseconds "${DURATION} * 1000")
if(NOT elapsed EQUAL milliseconds)
  message(FATAL_ERROR "the saved scenario is ${elapsed} ms into the run, not ${milliseconds}")
endif()
string(FIND "${saved}" "\nBEGIN_Kestrane\n" begin)
if(begin EQUAL -1)
  message(FATAL_ERROR "the saved scenario has no BEGIN_Kestrane block")
endif()
string(SUBSTRING "${saved}" ${begin} -1 block)
foreach(line "  TetherData 0 CONNECT 1" "  TetherData 0 Ship1 Tug" "  TetherData 0 Ship2 Pod"
             "  TetherData 0 Length ${endLength}.0" "  TetherData 0 ReelSpeed -0.5")
  string(FIND "${block}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the saved block lacks the line '${line}'")
  endif()
endforeach()

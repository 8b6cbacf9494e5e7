cmake_minimum_required(VERSION 3.25)
# Includes run down the layers only: a file may include its own folder and the
# folders of lower layers, never a higher one or another folder of its own layer.
# The layers, lowest first (folders of one layer share a number):
set(layers
  common=0 readings=1 screen=2 frames=3 decoders=4 presentation=5 profile=5 config=5 core=6
  serial=7 sim=7 registry=8 publish=8 session=9 app=10 cli=10)
# Includes that still run up, until the receiver's state is behind its own verbs.
# The check fails on any other, and on an entry here that no longer happens, so
# this list only shrinks.
set(known_upward
  src/config/Commands.cpp>core
  src/decoders/ContactAlarm.cpp>presentation
  src/decoders/DecoderCommon.h>core
  src/decoders/Electricity.cpp>presentation
  src/decoders/F1Family.cpp>core
  src/decoders/F1Family.cpp>presentation
  src/decoders/F1SubDecoders.cpp>presentation
  src/decoders/Humidity.cpp>presentation
  src/decoders/LeakNoise.cpp>presentation
  src/decoders/Legionella.cpp>presentation
  src/decoders/LevelPressure.cpp>presentation
  src/decoders/PulseCounters.cpp>presentation
  src/decoders/PulseRowWrites.h>core
  src/decoders/ReadingFields.h>core
  src/decoders/Temperature.cpp>presentation
  src/decoders/Thermocouple.cpp>presentation
  src/decoders/VoltageCurrent.cpp>presentation
  src/frames/BadFrames.cpp>core
  src/frames/FrameExtraction.cpp>core
  src/presentation/CsvLog.cpp>core
  src/presentation/Grids.cpp>core
  src/presentation/MessageOutput.cpp>core
  src/presentation/StateSnapshot.cpp>core
  src/profile/Profile.cpp>core)

foreach(entry ${layers})
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 name)
  list(GET pair 1 rank)
  set(rank_${name} ${rank})
endforeach()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(bad "")
set(seen "")
foreach(f ${files})
  string(REGEX MATCH "^src/([a-z]+)/" _ ${f})
  set(own ${CMAKE_MATCH_1})
  if(NOT DEFINED rank_${own})
    list(APPEND bad "${f}: folder ${own} has no layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
  foreach(line ${includes})
    string(REGEX MATCH "\"([a-z]+)/" _ "${line}")
    set(to ${CMAKE_MATCH_1})
    if(to STREQUAL own OR NOT DEFINED rank_${to})
      continue()
    endif()
    if(rank_${to} LESS rank_${own})
      continue()
    endif()
    if("${f}>${to}" IN_LIST known_upward)
      list(APPEND seen "${f}>${to}")
    else()
      list(APPEND bad "${f}: includes ${to}/ (layer ${rank_${to}}) from ${own}/ (layer ${rank_${own}})")
    endif()
  endforeach()
endforeach()
foreach(entry ${known_upward})
  if(NOT entry IN_LIST seen)
    list(APPEND bad "${entry}: no longer included; take it off the known list")
  endif()
endforeach()
if(bad)
  list(REMOVE_DUPLICATES bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "${bad}")
endif()
list(LENGTH known_upward known)
message(STATUS "layers: no include runs up but the ${known} known ones")

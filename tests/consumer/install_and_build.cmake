# Installs the build in BUILD_DIR into a fresh prefix under WORK_DIR, builds
# the consumer project in SOURCE_DIR against it with the same compiler and
# flags, and runs it on an archive written by the installed mkportal: it
# must count the files that mkportal says it wrote. The installed tintsurvey
# must survey the same archive, the consumer's survey give its report byte for
# byte, and the consumer resolve a surface to the colour of the report and a
# broken one to its error. Every public header of the installed libraries
# (under PROJECT_DIR) must be installed.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPROJECT_DIR=... -DWORK_DIR=... -DGENERATOR=...
#         -DCXX=... -DCXX_FLAGS=... -DLINKER_FLAGS=... -DBUILD_TYPE=... -P install_and_build.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command}\nexited with ${status}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(library brackwater-dat brackwater-survey)
  file(GLOB_RECURSE headers RELATIVE ${PROJECT_DIR}/lib/${library}/include
       ${PROJECT_DIR}/lib/${library}/include/*)
  foreach(header IN LISTS headers)
    if(NOT EXISTS ${prefix}/include/${header})
      message(FATAL_ERROR "the public header ${header} was not installed")
    endif()
  endforeach()
endforeach()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

run(${prefix}/bin/mkportal sample ${WORK_DIR}/sample.dat)
if(NOT err MATCHES ": ([0-9]+) files,")
  message(FATAL_ERROR "mkportal did not say how many files it wrote: ${err}")
endif()
set(written "${CMAKE_MATCH_1}")

run(${WORK_DIR}/build/count_files ${WORK_DIR}/sample.dat)
if(NOT out STREQUAL "${written} files\n")
  message(FATAL_ERROR "the consumer counted '${out}', mkportal wrote ${written} files")
endif()

run(${prefix}/bin/tintsurvey --portal-dat ${WORK_DIR}/sample.dat --out ${WORK_DIR}/report.json)
file(READ ${WORK_DIR}/report.json report)
run(${WORK_DIR}/build/survey_report ${WORK_DIR}/sample.dat)
if(NOT out STREQUAL report)
  message(FATAL_ERROR "the consumer's survey differs from tintsurvey's report")
endif()

# 0x08000005 is textured with a palette of its own; 0x08000088 is a Surface
# record cut short, whose framed parse error comes out in one line.
run(${WORK_DIR}/build/surface_colour ${WORK_DIR}/sample.dat 0x08000005)
string(STRIP "${out}" out)
string(FIND "${report}" "\"0x08000005\": ${out}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the consumer's colour of 0x08000005, '${out}', is not the report's")
endif()
execute_process(COMMAND ${WORK_DIR}/build/surface_colour ${WORK_DIR}/sample.dat 0x08000088
  RESULT_VARIABLE status ERROR_VARIABLE err)
set(expected "failed to fill whole buffer, while parsing field 'orig_palette_id' in TextureRefs\n")
if(NOT status EQUAL 1 OR NOT err STREQUAL expected)
  message(FATAL_ERROR "a broken surface gave status ${status} and '${err}'")
endif()
message(STATUS "the consumer counted ${written} files and resolved as the survey; the installed tools ran")

# Installs the build in BUILD_DIR into a fresh prefix under WORK_DIR, builds
# the consumer project in SOURCE_DIR against it with the same compiler and
# flags, and runs it on an archive written by the installed mkportal: it
# must count the files that mkportal says it wrote. The installed tintsurvey
# must survey the same archive.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=...
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
message(STATUS "the consumer counted ${written} files; the installed tools ran")

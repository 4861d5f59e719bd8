# Installs the build in BUILD_DIR with the prefix ~/.local of a home made up
# under WORK_DIR, then imports the package with PYTHON from that home: the
# install must have found the user's site-packages, with the type stubs
# beside the module.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DPYTHON=... -P import_installed.cmake

set(home ${WORK_DIR}/home)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${home})
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${home}
                  ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${home}/.local
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install exited with ${status}: ${err}")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${home} --unset=PYTHONPATH --unset=PYTHONNOUSERSITE
    ${PYTHON} -c "import brackwater_dat, os, site; print(os.path.dirname(brackwater_dat.__file__)); print(site.getusersitepackages())"
  WORKING_DIRECTORY /
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "\n" ";" lines "${out}")
list(LENGTH lines count)
if(NOT status EQUAL 0 OR NOT count EQUAL 2)
  message(FATAL_ERROR "import brackwater_dat with HOME=${home}: exited ${status}: ${out}\n${err}")
endif()
list(GET lines 0 package)
list(GET lines 1 user_site)
if(NOT package STREQUAL "${user_site}/brackwater_dat")
  message(FATAL_ERROR "brackwater_dat imported from ${package}, not from ${user_site}")
endif()
foreach(file __init__.pyi py.typed)
  if(NOT EXISTS ${package}/${file})
    message(FATAL_ERROR "no ${file} in ${package}")
  endif()
endforeach()

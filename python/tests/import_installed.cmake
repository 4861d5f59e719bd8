# Installs the build in BUILD_DIR into a fresh prefix under WORK_DIR and
# imports the installed module with PYTHON, the prefix's package directory
# PACKAGE_DIR on PYTHONPATH; its type stubs must lie beside it.
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DPYTHON=... -DPACKAGE_DIR=... -P import_installed.cmake

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install exited with ${status}: ${err}")
endif()

set(packages ${prefix}/${PACKAGE_DIR})
if(NOT EXISTS ${packages}/brackwater_dat.pyi)
  message(FATAL_ERROR "no brackwater_dat.pyi in ${packages}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${packages}
    ${PYTHON} -c "import brackwater_dat, os; print(os.path.dirname(brackwater_dat.__file__))"
  WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR NOT out STREQUAL packages)
  message(FATAL_ERROR "import brackwater_dat from ${packages}: exited ${status}, found in '${out}'\n${err}")
endif()

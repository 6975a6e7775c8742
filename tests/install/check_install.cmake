# Installs the built tree into a scratch prefix, then builds and runs a consumer against it
# through find_package and through pkg-config.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# A cross build (TOOLCHAIN given) builds the consumer with the same toolchain and runs it
# through RUN, the emulator command with its items joined by '|'. EXE is the target's program
# suffix (".exe" for Windows, which Wine needs to find the program).
string(REPLACE "|" ";" run_on_target "${RUN}")
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(cross_options)
if(TOOLCHAIN)
  # The toolchain confines find_package to the target's root, and the prefix lies outside it:
  # the package's folder is given outright.
  file(GLOB_RECURSE config ${prefix}/*/vnimgConfig.cmake)
  get_filename_component(config_dir "${config}" DIRECTORY)
  set(cross_options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -Dvnimg_DIR=${config_dir})
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release ${cross_options})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# Windows finds the DLL beside the program, as an application would ship it.
file(GLOB dlls ${prefix}/bin/*.dll)
if(dlls)
  file(COPY ${dlls} DESTINATION ${WORK_DIR}/build)
  file(COPY ${dlls} DESTINATION ${WORK_DIR})
endif()
run(${run_on_target} ${WORK_DIR}/build/consumer${EXE})
message(STATUS "find_package consumer: ${run_output}")

find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pc_files ${prefix}/*/vnimg.pc)
  list(GET pc_files 0 pc_file)
  get_filename_component(pc_dir ${pc_file} DIRECTORY)
  run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir} ${PKG_CONFIG} --cflags --libs vnimg)
  string(STRIP "${run_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CXX} ${SOURCE_DIR}/main.cpp ${flags} -o ${WORK_DIR}/consumer-pc${EXE})
  get_filename_component(lib_dir ${pc_dir} DIRECTORY)
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir} ${run_on_target} ${WORK_DIR}/consumer-pc${EXE})
  message(STATUS "pkg-config consumer: ${run_output}")
endif()

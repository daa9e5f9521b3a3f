# Installs the built library into a scratch prefix, then builds and runs two
# consumers against it: one through find_package(noxara), one through
# pkg-config. Run by CTest with -DBUILD_DIR= -DCONFIG= -DWORK_DIR= -DSOURCE_DIR=
# -DLIBDIR= -DC_COMPILER= -DGENERATOR= -DVERSION=.
cmake_minimum_required(VERSION 3.16)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  message(STATUS "${what}: ok ${out}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_args})

foreach(f include/noxara.h ${LIBDIR}/cmake/noxara/noxaraConfig.cmake
          ${LIBDIR}/cmake/noxara/noxaraConfigVersion.cmake ${LIBDIR}/pkgconfig/noxara.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package consumer, asking for the exact version it was built with.
set(cbuild ${WORK_DIR}/cmake-consumer)
run("configure find_package consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${cbuild}
    -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_BUILD_TYPE=Release -DEXPECTED_VERSION=${VERSION})
run("build find_package consumer" ${CMAKE_COMMAND} --build ${cbuild} --config Release)
find_program(consumer_exe consumer PATHS ${cbuild} ${cbuild}/Release NO_DEFAULT_PATH)
run("run find_package consumer" ${consumer_exe} ${VERSION})

# pkg-config consumer: flags as pkg-config gives them, run-time path from its libdir.
find_program(PKG_CONFIG pkg-config)
if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config is needed for the pkg-config consumer")
endif()
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --modversion noxara OUTPUT_VARIABLE pc_version
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT pc_version STREQUAL VERSION)
  message(FATAL_ERROR "pkg-config reports version '${pc_version}', expected ${VERSION}")
endif()
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs noxara OUTPUT_VARIABLE pc_flags
                OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${PKG_CONFIG} --variable=libdir noxara OUTPUT_VARIABLE pc_libdir
                OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
set(pexe ${WORK_DIR}/pkgconfig-consumer)
run("build pkg-config consumer" ${C_COMPILER} -std=c99 -Wall -Wextra -pedantic -Werror
    ${SOURCE_DIR}/consumer.c -o ${pexe} ${pc_flags} -Wl,-rpath,${pc_libdir} -lm)
run("run pkg-config consumer" ${pexe} ${VERSION})

# cmake -DPROGRAM=<executable> -DNM=<nm> -P sets_up_no_iostreams.cmake
#
# Fails when the program links the static set-up of <iostream>'s standard
# streams: it runs at every start and, with the streams' locale, costs the
# game about 250 KiB of memory.  The program writes to stderr through stdio.
execute_process(COMMAND ${NM} -D --undefined-only ${PROGRAM}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${PROGRAM}")
endif()
if(symbols MATCHES "_ZNSt8ios_base4InitC[12]Ev")
  message(FATAL_ERROR "${PROGRAM} sets up the standard streams: some file includes <iostream>")
endif()

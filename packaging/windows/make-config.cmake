# cmake -DINPUT=config.ini.in -DOUTPUT=config.ini -DICONV=iconv -P make-config.cmake
# Writes the UTF-8 template as the Windows profile functions keep config.ini: CRLF line ends,
# the ANSI code page (GBK, code page 936) without byte-order mark. A character that GBK lacks
# fails the build.
file(READ ${INPUT} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT}.utf8 "${text}")
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP936 ${OUTPUT}.utf8
                OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE status ERROR_VARIABLE error)
file(REMOVE ${OUTPUT}.utf8)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT}.tmp)
  message(FATAL_ERROR "${INPUT}: cannot be written in code page 936: ${error}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})

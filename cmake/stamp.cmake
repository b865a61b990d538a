# cmake -DIN=script -DOUT=copy -DVERSION=v -P stamp.cmake: an executable copy of a
# Python tool whose TAMSEL_VERSION line carries the configured version.
file(READ ${IN} text)
string(REGEX REPLACE "\nTAMSEL_VERSION = \"[^\"\n]*\"" "\nTAMSEL_VERSION = \"${VERSION}\"" text "${text}")
file(WRITE ${OUT}.tmp "${text}")
execute_process(COMMAND chmod 755 ${OUT}.tmp)
file(RENAME ${OUT}.tmp ${OUT})

# Writes the system-wide settings file that tells the installed program where its
# data is. Input: TSN_SETTINGS_FILE (where to write) and TSN_INSTDIR (the data
# directory). The program reads instdir as the text after "=", byte for byte, and
# reads a value that starts with a double quote the way QSettings writes strings;
# so the directory is written as it is, unless it could not be read back so: then
# it is quoted and escaped.
set(tsn_value "${TSN_INSTDIR}")
if(tsn_value MATCHES "^\"" OR tsn_value MATCHES "[\n\r]")
    string(REPLACE "\\" "\\\\" tsn_value "${tsn_value}")
    string(REPLACE "\"" "\\\"" tsn_value "${tsn_value}")
    string(REPLACE "\n" "\\n" tsn_value "${tsn_value}")
    string(REPLACE "\r" "\\r" tsn_value "${tsn_value}")
    set(tsn_value "\"${tsn_value}\"")
endif()
message(STATUS "Installing: ${TSN_SETTINGS_FILE}")
file(WRITE "${TSN_SETTINGS_FILE}" "[General]\ninstdir=${tsn_value}\n")

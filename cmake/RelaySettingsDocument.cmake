# Script mode (cmake -P): writes OUTPUT from TEMPLATE (configure_file @ONLY), with @RELAY_SETTINGS@
# the settings that `RELAY --help` lists, in the FORMAT of SCRIPT (resources/relay/relay-settings.awk:
# man or env; SET names the variables an env file sets) and @PROJECT_VERSION@ given as VERSION. So
# the documents that list the settings are made from the program that reads them, and never lag.
foreach(name RELAY AWK SCRIPT FORMAT TEMPLATE OUTPUT VERSION)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "RelaySettingsDocument.cmake needs -D${name}=...")
    endif()
endforeach()
execute_process(
    COMMAND "${RELAY}" --help
    COMMAND "${AWK}" -v "format=${FORMAT}" -v "set=${SET}" -f "${SCRIPT}"
    OUTPUT_VARIABLE RELAY_SETTINGS
    RESULTS_VARIABLE results)
foreach(result IN LISTS results)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${RELAY} --help | awk -f ${SCRIPT} failed: ${results}")
    endif()
endforeach()
string(REGEX REPLACE "\n$" "" RELAY_SETTINGS "${RELAY_SETTINGS}")
set(PROJECT_VERSION "${VERSION}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)

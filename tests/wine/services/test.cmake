# The platform services are tested directly: the program links the Win32 services, Winsock for
# its loopback HTTP server, and needs the recorder program (tools/) beside it.
target_link_libraries(${target} PRIVATE zormint_win32 ws2_32)
add_dependencies(${target} zormint_recorder)

# An event-log entry carries the event id of its message in ZORMINT.dll's message table
# (src/win32/zormint_messages.mc: severity Error in the top two bits, id 1), which shows the
# entry's text unchanged (tests/wine/installer). Wine keeps no event log, but its trace of
# ReportEventW shows the entry's source, type, category and event id.
add_test(NAME wine.Win32EventLog.EntryCarriesTheEventIdOfItsMessage
         COMMAND ${target} --gtest_filter=Win32EventLog.WritesAnErrorEntry)
set_tests_properties(wine.Win32EventLog.EntryCarriesTheEventIdOfItsMessage PROPERTIES
  ENVIRONMENT "WINEDEBUG=-all,fixme+advapi"
  PASS_REGULAR_EXPRESSION "ReportEventW \\([0-9A-Fa-f]+,0x0001,0x0000,0xc0000001,"
  FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
  FIXTURES_REQUIRED wine RESOURCE_LOCK wine_prefix TIMEOUT 300)

# Install step: let ping and trace route open ICMP sockets without root by
# granting the installed binary cap_net_raw (never setuid). A staged install
# (DESTDIR, as for the Debian package) leaves it to the package's postinst.
set(binary "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/tarsino")
if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
    message(STATUS "Staged install: cap_net_raw is granted by the package's postinst")
    return()
endif()
find_program(SETCAP setcap PATHS /usr/sbin /sbin)
if(NOT SETCAP)
    message(WARNING "setcap not found (Debian package libcap2-bin): ping and trace route will need "
                    "'sudo setcap cap_net_raw+ep ${binary}' or net.ipv4.ping_group_range (see README)")
    return()
endif()
execute_process(COMMAND ${SETCAP} cap_net_raw+ep ${binary} RESULT_VARIABLE failed ERROR_VARIABLE why)
if(failed)
    message(WARNING "Could not grant cap_net_raw to ${binary}: ${why}"
                    "Run 'sudo setcap cap_net_raw+ep ${binary}', or see README for ping_group_range.")
else()
    message(STATUS "Granted cap_net_raw to ${binary}")
endif()

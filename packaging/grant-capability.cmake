# Install step: let ping and trace route send ICMP echoes without root by
# granting cap_net_raw to the ICMP helper alone (never setuid, never to the Qt
# program, which loads plugins that the environment names). A staged install
# (DESTDIR, as for the Debian package) leaves it to the package's postinst.
# TARSINO_HELPER_DIR is set by the install code before this script.
set(helper "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TARSINO_HELPER_DIR}/tarsino-icmp")
set(program "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/tarsino")
if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
    message(STATUS "Staged install: cap_net_raw is granted by the package's postinst")
    return()
endif()
find_program(SETCAP setcap PATHS /usr/sbin /sbin)
find_program(GETCAP getcap PATHS /usr/sbin /sbin)
if(NOT SETCAP OR NOT GETCAP)
    message(WARNING "setcap not found (Debian package libcap2-bin): ping and trace route will need "
                    "'sudo setcap cap_net_raw+ep ${helper}' or net.ipv4.ping_group_range (see README)")
    return()
endif()
# An earlier install granted the capability to the program itself: take it back.
execute_process(COMMAND ${GETCAP} ${program} OUTPUT_VARIABLE held OUTPUT_STRIP_TRAILING_WHITESPACE)
if(held)
    execute_process(COMMAND ${SETCAP} -r ${program} RESULT_VARIABLE failed)
    if(failed)
        message(WARNING "Could not remove the capabilities of ${program}: run 'sudo setcap -r ${program}'")
    endif()
endif()
execute_process(COMMAND ${SETCAP} cap_net_raw+ep ${helper} RESULT_VARIABLE failed ERROR_VARIABLE why)
if(failed)
    message(WARNING "Could not grant cap_net_raw to ${helper}: ${why}"
                    "Run 'sudo setcap cap_net_raw+ep ${helper}', or see README for ping_group_range.")
else()
    message(STATUS "Granted cap_net_raw to ${helper}")
endif()

# Installation and the Debian packages. Two packages, so that a headless
# machine on a production line gets the programs without pulling in Qt:
#   t860ctl   t860ctl, t860-uhid, their manual pages, the udev rules, AppStream
#             metadata announcing the controllers it opens, and the health
#             check's systemd units, user and example alerting rules;
#   t860util  the windows: t860util, its manual page, menu entry, icon and
#             AppStream metadata; it depends on t860ctl, which brings the
#             udev rule that both need.
include(GNUInstallDirs)
set(_generated "${CMAKE_BINARY_DIR}/packaging")
set(_metainfo_dir "${CMAKE_INSTALL_DATADIR}/metainfo")

# Debian's gzip: best compression, and no name or time stamp in the header,
# so that two builds of the same source give the same package.
function(t860_gzip source output)
    get_filename_component(name "${output}" NAME_WLE)
    set(copy "${_generated}/${name}")
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
        COMMAND gzip -9nf "${copy}"
        DEPENDS "${source}"
        VERBATIM)
    string(MAKE_C_IDENTIFIER "gzip_${name}" target)
    add_custom_target(${target} ALL DEPENDS "${output}")
endfunction()

t860_gzip("${PROJECT_SOURCE_DIR}/packaging/changelog" "${_generated}/changelog.gz")

# What every package carries in /usr/share/doc/<package>, and its AppStream
# metadata (packaging/<package>.metainfo.xml.in, the release from the
# changelog).
function(t860_package_files package)
    install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${_generated}/changelog.gz"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/${package}" COMPONENT ${package})
    set(metainfo "${_generated}/invalid.t860util.${package}.metainfo.xml")
    configure_file("${PROJECT_SOURCE_DIR}/packaging/${package}.metainfo.xml.in" "${metainfo}" @ONLY)
    install(FILES "${metainfo}" DESTINATION "${_metainfo_dir}" COMPONENT ${package})
    # Lintian overrides, each with a comment giving its reason.
    set(overrides "${PROJECT_SOURCE_DIR}/packaging/lintian/${package}")
    if(EXISTS "${overrides}")
        install(FILES "${overrides}" DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides"
                COMPONENT ${package})
    endif()
endfunction()

# A manual page, compressed, in section 1 of the package's component.
function(t860_install_manual_page source component)
    get_filename_component(name "${source}" NAME)
    t860_gzip("${source}" "${_generated}/${name}.gz")
    install(FILES "${_generated}/${name}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
            COMPONENT ${component})
endfunction()

# --- t860ctl ---------------------------------------------------------------
install(TARGETS t860ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT t860ctl)
if(TARGET t860-uhid)
    install(TARGETS t860-uhid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT t860ctl)
endif()
install(FILES packaging/70-t860.rules DESTINATION lib/udev/rules.d COMPONENT t860ctl)
t860_package_files(t860ctl)
t860_install_manual_page("${PROJECT_SOURCE_DIR}/docs/man/t860ctl.1" t860ctl)
t860_install_manual_page("${PROJECT_SOURCE_DIR}/docs/man/t860-uhid.1" t860ctl)

# The health check for the node exporter: its service and timer (installed,
# not enabled), their arguments in one file under /etc, the system user and
# group it runs as (made by the package's postinst through systemd-sysusers),
# the group's access to the controllers, and the example alerting rules.
install(FILES packaging/t860-health.service packaging/t860-health.timer
        DESTINATION lib/systemd/system COMPONENT t860ctl)
install(FILES packaging/t860ctl.sysusers DESTINATION lib/sysusers.d RENAME t860ctl.conf
        COMPONENT t860ctl)
install(FILES packaging/70-t860-group.rules DESTINATION lib/udev/rules.d COMPONENT t860ctl)
install(FILES packaging/t860-health.default DESTINATION /etc/default RENAME t860-health
        COMPONENT t860ctl)
install(FILES packaging/t860-alerts.yml DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/t860ctl/examples
        COMPONENT t860ctl)
# The package's control files, under the names dpkg gives them.
set(_ctl_control "${_generated}/t860ctl-control")
file(WRITE "${_ctl_control}/conffiles" "/etc/default/t860-health\n")
configure_file(packaging/t860ctl.postinst "${_ctl_control}/postinst" COPYONLY)

# --- t860util --------------------------------------------------------------
if(T860_WITH_QT)
    install(TARGETS t860util RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT t860util)
    install(FILES packaging/t860util.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT t860util)
    install(FILES packaging/t860util.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT t860util)
    t860_package_files(t860util)
    t860_install_manual_page("${PROJECT_SOURCE_DIR}/docs/man/t860util.1" t860util)
endif()

# --- The Debian packages (CPack) ------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL t860ctl)
if(T860_WITH_QT)
    list(APPEND CPACK_COMPONENTS_ALL t860util)
endif()
set(CPACK_PACKAGE_VENDOR "Brightfold")
# The project has no mail domain of its own yet; ".invalid" says so openly,
# where a made-up domain might one day belong to someone else.
set(CPACK_PACKAGE_CONTACT "T860 Utilities maintainers <maintainers@t860util.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Library dependencies from dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_T860CTL_PACKAGE_NAME t860ctl)
set(CPACK_DEBIAN_T860CTL_DESCRIPTION
    "command-line tool for the BFT860 optical USB touchscreen controller
t860ctl does from a command line what T860 Utilities does in its windows,
one command per run, for production-line scripts and support: device
information, modes, commands, settings dumps and files, packet logs, camera
profiles, performance statistics and a service report. It needs no window
system. A systemd timer (not enabled) runs its health check and publishes
it for the Prometheus node exporter's textfile collector.

The package also holds t860-uhid, which plugs a virtual controller into the
running kernel to test without the hardware, and the udev rule that lets the
user at the seat open the controller.")
# udev reads new rules by itself; re-plugging the controller applies them.
set(CPACK_DEBIAN_T860CTL_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_T860CTL_PACKAGE_CONTROL_EXTRA
    "${_ctl_control}/conffiles;${_ctl_control}/postinst")
set(CPACK_DEBIAN_T860CTL_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

set(CPACK_DEBIAN_T860UTIL_PACKAGE_NAME t860util)
set(CPACK_COMPONENT_T860UTIL_DEPENDS t860ctl)
set(CPACK_DEBIAN_T860UTIL_DESCRIPTION
    "service utility for the BFT860 optical USB touchscreen controller
T860 Utilities shows whether the controller is connected and what it reports
about itself, sends it commands, edits its settings, shows its cameras' pixel
profiles live, tests touch reporting on a full-screen window, logs touch
packets and reads performance statistics. A built-in virtual controller lets
every window be tried without the hardware.")
# Qt's platform plugins are loaded at run time, so no library dependency
# names them.
set(CPACK_DEBIAN_T860UTIL_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's Wayland platform: in a Wayland session the windows are then the
# compositor's own, which tells them their screen and their keyboard focus;
# without it they run under Xwayland.
set(CPACK_DEBIAN_T860UTIL_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)

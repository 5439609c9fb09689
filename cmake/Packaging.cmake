# The Linux package: `cpack -G DEB` in a build tree makes velin_VERSION_ARCH.deb holding
# velin-cli, the receiver's udev rule, the systemd user unit, the README and the copyright
# file. Dependencies are read off the binary by dpkg-shlibdeps.
set(linux_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
install(TARGETS velin-cli RUNTIME DESTINATION bin)
install(FILES ${linux_packaging}/70-velin-receiver.rules DESTINATION lib/udev/rules.d)
install(FILES ${linux_packaging}/velin.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${linux_packaging}/copyright
        DESTINATION share/doc/velin)

set(CPACK_PACKAGE_NAME velin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velin maintainers <velin@velin-print.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "label bridge: prints the labels phones send to a USB Bluetooth receiver")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${linux_packaging}/postinst;${linux_packaging}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

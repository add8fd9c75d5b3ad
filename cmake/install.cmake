# What `cmake --install` puts where.
include(GNUInstallDirs)
install(TARGETS extendlist reverselist RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# `cmake --install <build> --prefix P` lays Kestrel out as a desktop program:
#
#   P/lib/kestrel/              the program, every library it loads by name, the grabber plugin, the
#                               resource bundles and the helper programs: one folder, as in the build's
#                               bin/, since each of them looks for the others in its own folder
#   P/bin/kestrel               the command: a relative link to ../lib/kestrel/kestrel
#   P/share/applications/       desktop entries of Kestrel and of Framepeek (the viewer of .dvf files)
#   P/share/icons/hicolor/      the program's icon at the sizes of the icon theme
#   P/share/mime/packages/      the type of DV still frames, video/x-kestrel-dvf
#
# Only the targets named here are installed: the test programs, benchmarks, fuzzers and build tools
# share the build's bin/ folder and must stay out.

set(KESTREL_INSTALL_FOLDER lib/kestrel)
set(KESTREL_ICON_SIZES 16 22 24 32 48 64 128 256)

set(kestrel_installed_programs kestrel Framepeek Slidecast Tempsweep)
# Loaded by name at run time (or linked, for the platform library), so never found through the link
# step's dependencies: each is named.
set(kestrel_installed_libraries kestrel_platform Vistra32 Clipnail Stillpick gstquilgrab Camlink
    QuilJpeg ExifKit ImgProbe ImgShift Turnkit Stillform Capline)

set(kestrel_install_targets "")
foreach(target IN LISTS kestrel_installed_programs kestrel_installed_libraries)
  # A partial build installs what it has.
  if(TARGET ${target})
    list(APPEND kestrel_install_targets ${target})
  endif()
endforeach()
if(kestrel_install_targets)
  install(TARGETS ${kestrel_install_targets}
    RUNTIME DESTINATION ${KESTREL_INSTALL_FOLDER}
    LIBRARY DESTINATION ${KESTREL_INSTALL_FOLDER})
endif()

if(TARGET bundles)
  install(FILES ${KESTREL_BIN_DIR}/Uibase.rcc ${KESTREL_BIN_DIR}/Uires.rcc DESTINATION ${KESTREL_INSTALL_FOLDER})
endif()

# The icon is the bundles' program icon, drawn afresh at every size by the painter the bundles use.
if(TARGET resgen)
  add_executable(iconpaint ${CMAKE_SOURCE_DIR}/packaging/IconPainter.cpp
                 ${CMAKE_SOURCE_DIR}/resources/generator/BarPainter.cpp)
  target_include_directories(iconpaint PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources/generator)
  target_link_libraries(iconpaint PRIVATE Qt6::Gui)
  set(kestrel_icon_dir ${CMAKE_BINARY_DIR}/packaging/icons)
  set(kestrel_icons "")
  foreach(size IN LISTS KESTREL_ICON_SIZES)
    list(APPEND kestrel_icons ${kestrel_icon_dir}/${size}x${size}/apps/kestrel.png)
  endforeach()
  add_custom_command(OUTPUT ${kestrel_icons}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:iconpaint> ${kestrel_icon_dir} ${KESTREL_ICON_SIZES}
    DEPENDS iconpaint
    COMMENT "Drawing the desktop icons")
  add_custom_target(desktop_icons ALL DEPENDS ${kestrel_icons})
  install(DIRECTORY ${kestrel_icon_dir}/ DESTINATION share/icons/hicolor)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel-dvf.xml DESTINATION share/mime/packages)
install(SCRIPT ${CMAKE_SOURCE_DIR}/packaging/InstallSteps.cmake)

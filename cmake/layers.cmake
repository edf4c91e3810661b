# The layers of the tree, checked when the build is configured, so that a
# break fails the build instead of rotting:
#
#   core -> net -> subsystem libraries -> services -> ui -> app
#
# A source file may include from its own folder and from the folders listed
# for it below, nothing else. The subsystem libraries link no GUI library.

set(talvec_subsystems collect analysis search watch favorites competitors update facts)

set(talvec_may_include_core "")
set(talvec_may_include_net core)
foreach(sub IN LISTS talvec_subsystems)
  set(talvec_may_include_${sub} core net)
endforeach()
# The desk reads the facts, the channels' types and the CSV form of the
# competitor window.
list(APPEND talvec_subsystems desk)
set(talvec_may_include_desk core net collect facts competitors)
set(talvec_may_include_services core net ${talvec_subsystems})
# The message boxes both programs share: widgets, nothing of either program.
set(talvec_may_include_dialogs "")
set(talvec_may_include_ui core net ${talvec_subsystems} services dialogs)
set(talvec_may_include_app core net ${talvec_subsystems} services dialogs ui)
# MORVUP: the settings row, its own work, the shared message boxes, and
# what the two programs hand each other (update/handover.h, a library of
# its own that links Qt Core alone).
set(talvec_may_include_updater core dialogs update)

# Libraries that must not reach Qt Gui or Widgets through what they link.
set(talvec_gui_free_targets talvec_core talvec_net talvec_collect talvec_analysis talvec_search
  talvec_watch talvec_favorites talvec_competitors talvec_update talvec_update_handover
  talvec_facts_rules talvec_facts talvec_desk
  talvec_services talvec_updater)

set(TALVEC_GUI_LIBRARIES Qt6::Gui Qt6::Widgets Qt6::WebEngineWidgets Qt6::WebEngineCore)

# Fails the configuration when `target` links a GUI library, following the
# link interfaces of the targets it links. `what` names the culprit.
function(talvec_check_no_gui what target)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue t)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" t "${t}")
    if(t IN_LIST seen OR NOT TARGET ${t})
      continue()
    endif()
    list(APPEND seen ${t})
    get_target_property(aliased ${t} ALIASED_TARGET)
    if(aliased)
      set(t ${aliased})
    endif()
    foreach(gui IN LISTS TALVEC_GUI_LIBRARIES)
      if(TARGET ${gui})
        get_target_property(gui_aliased ${gui} ALIASED_TARGET)
        if(t STREQUAL gui OR (gui_aliased AND t STREQUAL gui_aliased))
          message(FATAL_ERROR "${what}: reaches ${gui}, a GUI library")
        endif()
      endif()
    endforeach()
    get_target_property(type ${t} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${t} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${t} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    list(APPEND queue ${links})
  endwhile()
endfunction()

function(talvec_check_layers)
  set(breaks "")
  set(folders core net ${talvec_subsystems} services dialogs ui app updater)
  foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${folder}/*.h ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    set(allowed ${folder} ${talvec_may_include_${folder}})
    string(REPLACE ";" " " allowed_text "${allowed}")
    foreach(source IN LISTS sources)
      file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z_]+)/.*$" "\\1" included "${line}")
        if(NOT included IN_LIST allowed)
          file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${source})
          list(APPEND breaks "  ${rel} includes ${included}/ (${folder}/ may include: ${allowed_text})")
        endif()
      endforeach()
    endforeach()
  endforeach()
  foreach(target IN LISTS talvec_gui_free_targets)
    if(TARGET ${target})
      talvec_check_no_gui("library ${target}" ${target})
    endif()
  endforeach()
  if(breaks)
    list(JOIN breaks "\n" text)
    message(FATAL_ERROR "Layer check: these includes cross the layers (cmake/layers.cmake):\n${text}")
  endif()
endfunction()

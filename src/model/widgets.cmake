# The model's Qt widgets and prompts, included by src/model/CMakeLists.txt when
# the desktop program is built.
quorvel_library(quorvel_model_widgets
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fieldtypecombobox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/prompts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtcolors.cpp
  DEPS quorvel_model Qt6::Widgets)

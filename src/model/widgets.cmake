# The model's Qt widgets and prompts, included by src/model/CMakeLists.txt when
# the desktop program is built.
quorvel_library(quorvel_model_widgets SOURCES ${QUORVEL_MODEL_QT_SOURCES} DEPS quorvel_model Qt6::Widgets)

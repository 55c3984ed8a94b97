# The window: Qt Widgets with Qt WebEngine.
add_library(vellumine_window STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/AboutBox.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MainForm.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MainFormBatch.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MainFormFolder.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MainFormPreview.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MainFormStore.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/MessageListModel.cpp
)
set_target_properties(vellumine_window PROPERTIES AUTOMOC ON)
target_link_libraries(vellumine_window PUBLIC vellumine_appcore vellumine_renderview vellumine_ui
  vellumine_outputview Qt6::Widgets Qt6::SvgWidgets Qt6::PrintSupport Qt6::Concurrent)
vellumine_warnings(vellumine_window)

add_executable(vellumine ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(vellumine PRIVATE vellumine_window)
vellumine_warnings(vellumine)

# Included by the folders of window tests.
# A window test runs twice: at 96 dpi and on a screen scaled by 2.
function(add_window_test name)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  add_test(NAME ${name}_scaled COMMAND ${name})
  set_tests_properties(${name}_scaled PROPERTIES LABELS gui
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2")
endfunction()

# Warnings and common settings shared by every target of the project.
function(kline_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_TO_ASCII
    BOOST_BIND_GLOBAL_PLACEHOLDERS
    KLINE_SOURCE_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    KLINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

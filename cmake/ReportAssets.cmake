# The history report's page parts as bytes in a generated C++ source: uPlot's minified script,
# styles and licence from node_modules (npm ci installs them) and the page's own resources/report/.
set(VERDALIN_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

# verdalin_report_assets(OUTPUT): the rule that writes the source OUTPUT.
function(verdalin_report_assets output)
  set(uplot ${VERDALIN_ROOT}/node_modules/uplot)
  if(NOT EXISTS ${uplot}/dist/uPlot.iife.min.js)
    message(FATAL_ERROR "uPlot is missing from node_modules: run 'npm ci' in ${VERDALIN_ROOT}"
                        " (tools/install-deps.sh does)")
  endif()
  set(report ${VERDALIN_ROOT}/resources/report)
  set(inputs ${uplot}/dist/uPlot.iife.min.js ${uplot}/dist/uPlot.min.css ${uplot}/LICENSE
             ${report}/report.js ${report}/report.css)
  set(names UplotJs UplotCss UplotLicense ReportJs ReportCss)
  set(files "")
  foreach(name input IN ZIP_LISTS names inputs)
    list(APPEND files "${name}=${input}")
  endforeach()
  list(JOIN files "," files)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} "-DFILES=${files}"
            -P ${VERDALIN_ROOT}/cmake/EmbedFiles.cmake
    DEPENDS ${VERDALIN_ROOT}/cmake/EmbedFiles.cmake ${inputs} ${uplot}/package.json
    COMMENT "Embedding uPlot and the history report's page" VERBATIM)
endfunction()

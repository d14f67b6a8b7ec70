# cmake -DCOMPONENTS=<scripts/components.tsv> -DOUTPUT=<Components Credits.html> -P GenerateCredits.cmake
# Writes the credits page from the list of components.
file(STRINGS "${COMPONENTS}" lines ENCODING UTF-8)

function(escape_html text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(items "")
foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  # A ";" in the text would split CMake's list: kept aside until the fields are apart.
  string(REPLACE ";" "@SEMICOLON@" line "${line}")
  string(REPLACE "\t" ";" fields "${line}")
  list(LENGTH fields count)
  if(NOT count EQUAL 5)
    message(FATAL_ERROR "${COMPONENTS}: five tab-separated fields expected: ${line}")
  endif()
  list(GET fields 0 name)
  list(GET fields 1 licence)
  list(GET fields 2 home)
  list(GET fields 3 packages)
  escape_html("${name}" name)
  escape_html("${licence}" licence)
  escape_html("${home}" home)
  escape_html("${packages}" packages)
  foreach(field name licence home packages)
    string(REPLACE "@SEMICOLON@" ";" ${field} "${${field}}")
  endforeach()
  string(APPEND items "<h3>${name}</h3>\n<p>Licence: ${licence}<br>\n<a href=\"${home}\">${home}</a><br>\n"
    "<span class=\"packages\">Debian packages: ${packages}</span></p>\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "<!DOCTYPE html>
<html>
<head>
<meta charset=\"utf-8\">
<title>Components Credits</title>
</head>
<body>
<h2>Components Credits</h2>
<p>Penwick and Penwick Mini are built with these components. Each is the work of its authors and
is used under the licence named.</p>
${items}</body>
</html>
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")

# Writes OUTPUT, the C++ source of VersionText(), from VERSION and, when
# SOURCE_DIR is a git checkout (and GIT names git), the checkout's description.
# Run by the build with cmake -P on every build; the file is rewritten only
# when its text changes, so that an unchanged version rebuilds nothing.
set(text "Verdane ${VERSION}")
if(GIT AND EXISTS ${SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --tags --always --dirty
                  OUTPUT_VARIABLE description OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  # Only the characters a description is made of go into the C++ string.
  if(NOT failed AND description MATCHES "^[A-Za-z0-9._+-]+$")
    string(APPEND text " (${description})")
  endif()
endif()
set(source "// Written by the build (cmake/WriteVersionText.cmake).
#include \"app/Version.h\"

QString VersionText()
{
  return QStringLiteral(\"${text}\");
}
")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} earlier)
endif()
if(NOT source STREQUAL "${earlier}")
  file(WRITE ${OUTPUT} "${source}")
endif()

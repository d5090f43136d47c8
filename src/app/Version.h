// The version of this build: "Verdane" and the project's version, followed,
// for a build from a git checkout, by the checkout's description in brackets
// ("Verdane 0.1 (v0.1-12-g3f2a9c1)"). The build writes the definition
// (cmake/WriteVersionText.cmake) and brings it up to date on every build.
#pragma once

#include <QString>

QString VersionText();

#pragma once

#include <QStringList>

// The resource paths of the images compiled into the program, in the order of images.qrc.
// Paths are case-sensitive; a path not in this list loads an empty image.
QStringList imageResourcePaths();

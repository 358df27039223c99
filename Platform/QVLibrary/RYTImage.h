#pragma once

#include <QIcon>
#include <QString>

// Images of the program by name, from the Images folder of the resource
// folder: name.svg first (crisp at every scale), then name.png / name@2x.png.
// A null icon when no such image exists.
namespace RYTImage {
QIcon named(const QString& name);
}

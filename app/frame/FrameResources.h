#pragma once

#include <QIcon>
#include <QPixmap>

namespace veilcraft {

// The program's pictures, compiled in from resources/frame.qrc: the
// application icon (a padlock under a veil, 256 x 256) for every window and
// the desktop entry, and the splash picture (400 x 250, the product name; the
// splash form draws the build label over it).
[[nodiscard]] QIcon applicationIcon();
[[nodiscard]] QPixmap splashPicture();

}  // namespace veilcraft

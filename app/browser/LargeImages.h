#pragma once

#include <QPixmap>

namespace veilcraft {

// The browser's large images by their index in the image list: 3 removable
// drive, 4 fixed, RAM or other drive, 5 CD-ROM drive, 6 folder, 9 network
// drive, 12 file. They are the style's standard icons.
inline constexpr int kFolderImage = 6;
inline constexpr int kFileImage = 12;

// The image of a drive of that DriveTypeCode.
[[nodiscard]] int driveImageIndex(int driveType);

// The image at `index`, 32 by 32 pixels; a null pixmap for an index the list
// does not hold.
[[nodiscard]] QPixmap largeImage(int index);

} // namespace veilcraft

#include "LargeImages.h"

#include "DriveSource.h"

#include <QApplication>
#include <QStyle>

#include <array>
#include <utility>

namespace veilcraft {

namespace {

constexpr int kLargeSize = 32;

constexpr std::array<std::pair<int, QStyle::StandardPixmap>, 6> kImages{{
    {3, QStyle::SP_DriveFDIcon},
    {4, QStyle::SP_DriveHDIcon},
    {5, QStyle::SP_DriveCDIcon},
    {kFolderImage, QStyle::SP_DirClosedIcon},
    {9, QStyle::SP_DriveNetIcon},
    {kFileImage, QStyle::SP_FileIcon},
}};

} // namespace

int driveImageIndex(int driveType)
{
    switch (driveType) {
    case kRemovableDrive:
        return 3;
    case kCdRomDrive:
        return 5;
    case kNetworkDrive:
        return 9;
    default: // fixed, RAM disk and unknown drives look alike
        return 4;
    }
}

QPixmap largeImage(int index)
{
    for (const auto& [imageIndex, standard] : kImages)
        if (imageIndex == index)
            return QApplication::style()->standardIcon(standard).pixmap(kLargeSize, kLargeSize);
    return {};
}

} // namespace veilcraft

#include "FrameResources.h"

// The resources live in a static library: registering them here makes the
// linker keep them, whichever program uses the pictures. Outside any
// namespace, as Q_INIT_RESOURCE requires.
static void registerFrameResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(frame);
        return true;
    }();
    (void)registered;
}

namespace veilcraft {

QIcon applicationIcon()
{
    registerFrameResources();
    return QIcon(":/veilcraft/veilcraft.png");
}

QPixmap splashPicture()
{
    registerFrameResources();
    return QPixmap(":/veilcraft/splash.png");
}

}  // namespace veilcraft

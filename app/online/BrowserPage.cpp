#include "BrowserPage.h"

#include "UserInterface.h"

#include <QDesktopServices>
#include <QUrl>

namespace veilcraft::online {

bool openPage(UserInterface& ui, const QUrl& page)
{
    if (QDesktopServices::openUrl(page))
        return true;
    ui.message("No web browser could be started to show " + page.toString().toStdString() + ".",
               "Can not open the browser!", UserInterface::Buttons::Ok, UserInterface::Icon::Information);
    return false;
}

}  // namespace veilcraft::online

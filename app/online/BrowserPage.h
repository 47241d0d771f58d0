#pragma once

class QUrl;

namespace veilcraft {

class UserInterface;

namespace online {

// Opens `page` in the user's web browser. When no browser can be started the
// user is told so in a message titled "Can not open the browser!"; false
// then.
bool openPage(UserInterface& ui, const QUrl& page);

}  // namespace online

}  // namespace veilcraft

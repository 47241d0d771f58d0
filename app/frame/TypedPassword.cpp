#include "TypedPassword.h"

#include "Latin1.h"
#include "UserInterface.h"

namespace veilcraft {

std::optional<std::string> typedPassword(UserInterface& ui, const QString& typed)
{
    const std::string utf8 = typed.toStdString();
    std::optional<std::string> bytes = utf8ToLatin1(utf8);
    if (!bytes)
        ui.message(describeLatin1Problem(*firstNonLatin1(utf8), "password"), kApplicationTitle,
                   UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
    return bytes;
}

}  // namespace veilcraft

#include "StatusSinkInterface.h"

namespace veilcraft {

StatusSinkInterface::StatusSinkInterface(UserInterface& inner, std::function<void(const std::string&)> sink)
    : inner_(inner), sink_(std::move(sink))
{
}

UserInterface::Answer StatusSinkInterface::message(const std::string& text, const std::string& title, Buttons buttons,
                                                   Icon icon)
{
    return inner_.message(text, title, buttons, icon);
}

std::optional<std::string> StatusSinkInterface::askPassword()
{
    return inner_.askPassword();
}

std::string StatusSinkInterface::browseForFolder(const std::string& title, const std::string& startFolder)
{
    return inner_.browseForFolder(title, startFolder);
}

std::string StatusSinkInterface::askSaveFile(const std::string& filter, const std::string& proposal)
{
    return inner_.askSaveFile(filter, proposal);
}

void StatusSinkInterface::processEvents()
{
    inner_.processEvents();
}

void StatusSinkInterface::setBusy(bool busy)
{
    inner_.setBusy(busy);
}

void StatusSinkInterface::progress(int percent, const std::string& currentFile)
{
    inner_.progress(percent, currentFile);
}

bool StatusSinkInterface::cancelRequested()
{
    return inner_.cancelRequested();
}

void StatusSinkInterface::showStatus(const std::string& text)
{
    sink_(text);
}

}  // namespace veilcraft

#include "GuiThreadUserInterface.h"

#include <QThread>

namespace veilcraft {

GuiThreadUserInterface::GuiThreadUserInterface(UserInterface& inner, QObject* context)
    : inner_(inner), context_(context)
{
}

void GuiThreadUserInterface::onGuiThread(const std::function<void()>& request)
{
    if (QThread::currentThread() == context_->thread())
        request();
    else
        QMetaObject::invokeMethod(context_, request, Qt::BlockingQueuedConnection);
}

UserInterface::Answer GuiThreadUserInterface::message(const std::string& text, const std::string& title,
                                                      Buttons buttons, Icon icon)
{
    Answer answer = Answer::Ok;
    onGuiThread([&] { answer = inner_.message(text, title, buttons, icon); });
    return answer;
}

std::optional<std::string> GuiThreadUserInterface::askPassword()
{
    std::optional<std::string> password;
    onGuiThread([&] { password = inner_.askPassword(); });
    return password;
}

std::string GuiThreadUserInterface::browseForFolder(const std::string& title, const std::string& startFolder)
{
    std::string folder;
    onGuiThread([&] { folder = inner_.browseForFolder(title, startFolder); });
    return folder;
}

std::string GuiThreadUserInterface::askSaveFile(const std::string& filter, const std::string& proposal)
{
    std::string file;
    onGuiThread([&] { file = inner_.askSaveFile(filter, proposal); });
    return file;
}

void GuiThreadUserInterface::setBusy(bool busy)
{
    onGuiThread([&] { inner_.setBusy(busy); });
}

void GuiThreadUserInterface::progress(int percent, const std::string& currentFile)
{
    onGuiThread([&] { inner_.progress(percent, currentFile); });
}

bool GuiThreadUserInterface::cancelRequested()
{
    bool cancel = false;
    onGuiThread([&] { cancel = inner_.cancelRequested(); });
    return cancel;
}

void GuiThreadUserInterface::showStatus(const std::string& text)
{
    onGuiThread([&] { inner_.showStatus(text); });
}

}  // namespace veilcraft

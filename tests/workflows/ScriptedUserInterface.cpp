#include "ScriptedUserInterface.h"

#include <utility>

namespace veilcraft::test {

UserInterface::Answer ScriptedUserInterface::message(const std::string& text, const std::string& title,
                                                     Buttons buttons, Icon icon)
{
    messages.push_back({text, title, buttons, icon});
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

std::optional<std::string> ScriptedUserInterface::askPassword()
{
    ++passwordRequests;
    return password;
}

void ScriptedUserInterface::progress(int percent, const std::string& currentFile)
{
    ++progressEvents;
    progressShown.emplace_back(percent, currentFile);
}

bool ScriptedUserInterface::cancelRequested()
{
    return cancelAfterProgressEvents >= 0 && progressEvents >= cancelAfterProgressEvents;
}

std::string ScriptedUserInterface::next(std::deque<std::string>& answers)
{
    if (answers.empty())
        return {};
    std::string answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

std::vector<std::string> ScriptedUserInterface::texts() const
{
    std::vector<std::string> result;
    for (const Shown& shown : messages)
        result.push_back(shown.text);
    return result;
}

}  // namespace veilcraft::test

#include "CommandLine.h"

#include "CipherTable.h"

#include <filesystem>

namespace veilcraft::cli {

CommandLine::CommandLine(const std::vector<std::string>& arguments, const std::set<std::string>& flags,
                         const std::set<std::string>& valued)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            positional_.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (flags.count(name) != 0 && !inlineValue) {
            flags_.insert(name);
        } else if (valued.count(name) != 0) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size())
                    throw UsageError("option " + name + " needs a value");
                inlineValue = arguments[++i];
            }
            values_[name] = *inlineValue;
        } else {
            throw UsageError("unknown option " + name);
        }
    }
}

std::optional<std::string> CommandLine::value(const std::string& option) const
{
    const auto found = values_.find(option);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

std::string absolutePath(const std::string& path)
{
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string absoluteFolderPath(const std::string& path)
{
    std::string folder = absolutePath(path);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void selectCipher(const CommandLine& line, CipherTable& table)
{
    if (const auto cipher = line.value("--cipher")) {
        const int position = table.positionOf(*cipher);
        if (position < 0)
            throw UsageError("unknown cipher '" + *cipher + "' (choose Blowfish or RC4)");
        table.select(position);
    }
}

}  // namespace veilcraft::cli

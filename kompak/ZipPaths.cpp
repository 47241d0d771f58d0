#include "ZipPaths.h"

#include "ZipWorker.h"

#include <algorithm>
#include <cctype>

namespace veilcraft::kompak {

namespace {
bool isSeparator(char c) { return c == '/' || c == '\\'; }
}  // namespace

namespace zippath {

void SplitEntryPath(const std::string& path, std::string& name, std::string& directory)
{
    const auto split = path.find_last_of("/\\");
    if (split == std::string::npos) {
        name = path;
        directory.clear();
        return;
    }
    name = path.substr(split + 1);
    directory = path.substr(0, split + 1);
}

std::string NormalizeZipDir(const std::string& text)
{
    if (text.empty())
        return text;
    std::string result = isSeparator(text.front()) ? text.substr(1) : text;
    if (result.empty() || !isSeparator(result.back()))
        result += '/';
    return result;
}

std::string MakeRelativeZipDir(const std::string& text)
{
    if (text.empty())
        return text;
    if (text.size() >= 3 && text[1] == ':' && isSeparator(text[2]))
        return NormalizeZipDir(text.substr(3));
    return NormalizeZipDir(text);
}

std::string TrimToLastDir(const std::string& dir)
{
    std::string text = dir;
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.find('/') == std::string::npos)
        return {};
    if (text.back() == '/')
        text.pop_back();
    std::string name, directory;
    SplitEntryPath(text, name, directory);
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

}  // namespace zippath

namespace detail {

std::vector<std::string> SplitPathParts(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (isSeparator(c)) {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

std::string CleanEntryDir(const std::string& dir)
{
    std::string result;
    for (const std::string& part : SplitPathParts(dir)) {
        if (part == "." || part == "..")
            continue;
        result += part;
        result += '/';
    }
    return result;
}

std::string RemoveLeadingPrefix(const std::string& dir, const std::string& prefix)
{
    if (!prefix.empty() && dir.compare(0, prefix.size(), prefix) == 0)
        return dir.substr(prefix.size());
    return dir;
}

std::optional<std::string> ExtractionTarget(const std::string& storedName, bool preserveDirPath)
{
    const std::vector<std::string> parts = SplitPathParts(storedName);
    if (std::find(parts.begin(), parts.end(), "..") != parts.end())
        return std::nullopt;

    std::string target;
    if (preserveDirPath) {
        target = storedName;
    } else {
        std::string directory;
        zippath::SplitEntryPath(storedName, target, directory);
    }
    std::replace(target.begin(), target.end(), '\\', '/');
    const auto stripSeparators = [&target] { target.erase(0, std::min(target.find_first_not_of('/'), target.size())); };
    stripSeparators();
    if (target.size() >= 3 && target[1] == ':' && target[2] == '/' &&
        std::isalpha(static_cast<unsigned char>(target[0]))) {
        target.erase(0, 3);
        stripSeparators();
    }
    if (target.empty())
        return std::nullopt;
    return target;
}

std::string ToFileSystemPath(const std::string& path)
{
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

}  // namespace detail
}  // namespace veilcraft::kompak

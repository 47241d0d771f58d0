#include "DesktopAssociation.h"

#include "FileContent.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace veilcraft {

namespace fs = std::filesystem;

namespace {

// The file type becomes part of file names and of a MIME type.
bool isPlainName(std::string_view name)
{
    if (name.empty() || name.front() == '.')
        return false;
    for (const char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '.' && c != '_' && c != '-' && c != '+')
            return false;
    }
    return true;
}

// The extension becomes a glob: "." and a name without separators or
// pattern characters.
bool isPlainExtension(std::string_view extension)
{
    if (extension.size() < 2 || extension.front() != '.')
        return false;
    for (const char c : extension)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("/\\*?[]").find(c) != std::string_view::npos)
            return false;
    return true;
}

struct Escape {
    char character;
    std::string_view replacement;
};

std::string escaped(std::string_view text, std::initializer_list<Escape> escapes)
{
    std::string out;
    for (const char c : text) {
        const auto* escape =
            std::find_if(escapes.begin(), escapes.end(), [c](const Escape& e) { return e.character == c; });
        if (escape != escapes.end())
            out += escape->replacement;
        else
            out += c;
    }
    return out;
}

std::string xmlEscaped(std::string_view text)
{
    return escaped(text, {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}});
}

std::string mimeTypeOf(const std::string& fileType)
{
    return "application/x-" + fileType;
}

std::string mimePackage(const std::string& fileType, const std::string& extension, const std::string& description)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                      "  <mime-type type=\"" + xmlEscaped(mimeTypeOf(fileType)) + "\">\n";
    if (!description.empty())
        xml += "    <comment>" + xmlEscaped(description) + "</comment>\n";
    xml += "    <glob pattern=\"*" + xmlEscaped(extension) + "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
    return xml;
}

// The Exec value: the executable quoted as one argument (so that blanks and
// shell characters in its path are harmless), "%f" for the file, and the
// string escapes of desktop entries applied over the whole.
std::string execValue(const std::string& executable, const std::string& extraParameters)
{
    std::string line =
        "\"" + escaped(executable, {{'"', "\\\""}, {'`', "\\`"}, {'$', "\\$"}, {'\\', "\\\\"}, {'%', "%%"}}) + "\" ";
    if (extraParameters.empty())
        line += "%f";
    for (std::size_t i = 0; i < extraParameters.size(); ++i) {
        if (extraParameters.compare(i, 2, "%1") == 0) {
            line += "%f";
            ++i;
        } else {
            line += extraParameters[i] == '%' ? std::string("%%") : std::string(1, extraParameters[i]);
        }
    }
    return escaped(line, {{'\\', "\\\\"}, {'\n', "\\n"}, {'\t', "\\t"}, {'\r', "\\r"}});
}

std::string desktopEntry(const std::string& fileType, const std::string& executable,
                         const std::string& extraParameters)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Veilcraft\n"
           "Exec=" + execValue(executable, extraParameters) + "\n"
           "MimeType=" + mimeTypeOf(fileType) + ";\n"
           "NoDisplay=true\n"
           "Terminal=false\n";
}

// Runs a database tool on a folder and waits for it; its output is dropped.
// A tool that is not installed is no error: the desktop then finds the
// files at its next full scan.
void runTool(const char* tool, const std::string& folder)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program(tool);
    std::string argument(folder);
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, tool, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Rebuilds a database when `input` is newer than its `cache`, or there is
// no cache yet.
void refreshIfStale(const char* tool, const std::string& folder, const std::string& cache, const std::string& input)
{
    std::error_code error;
    const fs::file_time_type inputTime = fs::last_write_time(input, error);
    if (error)
        return;
    const fs::file_time_type cacheTime = fs::last_write_time(cache, error);
    if (!error && cacheTime >= inputTime)
        return;
    runTool(tool, folder);
}

bool writeInto(const std::string& path, const std::string& content)
{
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    return !error && replaceFileContent(path, content);
}

}  // namespace

DesktopAssociation::DesktopAssociation(std::string dataHome) : dataHome_(std::move(dataHome)) {}

std::string DesktopAssociation::defaultDataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

std::string DesktopAssociation::mimePackagePath(const std::string& fileType) const
{
    return dataHome_ + "/mime/packages/veilcraft-" + fileType + ".xml";
}

std::string DesktopAssociation::desktopEntryPath(const std::string& fileType) const
{
    return dataHome_ + "/applications/veilcraft-" + fileType + ".desktop";
}

bool DesktopAssociation::install(const std::string& fileType, const std::string& extension,
                                 const std::string& description, const std::string& executable,
                                 const std::string& extraParameters) const
{
    if (!isPlainName(fileType) || !isPlainExtension(extension))
        return false;
    const std::string package = mimePackagePath(fileType);
    const std::string entry = desktopEntryPath(fileType);
    const bool packageWritten = writeInto(package, mimePackage(fileType, extension, description));
    const bool entryWritten = writeInto(entry, desktopEntry(fileType, executable, extraParameters));
    refreshIfStale("update-mime-database", dataHome_ + "/mime", dataHome_ + "/mime/mime.cache", package);
    refreshIfStale("update-desktop-database", dataHome_ + "/applications",
                   dataHome_ + "/applications/mimeinfo.cache", entry);
    return packageWritten && entryWritten;
}

}  // namespace veilcraft

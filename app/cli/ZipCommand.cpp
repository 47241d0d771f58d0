// veilcraft zip: the Kompak control on the command line, used exactly as the
// window uses it -- created by class name through the component layer,
// called by dispatch identifier, Notify off -- so that what works here
// works there. The control reports its failures itself; the site prints them.
#include "Cli.h"
#include "Commands.h"
#include "Interruption.h"

#include "ComponentError.h"
#include "ControlHost.h"
#include "DispatchObject.h"
#include "KompakClient.h"
#include "KompakIds.h"
#include "QueuedControlSite.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veilcraft::cli {

namespace {

namespace component = veilcraft::component;
namespace dispid = veilcraft::kompak::dispid;
using component::Variant;

// One control with its site; counts every failure, returned or reported.
class ZipSession {
public:
    explicit ZipSession(std::ostream& err)
        : err_(err), site_([this](const std::string& description, const std::string&) {
              ++reported_;
              err_ << "veilcraft zip: " << description << '\n';
          })
    {
        // A signal stops the control's work at its next chunk; it then
        // leaves nothing half written and reports nothing.
        site_.setContinueCheck([] { return !Interruption::requested(); });
        component::ControlHost host(component::libraryBesideProgram("libkompak.so"));
        control_ = component::DispatchObject(host.createControl(kompak::kHostClassName, &site_));
        put(dispid::Notify, false);
    }
    ~ZipSession()
    {
        // Let go of the control before its site.
        control_.reset();
    }
    ZipSession(const ZipSession&) = delete;
    ZipSession& operator=(const ZipSession&) = delete;

    // Calls a method; false when it failed or could not be called.
    bool call(component::DISPID id, const std::vector<Variant>& arguments)
    {
        const Variant result = control_.call(id, arguments);
        site_.runPending();
        if (component::failed(control_.lastStatus())) {
            err_ << "veilcraft zip: the control refused a call: " << component::describeStatus(control_.lastStatus())
                 << '\n';
            ++failures_;
            return false;
        }
        if (!result.toBool().value_or(false)) {
            ++failures_;
            return false;
        }
        return true;
    }
    void put(component::DISPID id, const Variant& value)
    {
        if (!control_.put(id, value))
            throw component::ComponentError(control_.lastStatus(),
                                            "the control refused a setting: " +
                                                component::describeStatus(control_.lastStatus()));
    }
    [[nodiscard]] std::string text(component::DISPID id) { return control_.get(id).toString().value_or(""); }
    [[nodiscard]] int number(component::DISPID id) { return control_.get(id).toInt16().value_or(0); }

    [[nodiscard]] int exitCode() const
    {
        if (Interruption::requested()) {
            err_ << "veilcraft zip: Stopped; nothing more was written.\n";
            return kExitFailure;
        }
        return failures_ == 0 && reported_ == 0 ? kExitSuccess : kExitFailure;
    }
    [[nodiscard]] int reported() const { return reported_; }

private:
    std::ostream& err_;
    component::QueuedControlSite site_;
    component::DispatchObject control_;
    int failures_ = 0;
    int reported_ = 0;
};

int create(const std::vector<std::string>& words, bool flat, std::ostream& err)
{
    if (words.size() < 2)
        throw UsageError("expected: create ARCHIVE PATH...");
    ZipSession zip(err);
    zip.put(dispid::PreserveDirPath, !flat);
    if (!zip.call(dispid::NewZipFile, {absolutePath(words[0]), std::int16_t{1}}))
        return zip.exitCode();
    // The files among the paths are deflated ahead while they are added.
    std::string files;
    for (std::size_t i = 1; i < words.size(); ++i) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(words[i], ignored))
            files.append(absolutePath(words[i])).push_back('\0');
    }
    zip.call(dispid::ZipNextFiles, {files});
    for (std::size_t i = 1; i < words.size() && !Interruption::requested(); ++i) {
        std::error_code ignored;
        if (std::filesystem::is_directory(words[i], ignored)) {
            // As folder encryption adds a folder.
            zip.call(dispid::ZipEntireDirectory, {absoluteFolderPath(words[i]), std::int16_t{1}, std::int16_t{1}});
        } else {
            // As the one-file archive run adds a file.
            const std::string path = absolutePath(words[i]);
            zip.call(dispid::ZipOneFile, {path, path, "1111", std::int16_t{1}});
        }
    }
    // After a stop the archive is left unfinished: the control removes it
    // when it goes, and nothing appears under the archive's name.
    if (!Interruption::requested())
        zip.call(dispid::ZipClose, {});
    return zip.exitCode();
}

int list(const std::vector<std::string>& words, CommandContext& context)
{
    std::ostream& out = context.out;
    std::ostream& err = context.err;
    if (words.size() != 1)
        throw UsageError("expected: list ARCHIVE");
    ZipSession zip(err);
    const std::string archive = absolutePath(words[0]);
    if (!zip.call(dispid::GetZipFileInfo, {archive})) {
        if (zip.reported() == 0) // an archive without entries fails silently
            err << "veilcraft zip: " << archive << " holds no entries\n";
        return zip.exitCode();
    }
    const int multiple = zip.number(dispid::MultipleFiles);
    if (multiple == 0 || zip.text(dispid::LongFileNameArray).empty())
        return zip.exitCode();
    const bool split = multiple == 2;
    const std::vector<std::vector<std::string>> columns = {
        splitListing(zip.text(dispid::ShortFileNameArray), split),
        splitListing(zip.text(dispid::FileDateModifiedArray), split),
        splitListing(zip.text(dispid::FileUnCompressedSizeArray), split),
        splitListing(zip.text(dispid::FileCompressedSizeArray), split),
        splitListing(zip.text(dispid::FilePathArray), split),
    };
    std::size_t rows = 0;
    for (const auto& column : columns)
        rows = std::max(rows, column.size());
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c)
            out << (c == 0 ? "" : "\t") << (row < columns[c].size() ? columns[c][row] : std::string());
        out << '\n';
    }
    if (!outputWritten(context, "zip list"))
        return kExitFailure;
    return zip.exitCode();
}

int extract(const std::vector<std::string>& words, const std::optional<std::string>& dest, bool flat, std::ostream& err)
{
    if (words.empty())
        throw UsageError("expected: extract ARCHIVE [ENTRY...]");
    ZipSession zip(err);
    zip.put(dispid::PreserveDirPath, !flat);
    const std::string archive = absolutePath(words[0]);
    const std::string folder = absoluteFolderPath(dest.value_or("."));
    if (words.size() == 1)
        zip.call(dispid::UnZipAllFiles, {archive, folder});
    for (std::size_t i = 1; i < words.size() && !Interruption::requested(); ++i)
        zip.call(dispid::UnZipOneFile, {archive, words[i], folder});
    return zip.exitCode();
}

} // namespace

int runZip(CommandContext& context)
{
    const CommandLine line(context.arguments, {"--flat"}, {"--dest"});
    std::vector<std::string> words = line.positional();
    if (words.empty())
        throw UsageError("expected create, list or extract");
    const std::string action = words.front();
    words.erase(words.begin());
    if (action != "extract" && line.value("--dest"))
        throw UsageError("--dest belongs to extract");
    if (action == "list" && line.has("--flat"))
        throw UsageError("--flat belongs to create and extract");
    // Held for the whole run: a signal then stops the work instead of ending
    // the program with a half-written archive or file.
    const Interruption interruption;
    try {
        if (action == "create")
            return create(words, line.has("--flat"), context.err);
        if (action == "list")
            return list(words, context);
        if (action == "extract")
            return extract(words, line.value("--dest"), line.has("--flat"), context.err);
    } catch (const component::ComponentError& error) {
        context.err << "veilcraft zip: the zip control is not available: " << error.what() << '\n';
        return kExitFailure;
    }
    throw UsageError("unknown action '" + action + "' (choose create, list or extract)");
}

} // namespace veilcraft::cli

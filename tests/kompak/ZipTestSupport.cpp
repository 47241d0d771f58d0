#include "ZipTestSupport.h"

#include <zip.h>
#include <zlib.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veilcraft::kompak::test {

void craftArchive(const std::string& path, const std::vector<CraftedEntry>& entries)
{
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!archive)
        throw std::runtime_error("cannot create " + path);
    for (const CraftedEntry& entry : entries) {
        zip_fileinfo info{};
        info.dosDate = entry.dosDateTime;
        if (zipOpenNewFileInZip64(archive, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, entry.method,
                                  entry.method == 0 ? 0 : Z_DEFAULT_COMPRESSION, 0) != ZIP_OK ||
            zipWriteInFileInZip(archive, entry.data.data(), static_cast<unsigned>(entry.data.size())) != ZIP_OK ||
            zipCloseFileInZip(archive) != ZIP_OK)
            throw std::runtime_error("cannot write " + entry.name);
    }
    if (zipClose(archive, nullptr) != ZIP_OK)
        throw std::runtime_error("cannot close " + path);
}

namespace {
void put(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
}  // namespace

std::string deflateRaw(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string rawArchive(const RawEntry& e)
{
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size()));
    const std::uint64_t size32 = e.zip64 ? 0xFFFFFFFFu : e.declaredSize;
    const std::uint64_t packed32 = e.zip64 ? 0xFFFFFFFFu : e.payload.size();
    std::string extra;
    if (e.zip64) {
        put(extra, 1, 2);
        put(extra, 16, 2);
        put(extra, e.declaredSize, 8);
        put(extra, e.payload.size(), 8);
    }
    const auto common = [&](std::string& out) {
        put(out, e.zip64 ? 45 : 20, 2);  // version needed
        put(out, 0, 2);                  // flags
        put(out, static_cast<std::uint64_t>(e.method), 2);
        put(out, 0, 2);  // time
        put(out, 0x21, 2);  // date
        put(out, crc, 4);
        put(out, packed32, 4);
        put(out, size32, 4);
        put(out, e.name.size(), 2);
        put(out, extra.size(), 2);
    };
    std::string out;
    put(out, 0x04034b50, 4);
    common(out);
    out += e.name + extra + e.payload;
    const std::size_t central = out.size();
    put(out, 0x02014b50, 4);
    put(out, e.zip64 ? 45 : 20, 2);  // made by
    common(out);
    put(out, 0, 2);  // comment
    put(out, 0, 2);  // disk
    put(out, 0, 2);  // internal attributes
    put(out, 0, 4);  // external attributes
    put(out, 0, 4);  // local header offset
    out += e.name + extra;
    const std::size_t end = out.size();
    put(out, 0x06054b50, 4);
    put(out, 0, 4);
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, end - central, 4);
    put(out, central, 4);
    put(out, 0, 2);
    return out;
}

std::string underFileSizeLimit(std::uint64_t limit, const std::function<std::string(ZipWorker&)>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::string out;
        ZipWorker worker([&out](const std::string& text, ZipError code) {
            out += std::to_string(static_cast<int>(code)) + ":" + text + "\n";
            return false;
        });
        out += body(worker);
        [[maybe_unused]] auto written = ::write(pipeFds[1], out.data(), out.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return out;
}

std::uint32_t dosStamp(int year, int month, int day, int hour, int minute)
{
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const auto time = static_cast<std::uint32_t>((hour << 11) | (minute << 5));
    return (date << 16) | time;
}

namespace {
unsigned u16(const std::string& b, std::size_t at)
{
    if (at + 2 > b.size())
        throw std::runtime_error("archive too short");
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(const std::string& b, std::size_t at) { return u16(b, at) | (std::uint32_t{u16(b, at + 2)} << 16); }
}  // namespace

ParsedArchive parseArchive(const std::string& b)
{
    const auto eocd = b.rfind(std::string("PK\x05\x06", 4));
    if (eocd == std::string::npos)
        throw std::runtime_error("no end of central directory");
    ParsedArchive archive;
    const unsigned count = u16(b, eocd + 10);
    std::size_t at = u32(b, eocd + 16);
    archive.globalCommentLength = u16(b, eocd + 20);
    for (unsigned i = 0; i < count; ++i) {
        if (u32(b, at) != 0x02014b50)
            throw std::runtime_error("bad central record");
        ParsedEntry e;
        e.versionMadeBy = u16(b, at + 4);
        e.versionNeeded = u16(b, at + 6);
        e.flags = u16(b, at + 8);
        e.method = u16(b, at + 10);
        e.time = u16(b, at + 12);
        e.date = u16(b, at + 14);
        const unsigned nameLength = u16(b, at + 28);
        e.extraLength = u16(b, at + 30);
        e.commentLength = u16(b, at + 32);
        e.internalAttributes = u16(b, at + 36);
        e.externalAttributes = u32(b, at + 38);
        const std::uint32_t local = u32(b, at + 42);
        e.name = b.substr(at + 46, nameLength);
        if (u32(b, local) != 0x04034b50)
            throw std::runtime_error("bad local header");
        e.localVersionNeeded = u16(b, local + 4);
        e.localFlags = u16(b, local + 6);
        e.localMethod = u16(b, local + 8);
        e.localTime = u16(b, local + 10);
        e.localDate = u16(b, local + 12);
        e.localExtraLength = u16(b, local + 28);
        e.localName = b.substr(local + 30, u16(b, local + 26));
        archive.entries.push_back(e);
        at += 46 + nameLength + e.extraLength + e.commentLength;
    }
    return archive;
}

int runShell(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer{};
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        output.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name)
{
    std::string ignored;
    return runShell("command -v " + name, ignored) == 0;
}

std::string quote(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

ScopedCwd::ScopedCwd(const std::string& path) : old_(std::filesystem::current_path().string())
{
    std::filesystem::current_path(path);
}

ScopedCwd::~ScopedCwd()
{
    std::error_code ignored;
    std::filesystem::current_path(old_, ignored);
}

Listing listingOf(const ZipWorker& worker)
{
    return {worker.LongFileNameArray(),        worker.ShortFileNameArray(),       worker.FilePathArray(),
            worker.FileDateModifiedArray(),    worker.FileCompressedSizeArray(),  worker.FileUnCompressedSizeArray(),
            worker.MultipleFiles()};
}

void PrintTo(const Listing& l, std::ostream* out)
{
    *out << "{long \"" << l.longNames << "\", short \"" << l.shortNames << "\", paths \"" << l.paths << "\", dates \""
         << l.dates << "\", packed \"" << l.compressed << "\", sizes \"" << l.uncompressed << "\", multiple "
         << l.multipleFiles << "}";
}

std::vector<std::string> entryNames(const std::string& archive)
{
    std::ifstream in(archive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> names;
    for (const ParsedEntry& entry : parseArchive(bytes).entries)
        names.push_back(entry.name);
    return names;
}

}  // namespace veilcraft::kompak::test

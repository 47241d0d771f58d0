#include "RegistryStore.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string_view>
#include <utility>
#include <sys/file.h>
#include <unistd.h>

namespace veilcraft::registry {

namespace {

// Registry names compare without regard to case; only ASCII letters fold,
// as the names used here are ASCII.
char fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct CaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const
    {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const char x = fold(a[i]);
            const char y = fold(b[i]);
            if (x != y)
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        }
        return a.size() < b.size();
    }
};

std::vector<std::string> splitKey(const std::string& key)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find('\\', start);
        if (end == std::string::npos)
            end = key.size();
        if (end > start)
            parts.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The store's text form: one record per line, fields separated by tabs, and
// '%', tab, line breaks and other control bytes written as %XX so that any
// name or value fits on one line.
//   K <key path>
//   V <key path> <value name, empty for the default value> <value>
constexpr std::string_view kHeader = "# veilcraft registry 1\n";

void appendEscaped(std::string& out, std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<std::string> readAll(int fd)
{
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

// The in-memory form of the store.
class RegistryTree {
public:
    struct Node {
        std::optional<std::string> defaultValue;
        std::map<std::string, std::string, CaseLess> values;
        std::map<std::string, std::unique_ptr<Node>, CaseLess> children;
    };

    Node* find(const std::string& key) { return const_cast<Node*>(std::as_const(*this).find(key)); }

    const Node* find(const std::string& key) const
    {
        const Node* node = &root_;
        for (const std::string& part : splitKey(key)) {
            const auto child = node->children.find(part);
            if (child == node->children.end())
                return nullptr;
            node = child->second.get();
        }
        return node;
    }

    Node& create(const std::string& key, bool& created)
    {
        Node* node = &root_;
        for (const std::string& part : splitKey(key)) {
            auto child = node->children.find(part);
            if (child == node->children.end()) {
                child = node->children.emplace(part, std::make_unique<Node>()).first;
                created = true;
            }
            node = child->second.get();
        }
        return *node;
    }

    bool remove(const std::string& key)
    {
        std::vector<std::string> parts = splitKey(key);
        if (parts.empty())
            return false;
        const std::string last = parts.back();
        parts.pop_back();
        Node* parent = &root_;
        for (const std::string& part : parts) {
            const auto child = parent->children.find(part);
            if (child == parent->children.end())
                return false;
            parent = child->second.get();
        }
        return parent->children.erase(last) != 0;
    }

    void parse(std::string_view text)
    {
        // A last line without its line break was cut short: it is left out.
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            if (end == std::string_view::npos)
                break;
            parseLine(text.substr(0, end));
            text.remove_prefix(end + 1);
        }
    }

    std::string serialize() const
    {
        std::string out(kHeader);
        serializeNode(out, root_, {});
        return out;
    }

private:
    void parseLine(std::string_view line)
    {
        const std::vector<std::string_view> fields = splitFields(line);
        bool created = false;
        if (fields.size() == 2 && fields[0] == "K") {
            if (const auto key = unescape(fields[1]))
                create(*key, created);
        } else if (fields.size() == 4 && fields[0] == "V") {
            const auto key = unescape(fields[1]);
            const auto name = unescape(fields[2]);
            const auto value = unescape(fields[3]);
            if (!key || !name || !value)
                return;
            Node& node = create(*key, created);
            if (name->empty())
                node.defaultValue = *value;
            else
                node.values[*name] = *value;
        }
    }

    static void serializeNode(std::string& out, const Node& node, const std::string& path)
    {
        if (!path.empty()) {
            out += "K\t";
            appendEscaped(out, path);
            out += '\n';
        }
        const auto writeValue = [&](std::string_view name, std::string_view value) {
            out += "V\t";
            appendEscaped(out, path);
            out += '\t';
            appendEscaped(out, name);
            out += '\t';
            appendEscaped(out, value);
            out += '\n';
        };
        if (node.defaultValue)
            writeValue({}, *node.defaultValue);
        for (const auto& [name, value] : node.values)
            writeValue(name, value);
        for (const auto& [name, child] : node.children)
            serializeNode(out, *child, path.empty() ? name : path + "\\" + name);
    }

    Node root_;
};

// --- Transaction -----------------------------------------------------------

bool RegistryStore::Transaction::createKey(const std::string& key)
{
    tree_.create(key, changed_);
    return true;
}

bool RegistryStore::Transaction::setValue(const std::string& key, const std::string& name, const std::string& value)
{
    RegistryTree::Node& node = tree_.create(key, changed_);
    if (name.empty()) {
        if (node.defaultValue != value) {
            node.defaultValue = value;
            changed_ = true;
        }
        return true;
    }
    const auto [existing, inserted] = node.values.try_emplace(name, value);
    if (inserted || existing->second != value) {
        existing->second = value;
        changed_ = true;
    }
    return true;
}

bool RegistryStore::Transaction::deleteKey(const std::string& key)
{
    const bool removed = tree_.remove(key);
    changed_ = changed_ || removed;
    return removed;
}

bool RegistryStore::Transaction::deleteValue(const std::string& key, const std::string& name)
{
    RegistryTree::Node* node = tree_.find(key);
    if (node == nullptr)
        return false;
    bool removed = false;
    if (name.empty()) {
        removed = node->defaultValue.has_value();
        node->defaultValue.reset();
    } else {
        removed = node->values.erase(name) != 0;
    }
    changed_ = changed_ || removed;
    return removed;
}

namespace {

std::optional<std::string> readValue(const RegistryTree& tree, const std::string& key, const std::string& name)
{
    const RegistryTree::Node* node = tree.find(key);
    if (node == nullptr)
        return std::nullopt;
    if (name.empty())
        return node->defaultValue;
    const auto found = node->values.find(name);
    return found == node->values.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::vector<std::string> readSubKeys(const RegistryTree& tree, const std::string& key)
{
    std::vector<std::string> names;
    if (const RegistryTree::Node* node = tree.find(key))
        for (const auto& [name, child] : node->children)
            names.push_back(name);
    return names;
}

}  // namespace

std::optional<std::string> RegistryStore::Transaction::value(const std::string& key, const std::string& name) const
{
    return readValue(tree_, key, name);
}

bool RegistryStore::Transaction::keyExists(const std::string& key) const
{
    return std::as_const(tree_).find(key) != nullptr;
}

std::vector<std::string> RegistryStore::Transaction::subKeys(const std::string& key) const
{
    return readSubKeys(tree_, key);
}

// --- RegistryStore -----------------------------------------------------------

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {}

RegistryStore::~RegistryStore() = default;

std::string RegistryStore::defaultPath()
{
    if (const char* explicitPath = std::getenv("VEILCRAFT_REGISTRY"); explicitPath != nullptr && *explicitPath != 0)
        return explicitPath;
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
        dataHome = std::string(home) + "/.local/share";
    else
        dataHome = ".local/share";
    return dataHome + "/veilcraft/registry";
}

std::string RegistryStore::lastError() const
{
    const std::lock_guard lock(mutex_);
    return lastError_;
}

bool RegistryStore::fail(std::string message)
{
    const std::lock_guard lock(mutex_);
    lastError_ = std::move(message);
    return false;
}

std::shared_ptr<const RegistryTree> RegistryStore::snapshot() const
{
    std::string content;
    if (const FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC)); fd.get() >= 0)
        content = readAll(fd.get()).value_or(std::string());
    const std::lock_guard lock(mutex_);
    if (!cache_ || content != cacheContent_) {
        auto tree = std::make_shared<RegistryTree>();
        tree->parse(content);
        cache_ = std::move(tree);
        cacheContent_ = std::move(content);
    }
    return cache_;
}

bool RegistryStore::update(const std::function<void(Transaction&)>& change)
{
    const std::filesystem::path storePath(path_);
    const std::filesystem::path folder =
        storePath.has_parent_path() ? storePath.parent_path() : std::filesystem::path(".");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return fail("cannot create the folder " + folder.string() + ": " + error.message());

    const std::string lockPath = path_ + ".lock";
    const FileDescriptor lockFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lockFd.get() < 0)
        return fail(errnoText("cannot open the lock file", lockPath));
    while (::flock(lockFd.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return fail(errnoText("cannot lock", lockPath));

    // Under the lock the file is read afresh: another process may have
    // changed it since this object last looked.
    RegistryTree tree;
    {
        const FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() >= 0) {
            const auto content = readAll(fd.get());
            if (!content)
                return fail(errnoText("cannot read", path_));
            tree.parse(*content);
        } else if (errno != ENOENT) {
            return fail(errnoText("cannot open", path_));
        }
    }
    Transaction transaction(tree);
    change(transaction);
    if (!transaction.changed_)
        return true;

    std::string temporary = path_ + ".XXXXXX";
    FileDescriptor out(::mkstemp(temporary.data()));
    if (out.get() < 0)
        return fail(errnoText("cannot create a temporary file beside", path_));
    const std::string content = tree.serialize();
    const bool written = writeAll(out.get(), content) && ::fsync(out.get()) == 0;
    if (!written || ::close(out.release()) != 0 || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        const std::string message = errnoText("cannot write", path_);
        ::unlink(temporary.c_str());
        return fail(message);
    }
    // The rename itself must survive a crash as well.
    if (const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}

std::optional<std::string> RegistryStore::writeProblem()
{
    if (update([](Transaction& t) { t.changed_ = true; }))
        return std::nullopt;
    return "The registry store could not be written: " + lastError();
}

bool RegistryStore::createKey(const std::string& key)
{
    return update([&](Transaction& t) { t.createKey(key); });
}

bool RegistryStore::setValue(const std::string& key, const std::string& name, const std::string& value)
{
    return update([&](Transaction& t) { t.setValue(key, name, value); });
}

bool RegistryStore::deleteKey(const std::string& key)
{
    bool removed = false;
    return update([&](Transaction& t) { removed = t.deleteKey(key); }) && removed;
}

bool RegistryStore::deleteValue(const std::string& key, const std::string& name)
{
    bool removed = false;
    return update([&](Transaction& t) { removed = t.deleteValue(key, name); }) && removed;
}

std::optional<std::string> RegistryStore::value(const std::string& key, const std::string& name) const
{
    return readValue(*snapshot(), key, name);
}

bool RegistryStore::keyExists(const std::string& key) const
{
    return snapshot()->find(key) != nullptr;
}

std::vector<std::string> RegistryStore::subKeys(const std::string& key) const
{
    return readSubKeys(*snapshot(), key);
}

}  // namespace veilcraft::registry

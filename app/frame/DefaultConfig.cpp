#include "DefaultConfig.h"

#include "Latin1.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cstdlib>

namespace veilcraft {

namespace {

constexpr std::size_t kLongestField = 0xFFFF;
// Nothing past the largest possible record is ever read.
constexpr qint64 kLongestRecord = DefaultConfig::kFieldCount * (2 + kLongestField);

// How the user is told which field could not be stored.
constexpr std::array<const char*, DefaultConfig::kFieldCount> kFieldNames{"cipher name", "destination folder",
                                                                          "lock flag", "fourth field", "fifth field"};

template <typename Record> auto inFileOrder(Record& record)
{
    return std::array{&record.algorithm, &record.saveTo, &record.lockFlag, &record.reserved4, &record.reserved5};
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

void createEmpty(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

// Splits `bytes` into the record's fields, as far as they are whole.
void parse(const QByteArray& bytes, DefaultConfigRead& result)
{
    const auto size = static_cast<std::size_t>(bytes.size());
    std::size_t at = 0;
    for (std::string* field : inFileOrder(result.record)) {
        if (size - at < 2)
            return;
        const std::size_t length = static_cast<std::uint8_t>(bytes[at]) |
                                   static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8;
        if (size - at - 2 < length)
            return;
        *field = latin1ToUtf8(std::string_view(bytes.constData() + at + 2, length));
        at += 2 + length;
        ++result.wholeFields;
    }
}

} // namespace

std::string defaultConfigPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const std::string base =
        config != nullptr && config[0] == '/' ? std::string(config) : QDir::homePath().toStdString() + "/.config";
    return base + "/veilcraft/Cfgdefault.cfg";
}

DefaultConfigRead readDefaultConfig(const std::string& path)
{
    DefaultConfigRead result;
    const QString target = QString::fromStdString(path);
    if (!QFileInfo(target).exists() && !QFileInfo(target).isSymLink()) {
        createEmpty(target);
        return result;
    }
    QFile file(target);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(kLongestRecord);
    if (file.error() != QFileDevice::NoError) {
        result.state = DefaultConfigRead::State::Unreadable;
        result.problem =
            "The default settings file " + quoted(path) + " cannot be read: " + file.errorString().toStdString() + ".";
        return result;
    }
    if (bytes.isEmpty())
        return result;
    parse(bytes, result);
    if (result.wholeFields == DefaultConfig::kFieldCount) {
        result.state = DefaultConfigRead::State::Complete;
    } else {
        result.state = DefaultConfigRead::State::Damaged;
        result.problem = "The default settings file " + quoted(path) + " is damaged: only " +
                         std::to_string(result.wholeFields) + " of its " + std::to_string(DefaultConfig::kFieldCount) +
                         " fields could be read.";
    }
    return result;
}

std::optional<std::string> writeDefaultConfig(const std::string& path, const DefaultConfig& record)
{
    QByteArray bytes;
    const auto fields = inFileOrder(record);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::optional<std::string> latin1 = utf8ToLatin1(*fields[i]);
        if (!latin1)
            return describeLatin1Problem(*firstNonLatin1(*fields[i]), kFieldNames[i]) +
                   " The default settings were not saved.";
        if (latin1->size() > kLongestField)
            return "The " + std::string(kFieldNames[i]) + " is too long to be saved (" +
                   std::to_string(latin1->size()) + " characters, at most " + std::to_string(kLongestField) + ").";
        bytes.append(static_cast<char>(latin1->size() & 0xFF));
        bytes.append(static_cast<char>(latin1->size() >> 8));
        bytes.append(latin1->data(), static_cast<qsizetype>(latin1->size()));
    }

    const QString target = QString::fromStdString(path);
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return "The default settings could not be saved: the folder " + quoted(folder.toStdString()) +
               " cannot be created.";
    // Written beside the target and renamed over it: the old file stays whole
    // until the new one is complete.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return "The default settings could not be saved to " + quoted(path) + ": " + file.errorString().toStdString() +
               ".";
    return std::nullopt;
}

} // namespace veilcraft

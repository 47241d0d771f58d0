#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace veilcraft {

// What a start of VeilcraftApp asks for, read from its arguments:
//   (none)                 the main window
//   --encrypt FILE...      the main window with the encryption wizard's list filled
//   --decrypt FILE...      the main window with the decryption panel's list filled
//   anything else          the archive window for the whole argument text (the
//                          path of a .vkf file, not split or unquoted)
// The file managers' "Encrypt with Veilcraft" and "Decrypt with Veilcraft"
// actions use the two options.
struct LaunchRequest {
    enum class Kind { MainWindow, Archive, Encrypt, Decrypt };

    Kind kind = Kind::MainWindow;
    // Kind::Archive: the whole argument text.
    QString archive;
    // Kind::Encrypt and Kind::Decrypt: the files as the panels show them
    // (displayPath of their bytes), so that names which are not UTF-8 still
    // reach their files.
    QStringList files;

    // `arguments` are the program's own arguments (without its name) in the
    // bytes the system passed.
    [[nodiscard]] static LaunchRequest fromArguments(const QList<QByteArray>& arguments);
};

// The arguments with every file path made absolute against the current
// folder, for a running instance whose current folder is another: the path
// of an archive (the whole argument text) and each FILE after --encrypt or
// --decrypt.
[[nodiscard]] QList<QByteArray> absoluteArguments(const QList<QByteArray>& arguments);

}  // namespace veilcraft

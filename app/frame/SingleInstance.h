#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QLocalServer;

namespace veilcraft {

// One running program per user. A second start hands its command-line
// arguments to the running one over a local socket that only the user can
// open, and then ends.
//
// A hand-over is the number of arguments in decimal and a line feed, then
// each argument's bytes followed by a NUL (no path holds one, while line
// feeds and any other bytes may be part of a name). A message that does not
// arrive whole, or is larger than any command line can be, is dropped.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance runs and took `arguments`.
    bool handOver(const QList<QByteArray>& arguments);
    // Becomes the running instance; false when the socket cannot be made.
    bool listen();

    // The socket's name for this user.
    [[nodiscard]] static QString serverName();

    // The message for `arguments`, and the arguments of a whole message
    // (empty when `message` is not one yet; `complete` says which).
    [[nodiscard]] static QByteArray encode(const QList<QByteArray>& arguments);
    [[nodiscard]] static QList<QByteArray> decode(const QByteArray& message, bool& complete);

signals:
    // A later start's arguments; empty when it had none.
    void argumentsReceived(const QList<QByteArray>& arguments);

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace veilcraft

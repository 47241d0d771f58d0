#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace veilcraft {

// One running program per user. A second start hands its command-line
// argument to the running one over a local socket that only the user can
// open, and then ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance runs and took `argument`.
    bool handOver(const QString& argument);
    // Becomes the running instance; false when the socket cannot be made.
    bool listen();

    // The socket's name for this user.
    [[nodiscard]] static QString serverName();

signals:
    // A later start's argument; empty when it had none.
    void argumentReceived(const QString& argument);

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace veilcraft

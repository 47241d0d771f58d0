#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QUrl;

namespace veilcraft {

class ListView;
class UserInterface;

// Accepts files dropped onto a list from the program's own file list and from
// desktop file managers (a list of file URLs).
class FileDrop : public QObject {
    Q_OBJECT
public:
    // `add` receives the dropped regular files' paths as display text
    // (displayPath of their bytes), in the order given. What is not a local
    // regular file is named in one warning, shown once the drop is over: the
    // program the files came from waits for the drop to end.
    FileDrop(ListView* list, UserInterface& ui, std::function<void(const QStringList&)> add);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drop(const QList<QUrl>& urls);

    UserInterface& ui_;
    std::function<void(const QStringList&)> add_;
};

}  // namespace veilcraft

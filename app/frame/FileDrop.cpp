#include "FileDrop.h"

#include "FolderHandle.h"
#include "ListView.h"
#include "UserInterface.h"

#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <system_error>

namespace veilcraft {

namespace {

// Why a dropped URL is not a file to add; empty when it is one. `path`
// receives the bytes of a local URL's path: toLocalFile() would turn the
// bytes of a name that is not UTF-8 into U+FFFD and so name another file.
QString refusal(const QUrl& url, QByteArray& path)
{
    if (url.scheme() != "file" || !(url.host().isEmpty() || url.host() == "localhost"))
        return "not a local file";
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    // A NUL would end the name early, at another file.
    if (!bytes.startsWith('/') || bytes.contains('\0'))
        return "not a local file";
    path = bytes;
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return errno == ENOENT ? QString("not found") : QString::fromStdString(std::generic_category().message(errno));
    if (S_ISDIR(status.st_mode))
        return "is a folder";
    if (!S_ISREG(status.st_mode))
        return "not a regular file";
    return {};
}

}  // namespace

FileDrop::FileDrop(ListView* list, UserInterface& ui, std::function<void(const QStringList&)> add)
    : QObject(list), ui_(ui), add_(std::move(add))
{
    for (QWidget* viewport : {list->reportView()->viewport(), list->iconView()->viewport()}) {
        viewport->setAcceptDrops(true);
        viewport->installEventFilter(this);
    }
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    // Nothing goes on to the views: their own handling offers drops to the model.
    auto* dropped = static_cast<QDropEvent*>(event);
    if (!dropped->mimeData()->hasUrls()) {
        dropped->ignore();
        return true;
    }
    dropped->setDropAction(Qt::CopyAction);
    dropped->accept();
    if (type == QEvent::Drop)
        drop(dropped->mimeData()->urls());
    return true;
}

void FileDrop::drop(const QList<QUrl>& urls)
{
    QStringList files;
    std::string refused;
    for (const QUrl& url : urls) {
        QByteArray path;
        const QString reason = refusal(url, path);
        if (reason.isEmpty())
            files << displayPath(path);
        else
            refused += "\n" + (path.isEmpty() ? url.toDisplayString() : displayPath(path)).toStdString() + ": " +
                       reason.toStdString();
    }
    if (!files.isEmpty())
        add_(files);
    if (refused.empty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, text = "These items were not added:" + refused] {
            ui_.message(text, kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
        },
        Qt::QueuedConnection);
}

}  // namespace veilcraft

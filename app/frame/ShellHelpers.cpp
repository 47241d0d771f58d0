#include "ShellHelpers.h"

#include <QFileDialog>

namespace veilcraft {

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(owner, title, startFolder,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

}  // namespace veilcraft

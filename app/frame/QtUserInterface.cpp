#include "QtUserInterface.h"

#include "CipherTable.h"
#include "FolderHandle.h"
#include "Latin1.h"
#include "ShellHelpers.h"
#include "StopSignals.h"
#include "frmPassword.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>

namespace veilcraft {

namespace {

QMessageBox::Icon qtIcon(UserInterface::Icon icon)
{
    switch (icon) {
    case UserInterface::Icon::Information:
        return QMessageBox::Information;
    case UserInterface::Icon::Warning:
        return QMessageBox::Warning;
    case UserInterface::Icon::Critical:
        return QMessageBox::Critical;
    case UserInterface::Icon::Question:
        return QMessageBox::Question;
    case UserInterface::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(UserInterface::Buttons buttons)
{
    switch (buttons) {
    case UserInterface::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case UserInterface::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case UserInterface::Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case UserInterface::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

}  // namespace

QString qtFileFilter(const std::string& filter)
{
    // Pairs of description and pattern, separated (and ended) by "|".
    const QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype bracket = description.indexOf('(');
        if (bracket > 0)
            description = description.left(bracket).trimmed();
        filters << description + " (" + parts[i + 1].split(';').join(' ') + ")";
    }
    return filters.join(";;");
}

QtUserInterface::QtUserInterface(QWidget* owner, const CipherTable* ciphers) : owner_(owner), ciphers_(ciphers) {}

QtUserInterface::~QtUserInterface()
{
    while (busyDepth_ > 0)
        setBusy(false);
}

UserInterface::Answer QtUserInterface::message(const std::string& text, const std::string& title, Buttons buttons,
                                               Icon icon)
{
    // The program is ending: nobody is left to answer.
    if (StopSignals::requested())
        return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    // The box must not sit behind the hourglass of the run that shows it.
    const bool wasBusy = busyDepth_ > 0;
    if (wasBusy)
        QApplication::restoreOverrideCursor();
    // Texts name files by their bytes; a name that is not UTF-8 shows with
    // marks for its stray bytes, as the browser shows it.
    QMessageBox box(qtIcon(icon), QString::fromStdString(title), displayPath(QByteArray::fromStdString(text)),
                    qtButtons(buttons), owner_);
    const int pressed = box.exec();
    if (wasBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (pressed) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<std::string> QtUserInterface::askPassword()
{
    if (StopSignals::requested())
        return std::nullopt;
    for (;;) {
        frmPassword dialog(*this, owner_);
        if (ciphers_ != nullptr)
            dialog.setHint(QString::fromStdString(ciphers_->passwordHint()));
        const std::optional<QString> typed = dialog.ask();
        if (!typed)
            return std::nullopt;
        const std::string utf8 = typed->toStdString();
        if (const std::optional<std::string> latin1 = utf8ToLatin1(utf8))
            return latin1;
        message(describeLatin1Problem(*firstNonLatin1(utf8), "password"), kApplicationTitle, Buttons::Ok,
                Icon::Warning);
    }
}

std::string QtUserInterface::browseForFolder(const std::string& title, const std::string& startFolder)
{
    return BrowseForFolder(owner_, QString::fromStdString(title), QString::fromStdString(startFolder)).toStdString();
}

std::string QtUserInterface::askSaveFile(const std::string& filter, const std::string& proposal)
{
    // Asks before replacing a file and accepts only an existing folder.
    return QFileDialog::getSaveFileName(owner_, QString(), QString::fromStdString(proposal), qtFileFilter(filter))
        .toStdString();
}

void QtUserInterface::processEvents()
{
    QApplication::processEvents();
}

void QtUserInterface::setBusy(bool busy)
{
    if (busy) {
        ++busyDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        --busyDepth_;
        QApplication::restoreOverrideCursor();
        if (busyDepth_ == 0)
            endProgress();
    }
}

void QtUserInterface::progress(int percent, const std::string& currentFile)
{
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(owner_);
        progress_->setWindowTitle(kApplicationTitle);
        progress_->setCancelButtonText("Cancel");
        progress_->setRange(0, 100);
        progress_->setMinimumDuration(400);
        progress_->setWindowModality(Qt::WindowModal);
    }
    progress_->setLabelText(displayPath(QByteArray::fromStdString(currentFile)));
    progress_->setValue(percent);
    QApplication::processEvents();
}

bool QtUserInterface::cancelRequested()
{
    return StopSignals::requested() || (progress_ && progress_->wasCanceled());
}

void QtUserInterface::endProgress()
{
    progress_.reset();
}

void QtUserInterface::showStatus(const std::string& text)
{
    if (statusSink_)
        statusSink_(QString::fromStdString(text));
}

}  // namespace veilcraft

#include "HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace veilcraft {

namespace {

QToolButton* makeButton(QWidget* parent, const char* name, const QString& caption, QStyle::StandardPixmap icon,
                        const QKeySequence& shortcut)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setShortcut(shortcut);
    button->setToolTip(caption + " (" + shortcut.toString(QKeySequence::NativeText) + ")");
    return button;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName("HelpWindow");
    setWindowTitle("Veilcraft Help");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 560);

    cmdBack = makeButton(this, "cmdBack", "Back", QStyle::SP_ArrowBack, QKeySequence(QKeySequence::Back));
    cmdForward =
        makeButton(this, "cmdForward", "Forward", QStyle::SP_ArrowForward, QKeySequence(QKeySequence::Forward));
    cmdHome = makeButton(this, "cmdHome", "Contents", QStyle::SP_DirHomeIcon, QKeySequence(Qt::ALT | Qt::Key_Home));
    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName("txtHelp");
    // Every link goes through followLink, which keeps web addresses out of
    // the window.
    txtHelp->setOpenLinks(false);

    auto* closeAction = new QAction(this);
    closeAction->setShortcut(Qt::Key_Escape);
    addAction(closeAction);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdForward);
    buttons->addWidget(cmdHome);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtHelp);

    connect(cmdBack, &QToolButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(cmdForward, &QToolButton::clicked, txtHelp, &QTextBrowser::forward);
    connect(cmdHome, &QToolButton::clicked, this, [this] { txtHelp->setSource(contents_); });
    connect(txtHelp, &QTextBrowser::backwardAvailable, cmdBack, &QToolButton::setEnabled);
    connect(txtHelp, &QTextBrowser::forwardAvailable, cmdForward, &QToolButton::setEnabled);
    connect(txtHelp, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
}

void HelpWindow::open(const QUrl& contents, const QUrl& page)
{
    contents_ = contents;
    txtHelp->setSource(page);
}

void HelpWindow::followLink(const QUrl& link)
{
    const QUrl target = txtHelp->source().resolved(link);
    if (target.isLocalFile())
        txtHelp->setSource(target);
    else
        QDesktopServices::openUrl(target);
}

QUrl HelpWindow::currentPage() const
{
    return txtHelp->source();
}

}  // namespace veilcraft

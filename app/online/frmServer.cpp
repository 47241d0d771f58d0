#include "frmServer.h"

#include "BrowserPage.h"
#include "OnlineAddresses.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <array>

namespace veilcraft {

namespace {

struct Link {
    int index;
    const char* caption;
    const char* page;
};

constexpr std::array<Link, 6> kLinks{{{0, "Home page", "/"},
                                      {1, "Home page mirror", "/mirror.htm"},
                                      {2, "Update page", "/update.htm"},
                                      {3, "Upgrade page", "/upgrade.htm"},
                                      {6, "Bug report and Feedback", "/feedback.htm"},
                                      {7, "FAQ page", "/faq.html"}}};

}  // namespace

frmServer::frmServer(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setObjectName("frmServer");
    setWindowTitle("Internet Services and Supports");
    Label1 = new QLabel("Internet Services and Supports", this);
    Label1->setObjectName("Label1");
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    for (const Link& link : kLinks) {
        auto* label = new QLabel(link.caption, this);
        label->setObjectName(QString("lblServer(%1)").arg(link.index));
        // Looks and works like a link, from the mouse and from the keyboard.
        label->setCursor(Qt::PointingHandCursor);
        label->setFocusPolicy(Qt::StrongFocus);
        label->setForegroundRole(QPalette::Link);
        QFont underlined = label->font();
        underlined.setUnderline(true);
        label->setFont(underlined);
        label->setToolTip(online::sitePage(link.page).toString());
        label->installEventFilter(this);
        lblServer[link.index] = label;
        layout->addWidget(label);
    }
    auto* close = new QPushButton("Close", this);
    close->setObjectName("cmdClose");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    setMinimumWidth(320);
}

bool frmServer::eventFilter(QObject* watched, QEvent* event)
{
    for (const auto& [index, label] : lblServer) {
        if (watched != label)
            continue;
        const bool clicked = event->type() == QEvent::MouseButtonRelease;
        const bool pressed = event->type() == QEvent::KeyPress &&
                             (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                              static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter ||
                              static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
        if (clicked || pressed) {
            lblServer_Click(index);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmServer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void frmServer::lblServer_Click(int index)
{
    for (const Link& link : kLinks)
        if (link.index == index)
            online::openPage(ui_, online::sitePage(link.page));
}

}  // namespace veilcraft

#include "frmUpdate.h"

#include "BrowserPage.h"
#include "OnlineAddresses.h"
#include "ReleaseFetch.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace veilcraft {

namespace {

constexpr int kWidth = 420;
constexpr int kMargin = 8;

template <typename T>
T* named(T* control, const char* name)
{
    control->setObjectName(name);
    return control;
}

}  // namespace

frmUpdate::frmUpdate(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui)
{
    setObjectName("frmUpdate");
    setWindowTitle("Live Update");
    if (parent != nullptr)
        setWindowIcon(parent->windowIcon());
    InetCheck = new ReleaseFetch(this);

    // Placed as on a fixed form: the small height shows the information and
    // the buttons, the grown one the notes below them.
    fraTip = named(new QGroupBox(this), "fraTip");
    lblStatus = named(new QLabel(fraTip), "lblStatus");
    lblInfo = named(new QLabel("Check Now connects to the Veilcraft update server and shows the release notes "
                               "it finds there. Nothing about you or your files is sent.",
                               fraTip),
                    "lblInfo");
    lblInfo->setWordWrap(true);
    chkAuto = named(new QCheckBox("Automatically check for updates on Veilcraft startup", fraTip), "chkAuto");
    auto* tip = new QVBoxLayout(fraTip);
    tip->addWidget(lblStatus);
    tip->addWidget(lblInfo);
    tip->addWidget(chkAuto);
    fraTip->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin, 112);

    cmdCheck = named(new QPushButton("Check Now", this), "cmdCheck");
    cmdDownLoad = named(new QPushButton("Get Update", this), "cmdDownLoad");
    cmdClose = named(new QPushButton("Close", this), "cmdClose");
    int right = kWidth - kMargin;
    for (QPushButton* button : {cmdClose, cmdDownLoad, cmdCheck}) {
        button->setAutoDefault(false);
        button->setGeometry(right - 96, 128, 96, 28);
        right -= 96 + 6;
    }
    cmdCheck->setDefault(true);

    txtRelease = named(new QPlainTextEdit(this), "txtRelease");
    txtRelease->setReadOnly(true);
    txtRelease->setGeometry(kMargin, kSmallHeight, kWidth - 2 * kMargin, kGrownHeight - kSmallHeight - kMargin);

    setFixedSize(kWidth, kSmallHeight);

    connect(cmdCheck, &QPushButton::clicked, this, &frmUpdate::cmdCheck_Click);
    connect(cmdDownLoad, &QPushButton::clicked, this, &frmUpdate::cmdDownLoad_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtRelease, &QPlainTextEdit::textChanged, this, [this] {
        setFixedSize(kWidth, txtRelease->document()->isEmpty() ? kSmallHeight : kGrownHeight);
    });
    connect(InetCheck, &ReleaseFetch::responseBegins, this,
            [this] { lblStatus->setText("Connect servers for update......"); });
    connect(InetCheck, &ReleaseFetch::responseReceived, this, [this] { lblStatus->setText("Finish!"); });
    connect(InetCheck, &ReleaseFetch::transferEnded, this, &frmUpdate::showNotes);
}

void frmUpdate::centre()
{
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmUpdate::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    centre();
}

void frmUpdate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centre();
}

void frmUpdate::cmdCheck_Click()
{
    centre();
    cmdCheck->setEnabled(false);
    InetCheck->start(online::releaseFile());
}

void frmUpdate::showNotes(const QByteArray& notes, bool cut, const QString& reason)
{
    cmdCheck->setEnabled(true);
    // Eight-bit text, every byte a character; a NUL shows as a sign instead
    // of ending the text there.
    QString text = QString::fromLatin1(notes);
    text.replace(QChar(0), QChar(0x2400));
    text.replace('|', '\n');
    if (cut)
        text += QString("\n\n(The release notes were cut at %1 KiB.)").arg(ReleaseFetch::kBodyLimit / 1024);
    txtRelease->setPlainText(text);
    if (text.isEmpty())
        lblStatus->setText(reason.isEmpty() ? "Don't find any updates!" : "Don't find any updates! (" + reason + ")");
}

void frmUpdate::cmdDownLoad_Click()
{
    online::openPage(ui_, online::sitePage("/update.htm"));
    accept();
}

void frmUpdate::done(int result)
{
    InetCheck->abort();
    QDialog::done(result);
}

}  // namespace veilcraft

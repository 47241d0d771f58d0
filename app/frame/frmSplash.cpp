#include "frmSplash.h"

#include "FrameResources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace veilcraft {

frmSplash::frmSplash(Mode mode, int ticks, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), mode_(mode), ticks_(ticks)
{
    setObjectName("frmSplash");
    setModal(true);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(splashPicture());
    Image1->installEventFilter(this);
    lblVersion = new QLabel("40423", Image1);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setStyleSheet("color: #e8e8f0;");
    lblVersion->adjustSize();
    lblVersion->move(Image1->pixmap().width() - lblVersion->width() - 12,
                     Image1->pixmap().height() - lblVersion->height() - 8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    if (mode_ == StartUpMode)
        Timer1->start();
}

frmSplash::~frmSplash()
{
    if (busyCursor_)
        QApplication::restoreOverrideCursor();
}

void frmSplash::Timer1_Timer()
{
    if (!busyCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursor_ = true;
    }
    if (++ticked_ >= ticks_)
        unload();
}

void frmSplash::unload()
{
    Timer1->stop();
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
    accept();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    emit keyPressed();
    unload();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    // At start-up a click on the picture is ignored; the About box closes.
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
        if (mode_ == AboutMode)
            unload();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace veilcraft

#include "StartUp.h"

#include "frmExecute.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QApplication>

namespace veilcraft {

StartUp::StartUp(UserInterface& mainUi, UserInterface& archiveUi, int splashTicks)
    : archiveUi_(archiveUi), splashTicks_(splashTicks), main_(std::make_unique<frmMain>(mainUi))
{
}

StartUp::~StartUp() = default;

bool StartUp::run(const LaunchRequest& request)
{
    main_->splashMode = frmMain::kSplashStartUp;
    // No ticks: no splash at all (for measuring the start).
    if (splashTicks_ > 0) {
        frmSplash splash(frmSplash::StartUpMode, splashTicks_);
        QObject::connect(&splash, &frmSplash::keyPressed, main_.get(), &QWidget::show);
        splash.exec();
    }
    if (request.kind != LaunchRequest::Kind::Archive) {
        main_->setWindowTitle("Veilcraft Software");
        main_->show();
        openFiles(request);
        return true;
    }
    main_->hide();
    frmExecute* window = openArchiveWindow(request.archive);
    if (window == nullptr)
        return false;
    window->exec();
    return false;
}

frmExecute* StartUp::openArchiveWindow(const QString& path)
{
    auto* window = new frmExecute(archiveUi_, main_->ciphers().table);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->openDecryptMode(path)) {
        delete window;
        return nullptr;
    }
    return window;
}

void StartUp::openFiles(const LaunchRequest& request)
{
    if (request.kind == LaunchRequest::Kind::Encrypt)
        main_->openFiles(frmMain::FilesFor::Encryption, request.files);
    else if (request.kind == LaunchRequest::Kind::Decrypt)
        main_->openFiles(frmMain::FilesFor::Decryption, request.files);
}

void StartUp::openHandedOver(const LaunchRequest& request)
{
    const bool archive = request.kind == LaunchRequest::Kind::Archive;
    if (!archive || !main_->isVisible()) {
        main_->show();
        main_->raise();
        main_->activateWindow();
    }
    if (!archive) {
        openFiles(request);
        return;
    }
    if (frmExecute* window = openArchiveWindow(request.archive))
        window->show();
}

}  // namespace veilcraft

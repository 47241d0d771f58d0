#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace veilcraft {

class ReleaseFetch;
class UserInterface;

// The update dialog: "Check Now" fetches the release notes from the update
// server and shows them, "|" standing for a line break; the dialog grows to
// show them. The fetch never blocks the window: "Check Now" waits while one
// runs, and closing the dialog ends it. Nothing here contacts a server
// unasked (`chkAuto` is shown, but nothing reads it).
class frmUpdate : public QDialog {
    Q_OBJECT
public:
    // 2610 and 5820 twips at 15 twips a pixel.
    static constexpr int kSmallHeight = 174;
    static constexpr int kGrownHeight = 388;

    explicit frmUpdate(UserInterface& ui, QWidget* parent = nullptr);

    ReleaseFetch* InetCheck;
    QPlainTextEdit* txtRelease;
    QPushButton* cmdCheck;
    QPushButton* cmdDownLoad;
    QPushButton* cmdClose;
    QGroupBox* fraTip;
    QCheckBox* chkAuto;
    QLabel* lblStatus;
    QLabel* lblInfo;

public slots:
    // Every way out ends a fetch that still runs.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void cmdCheck_Click();
    void cmdDownLoad_Click();
    void showNotes(const QByteArray& notes, bool cut, const QString& reason);
    void centre();

    UserInterface& ui_;
};

}  // namespace veilcraft

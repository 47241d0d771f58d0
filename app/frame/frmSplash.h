#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

namespace veilcraft {

// The start-up screen, which doubles as the About box. At start-up it closes
// itself after its timer's 25th tick of 200 ms, or at a key; a click on the
// picture does nothing. As the About box its timer is stopped and it stays
// until a click on the picture or a key.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    enum Mode { AboutMode = 0, StartUpMode = 10 };

    // `ticks`: the timer ticks before it closes by itself (25 = 5 seconds).
    explicit frmSplash(Mode mode, int ticks = 25, QWidget* parent = nullptr);
    ~frmSplash() override;

    [[nodiscard]] Mode mode() const { return mode_; }

    // One tick of Timer1.
    void Timer1_Timer();

    QTimer* Timer1;
    QLabel* Image1;
    QLabel* lblVersion;

signals:
    // A key was pressed: the main window is to be shown at once.
    void keyPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void unload();

    Mode mode_;
    int ticks_;
    int ticked_ = 0;
    bool busyCursor_ = false;
};

}  // namespace veilcraft

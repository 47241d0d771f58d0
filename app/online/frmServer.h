#pragma once

#include <QDialog>

#include <map>

class QLabel;

namespace veilcraft {

class UserInterface;

// The service links: each label opens its page of the maker's web site in
// the user's browser. A browser that cannot be started is reported and the
// dialog stays open.
class frmServer : public QDialog {
    Q_OBJECT
public:
    explicit frmServer(UserInterface& ui, QWidget* parent = nullptr);

    QLabel* Label1;
    // Indexes 0 to 3, 6 and 7: the gaps are those of the form's array.
    std::map<int, QLabel*> lblServer;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void lblServer_Click(int index);

    UserInterface& ui_;
};

}  // namespace veilcraft

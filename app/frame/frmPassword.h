#pragma once

#include <QDialog>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace veilcraft {

class UserInterface;

// The password dialog: the password typed twice, checked for emptiness and
// for a match before it is handed back. Its two messages go through the
// UserInterface, so that tests can answer them.
class frmPassword : public QDialog {
    Q_OBJECT
public:
    explicit frmPassword(UserInterface& ui, QWidget* parent = nullptr);

    // The hint of the selected cipher: "Password (1 to N bit key)".
    void setHint(const QString& hint);

    // Shows the dialog modally; the confirmed password, or nothing when the
    // user closed it.
    std::optional<QString> ask();

    // A value the caller may keep with the dialog; the dialog never reads it.
    QVariant PassValue;

    QGroupBox* fraPass;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QLabel* Label2;
    QLineEdit* txtRePassword;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void cmdOk_Click();

    UserInterface& ui_;
};

}  // namespace veilcraft

#pragma once

#include "AttrPages.h"
#include "Drive.h"
#include "File.h"
#include "Folder.h"

#include <QDialog>

#include <array>
#include <variant>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace veilcraft {

class FileSysError;
class LatestTask;
class UserInterface;

// What the properties dialog shows; the index of the alternative is the
// page: 0 drive, 1 folder, 2 file, as the browser counts its item kinds.
using AttrObject = std::variant<Drive, Folder, File>;

// The properties dialog "Attribute": the sizes, type, dates and names of one
// drive, folder or file, and what may be changed of it, a drive's volume
// label or the ReadOnly, Hidden and Archive attributes of a folder or file.
//
// It keeps the object it was opened for and OK writes to that object alone,
// whatever the browser selects meanwhile. The caller shows it (not modal) and
// owns it; OK closes it with accept(), Cancel and Escape with reject(). A
// failed read or write of the file-system service is reported through the
// UserInterface with the path and the cause: when the object cannot be read
// the page stays empty and OK is disabled; when a write fails the dialog
// stays open, showing the user's choices.
class AttrForm : public QDialog {
    Q_OBJECT
public:
    AttrForm(AttrObject object, UserInterface& ui, QWidget* parent = nullptr);

    // False when the object could not be read.
    [[nodiscard]] bool isLoaded() const { return loaded_; }

    std::array<QGroupBox*, 3> Frame1;

    QLabel* imgIcon;
    QLabel* lblNamedrv;
    QLineEdit* txtVol;
    QLabel* lblTypedrv;
    QLabel* lblFS;
    QLabel* lblTotal;
    QLabel* lblUsed;
    QLabel* lblSpace;

    QLabel* imgfldr;
    QLabel* lblnamefldr;
    QLabel* lblpathfldr;
    QLabel* lblTypefldr;
    QLabel* lblSizefldr;
    QLabel* lblfldr;
    QLabel* lblfile;
    QLabel* lblshtnamefldr;
    QLabel* lblshtpathfldr;
    QLabel* lbllstfldr;
    QLabel* lblmodifyfldr;
    QCheckBox* chkreadfldr;
    QCheckBox* chkhidefldr;
    QCheckBox* chksysfldr;
    QCheckBox* chkarchivefldr;

    QLabel* imgfl;
    QLabel* lblnamefl;
    QLabel* lblpathfl;
    QLabel* lbltypefl;
    QLabel* lblsizefl;
    QLabel* lblshtnamefl;
    QLabel* lblshtpathfl;
    QLabel* lbllastfl;
    QLabel* lblmodifyfl;
    QCheckBox* chkreadfl;
    QCheckBox* chkhidefl;
    QCheckBox* chksysfl;
    QCheckBox* chkarchivefl;

    QPushButton* cmbOK;
    QPushButton* cmbCancel;

signals:
    // A new volume label was written: the folder tree gives the node of the
    // drive at `drivePath` the text `nodeText`, the drive letter followed by
    // the label in parentheses.
    void driveNodeTextChanged(const QString& drivePath, const QString& nodeText);

private:
    void makeDrivePage();
    void centreOnScreen();
    void Form_Load();
    void loadDrive(const Drive& drive);
    void loadFolder(const Folder& folder);
    void cmbOK_Click();
    void applyDrive(const Drive& drive);
    void report(const FileSysError& failure);

    AttrObject object_;
    const ItemPageSlots folderPage_;
    const ItemPageSlots filePage_;
    UserInterface& ui_;
    LatestTask* sizeTask_;
    bool loaded_ = false;
};

} // namespace veilcraft

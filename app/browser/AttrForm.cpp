#include "AttrForm.h"

#include "FileSysError.h"
#include "FormatByPattern.h"
#include "LargeImages.h"
#include "LatestTask.h"
#include "UserInterface.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <utility>

namespace veilcraft {

namespace {

constexpr double kKilobyte = 1024;
constexpr double kMegabyte = 1024 * 1024;
constexpr int kVolumeWidth = 260;

// The default conversion of a number to text: every digit up to fifteen
// significant ones, no trailing zeros, an exponent only from 1E+15 on.
QString numberText(double value)
{
    return QString::number(value, 'g', 15).toUpper();
}

QString driveTypeText(int driveType)
{
    switch (driveType) {
    case kRemovableDrive:
        return QStringLiteral("Floppy Drive");
    case kFixedDrive:
        return QStringLiteral("Fixed Drive");
    case kNetworkDrive:
        return QStringLiteral("Network Drive");
    case kCdRomDrive:
        return QStringLiteral("CD-ROM");
    case kRamDisk:
        return QStringLiteral("RAM Disk");
    default:
        return QStringLiteral("Unknown");
    }
}

// What the folder and file pages have in common.
QString sizeText(double size)
{
    return numberText(size / kKilobyte) + QLatin1Char('K');
}

void fillItemPage(const ItemPageSlots& page, const FileSysItem& item, int image, const QString& type,
                  const QString& size)
{
    page.image.control->setPixmap(largeImage(image));
    page.name.control->setText(item.Name());
    page.path.control->setText(item.Path());
    page.type.control->setText(type);
    page.size.control->setText(size);
    page.shortName.control->setText(item.ShortName());
    page.shortPath.control->setText(item.ShortPath());
    page.lastAccess.control->setText(DefaultDateText(item.DateLastAccessed()));
    page.modified.control->setText(DefaultDateText(item.DateLastModified()));
    const int attributes = item.Attributes();
    page.readOnly.control->setChecked((attributes & FileSysItem::ReadOnly) != 0);
    page.hidden.control->setChecked((attributes & FileSysItem::Hidden) != 0);
    page.system.control->setChecked((attributes & FileSysItem::System) != 0);
    page.archive.control->setChecked((attributes & FileSysItem::Archive) != 0);
}

// Writes the check boxes' attributes one by one, each against the value read
// just before, so that the changes add up. Stops at the first failure.
void applyAttributes(FileSysItem& item, const ItemPageSlots& page)
{
    const std::pair<int, const QCheckBox*> order[] = {{FileSysItem::ReadOnly, page.readOnly.control},
                                                      {FileSysItem::Archive, page.archive.control},
                                                      {FileSysItem::System, page.system.control},
                                                      {FileSysItem::Hidden, page.hidden.control}};
    for (const auto& [bit, box] : order) {
        const int attributes = item.Attributes();
        const bool set = (attributes & bit) != 0;
        if (set != box->isChecked())
            item.SetAttributes(set ? attributes - bit : attributes + bit);
    }
}

} // namespace

AttrForm::AttrForm(AttrObject object, UserInterface& ui, QWidget* parent)
    : QDialog(parent), object_(std::move(object)), folderPage_{{"imgfldr", imgfldr},
                                                               {"lblnamefldr", lblnamefldr},
                                                               {"lblpathfldr", lblpathfldr},
                                                               {"lblTypefldr", lblTypefldr},
                                                               {"lblSizefldr", lblSizefldr},
                                                               {"lblshtnamefldr", lblshtnamefldr},
                                                               {"lblshtpathfldr", lblshtpathfldr},
                                                               {"lbllstfldr", lbllstfldr},
                                                               {"lblmodifyfldr", lblmodifyfldr},
                                                               {"chkreadfldr", chkreadfldr},
                                                               {"chkhidefldr", chkhidefldr},
                                                               {"chksysfldr", chksysfldr},
                                                               {"chkarchivefldr", chkarchivefldr}},
      filePage_{{"imgfl", imgfl},
                {"lblnamefl", lblnamefl},
                {"lblpathfl", lblpathfl},
                {"lbltypefl", lbltypefl},
                {"lblsizefl", lblsizefl},
                {"lblshtnamefl", lblshtnamefl},
                {"lblshtpathfl", lblshtpathfl},
                {"lbllastfl", lbllastfl},
                {"lblmodifyfl", lblmodifyfl},
                {"chkreadfl", chkreadfl},
                {"chkhidefl", chkhidefl},
                {"chksysfl", chksysfl},
                {"chkarchivefl", chkarchivefl}},
      ui_(ui), sizeTask_(new LatestTask(this))
{
    setObjectName(QStringLiteral("AttrForm"));
    setWindowTitle(QStringLiteral("Attribute"));
    setModal(false);

    makeDrivePage();
    Frame1[1] = makeItemPage(1, folderPage_, this);
    Frame1[2] = makeItemPage(2, filePage_, this);
    lblfldr = namedLabel("lblfldr", Frame1[1]);
    lblfile = namedLabel("lblfile", Frame1[1]);
    auto* folderGrid = static_cast<QGridLayout*>(Frame1[1]->layout());
    folderGrid->addWidget(lblfldr, kItemCountRow, 0);
    folderGrid->addWidget(lblfile, kItemCountRow, 1);

    auto* buttons = new QDialogButtonBox(this);
    cmbOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmbOK->setObjectName(QStringLiteral("cmbOK"));
    cmbOK->setDefault(true);
    cmbCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmbCancel->setObjectName(QStringLiteral("cmbCancel"));

    auto* layout = new QVBoxLayout(this);
    for (QGroupBox* frame : Frame1)
        layout->addWidget(frame);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons, &QDialogButtonBox::accepted, this, &AttrForm::cmbOK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    Form_Load();
}

void AttrForm::makeDrivePage()
{
    QGroupBox* frame = makePageFrame(0, this);
    Frame1[0] = frame;
    imgIcon = namedLabel("imgIcon", frame);
    lblNamedrv = namedLabel("lblNamedrv", frame);
    txtVol = new QLineEdit(frame);
    txtVol->setObjectName(QStringLiteral("txtVol"));
    txtVol->setMinimumWidth(kVolumeWidth);
    auto* volumeCaption = new QLabel(QStringLiteral("&Volume label:"), frame);
    volumeCaption->setBuddy(txtVol);

    auto* grid = static_cast<QGridLayout*>(frame->layout());
    addHeading(grid, imgIcon, lblNamedrv);
    grid->addWidget(volumeCaption, 1, 0);
    grid->addWidget(txtVol, 1, 1);
    addRow(grid, 2, "Type:", lblTypedrv = namedLabel("lblTypedrv", frame));
    addRow(grid, 3, "File System:", lblFS = namedLabel("lblFS", frame));
    addRow(grid, 4, "Total space:", lblTotal = namedLabel("lblTotal", frame));
    addRow(grid, 5, "Used space:", lblUsed = namedLabel("lblUsed", frame));
    addRow(grid, 6, "Space available:", lblSpace = namedLabel("lblSpace", frame));
}

void AttrForm::Form_Load()
{
    const auto shown = static_cast<int>(object_.index());
    for (int page = 0; page < static_cast<int>(Frame1.size()); ++page)
        Frame1[static_cast<std::size_t>(page)]->setVisible(page == shown);
    try {
        if (const auto* drive = std::get_if<Drive>(&object_))
            loadDrive(*drive);
        else if (const auto* folder = std::get_if<Folder>(&object_))
            loadFolder(*folder);
        else {
            const File& file = std::get<File>(object_);
            fillItemPage(filePage_, file, kFileImage, file.Type(), sizeText(file.Size()));
        }
        loaded_ = true;
    } catch (const FileSysError& failure) {
        report(failure);
    }
    cmbOK->setEnabled(loaded_);
    centreOnScreen();
}

void AttrForm::centreOnScreen()
{
    adjustSize();
    const QScreen* shownOn = screen();
    if (shownOn == nullptr)
        return;
    const QRect area = shownOn->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void AttrForm::loadDrive(const Drive& drive)
{
    imgIcon->setPixmap(largeImage(driveImageIndex(drive.DriveType())));
    lblNamedrv->setText(drive.Path());
    lblTypedrv->setText(driveTypeText(drive.DriveType()));
    txtVol->setText(drive.VolumeName());
    lblFS->setText(drive.FileSystem());
    lblTotal->setText(numberText(drive.TotalSize() / kMegabyte) + QLatin1Char('M'));
    lblSpace->setText(numberText(drive.FreeSpace() / kMegabyte) + QLatin1Char('M'));
    lblUsed->setText(numberText((drive.TotalSize() - drive.AvailableSpace()) / kMegabyte) + QLatin1Char('M'));
}

void AttrForm::loadFolder(const Folder& folder)
{
    // A large folder takes long to walk: the dialog shows at once and the
    // size when it is known.
    fillItemPage(folderPage_, folder, kFolderImage, folder.Type(), QStringLiteral("Calculating..."));
    sizeTask_->start(
        [folder](const LatestTask::Superseded& superseded) -> std::optional<QString> {
            try {
                return sizeText(folder.Size(superseded));
            } catch (const FileSysError& failure) {
                return QString::fromUtf8(failure.what());
            }
        },
        [this](const QString& text) { lblSizefldr->setText(text); });
    lblfldr->setText(QStringLiteral("Include folder:s%1").arg(folder.SubFolders().size()));
    lblfile->setText(QStringLiteral("Include files:%1").arg(folder.Files().size()));
}

void AttrForm::cmbOK_Click()
{
    try {
        if (const auto* drive = std::get_if<Drive>(&object_))
            applyDrive(*drive);
        else if (auto* folder = std::get_if<Folder>(&object_))
            applyAttributes(*folder, folderPage_);
        else
            applyAttributes(std::get<File>(object_), filePage_);
    } catch (const FileSysError& failure) {
        report(failure);
        return;
    }
    accept();
}

void AttrForm::applyDrive(const Drive& drive)
{
    const QString label = txtVol->text();
    if (label == drive.VolumeName())
        return;
    drive.SetVolumeName(label);
    // The service keeps a label exactly as it was written.
    emit driveNodeTextChanged(drive.Path(), drive.DriveLetter() + QLatin1Char('(') + label + QLatin1Char(')'));
}

void AttrForm::report(const FileSysError& failure)
{
    ui_.message(failure.what(), kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
}

} // namespace veilcraft

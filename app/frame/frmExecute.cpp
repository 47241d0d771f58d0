#include "frmExecute.h"

#include "FolderHandle.h"
#include "ShredRun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace veilcraft {

namespace {

// Item data of a row's first cell: its index in EncryptedArchive::rows().
constexpr int kInsertionIndexRole = Qt::UserRole;

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter in the destination box must never press "Close".
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

frmExecute::frmExecute(UserInterface& ui, CipherTable& ciphers, QWidget* parent)
    : QDialog(parent), ui_(ui, [this](const std::string& text) { lblEdcrypt->setText(QString::fromStdString(text)); }),
      workerUi_(ui_, this), ciphers_(ciphers, this), archive_(workerUi_, ciphers_.table())
{
    setObjectName("frmExecute");
    setWindowTitle("Veilcraft");
    auto* layout = new QVBoxLayout(this);
    buildDecryptFrame();
    buildShredFrames();
    layout->addWidget(fraCMDencrypt);
    layout->addWidget(fraFileList, 1);
    layout->addWidget(optTimes);
    resize(600, 420);
    setMode(Mode::Decrypt);
}

void frmExecute::buildDecryptFrame()
{
    fraCMDencrypt = new QGroupBox(this);
    fraCMDencrypt->setObjectName("fraCMDencrypt");

    lstFileShow = new QTreeWidget(fraCMDencrypt);
    lstFileShow->setObjectName("lstFileShow");
    lstFileShow->setHeaderLabels({"Name", "Modified", "Size", "Packed", "Path"});
    lstFileShow->setRootIsDecorated(false);
    lstFileShow->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFileShow->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstFileShow->header()->setSectionsClickable(true);
    lstFileShow->header()->setSortIndicatorShown(false);

    KeepDirChk = new QCheckBox("Preserve Directory Structures", fraCMDencrypt);
    KeepDirChk->setObjectName("KeepDirChk");
    cmdDeAll = makeButton("cmdDeAll", "Decrypt All", fraCMDencrypt);
    cmdDeSelect = makeButton("cmdDeSelect", "Decrypt Select", fraCMDencrypt);
    Label1 = makeLabel("Label1", "Select Destination", fraCMDencrypt);
    strPathto = new QLineEdit(fraCMDencrypt);
    strPathto->setObjectName("strPathto");
    Label1->setBuddy(strPathto);
    cmdBowser = makeButton("cmdBowser", "...", fraCMDencrypt);
    Label2 = makeLabel("Label2", "Tip:Select browse button to choose a new destination for the file", fraCMDencrypt);
    lblEdcrypt = makeLabel("lblEdcrypt", QString(), fraCMDencrypt);
    cmdEncrypt = makeButton("cmdEncrypt", "Close", fraCMDencrypt);

    auto* extraction = new QHBoxLayout;
    extraction->addWidget(KeepDirChk);
    extraction->addStretch();
    extraction->addWidget(cmdDeAll);
    extraction->addWidget(cmdDeSelect);
    auto* destination = new QHBoxLayout;
    destination->addWidget(strPathto);
    destination->addWidget(cmdBowser);
    auto* closing = new QHBoxLayout;
    closing->addWidget(lblEdcrypt, 1);
    closing->addWidget(cmdEncrypt);
    auto* frame = new QVBoxLayout(fraCMDencrypt);
    frame->addWidget(lstFileShow, 1);
    frame->addLayout(extraction);
    frame->addWidget(Label1);
    frame->addLayout(destination);
    frame->addWidget(Label2);
    frame->addLayout(closing);

    connect(cmdDeAll, &QPushButton::clicked, this, &frmExecute::cmdDeAll_Click);
    connect(cmdDeSelect, &QPushButton::clicked, this, &frmExecute::cmdDeSelect_Click);
    connect(cmdBowser, &QPushButton::clicked, this, &frmExecute::cmdBowser_Click);
    connect(cmdEncrypt, &QPushButton::clicked, this, &frmExecute::cmdEncrypt_Click);
    connect(lstFileShow->header(), &QHeaderView::sectionClicked, this, &frmExecute::lstFileShow_ColumnClick);
}

void frmExecute::buildShredFrames()
{
    fraFileList = new QGroupBox(this);
    fraFileList->setObjectName("fraFileList");
    lstFiles = new QListWidget(fraFileList);
    lstFiles->setObjectName("lstFiles");
    auto* files = new QVBoxLayout(fraFileList);
    files->addWidget(lstFiles);

    optTimes = new QGroupBox("Option", this);
    optTimes->setObjectName("optTimes");
    Label5 = makeLabel("Label5", "Overwrite file(s)             times before deleting", optTimes);
    txtCount = new QLineEdit(Label5);
    txtCount->setObjectName("txtCount");
    VScroll2 = new QScrollBar(Qt::Vertical, Label5);
    VScroll2->setObjectName("VScroll2");
    VScroll2->setRange(1, 32767);
    cmdExecute = makeButton("frmExecute", "Execute", optTimes);

    // The count box and its spinner sit in the run of blanks of the text.
    const QFontMetrics metrics(Label5->font());
    const int gapStart = metrics.horizontalAdvance("Overwrite file(s) ");
    const int gapWidth = metrics.horizontalAdvance("           ");
    const int height = txtCount->sizeHint().height();
    const int spinWidth = VScroll2->sizeHint().width();
    Label5->setFixedHeight(height);
    txtCount->setGeometry(gapStart, 0, gapWidth - spinWidth, height);
    VScroll2->setGeometry(gapStart + gapWidth - spinWidth, 0, spinWidth, height);

    auto* option = new QHBoxLayout(optTimes);
    option->addWidget(Label5, 1);
    option->addWidget(cmdExecute);

    // The top end is the largest count, so the upper arrow raises it; the
    // steps are turned round to match.
    VScroll2->setInvertedAppearance(true);
    connect(VScroll2, &QScrollBar::actionTriggered, this, [this](int action) {
        const int step =
            action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderSingleStepSub
                ? VScroll2->singleStep()
                : VScroll2->pageStep();
        if (action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderPageStepSub)
            VScroll2->setSliderPosition(VScroll2->value() + step);
        else if (action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderPageStepAdd)
            VScroll2->setSliderPosition(VScroll2->value() - step);
    });
    connect(VScroll2, &QScrollBar::valueChanged, this,
            [this](int value) { txtCount->setText(QString::number(value)); });
    connect(cmdExecute, &QPushButton::clicked, this, &frmExecute::frmExecute_Click);
    VScroll2->setValue(3);
}

void frmExecute::setMode(Mode mode)
{
    mode_ = mode;
    const bool decrypt = mode == Mode::Decrypt;
    fraCMDencrypt->setVisible(decrypt);
    fraFileList->setVisible(!decrypt);
    optTimes->setVisible(!decrypt);
    // The archive window runs modally; the shredder beside the main window.
    setModal(decrypt);
}

bool frmExecute::openDecryptMode(const QString& containerPath)
{
    setMode(Mode::Decrypt);
    bool opened = false;
    whileWorking([&] { opened = archive_.open(containerPath.toStdString()); });
    if (!opened) {
        close();
        return false;
    }
    strPathto->setText(QString::fromStdString(archive_.destinationText()));
    cmdEncrypt->setText(QString::fromStdString(archive_.closeCaption()));
    // A single file has no entries to pick: its button decrypts it.
    const bool entries = archive_.kind() == EncryptedArchive::Kind::Archive;
    KeepDirChk->setEnabled(entries);
    cmdDeAll->setEnabled(entries);
    cmdDeSelect->setEnabled(entries);
    showRows();
    return true;
}

void frmExecute::openShredMode(const QStringList& files)
{
    setMode(Mode::Shred);
    setWindowTitle("Destroy the file(s)");
    lstFiles->clear();
    lstFiles->addItems(files);
    fraFileList->setTitle("file(s):" + QString::number(lstFiles->count()));
    resize(width(), 213);
}

void frmExecute::showRows()
{
    lstFileShow->clear();
    const std::vector<ArchiveRow>& rows = archive_.rows();
    // Added to the list in one go: one by one, each row is announced to the
    // view on its own, which an archive of 100,000 entries feels.
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const ArchiveRow& row = rows[index];
        auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(row.name), QString::fromStdString(row.modified),
                                                     QString::fromStdString(row.size), QString::fromStdString(row.packed),
                                                     QString::fromStdString(row.path)});
        item->setData(0, kInsertionIndexRole, QVariant::fromValue<qulonglong>(index));
        items.append(item);
    }
    lstFileShow->addTopLevelItems(items);
    for (int column = 0; column < lstFileShow->columnCount(); ++column)
        lstFileShow->resizeColumnToContents(column);
}

void frmExecute::cmdDeAll_Click()
{
    const std::string destination = strPathto->text().toStdString();
    const bool keepDirs = KeepDirChk->isChecked();
    whileWorking([&] { archive_.extractAll(destination, keepDirs); });
}

void frmExecute::cmdDeSelect_Click()
{
    // In the order the list shows them; each row names its own entry.
    std::vector<std::size_t> selected;
    for (int i = 0; i < lstFileShow->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lstFileShow->topLevelItem(i);
        if (item->isSelected())
            selected.push_back(item->data(0, kInsertionIndexRole).value<qulonglong>());
    }
    const std::string destination = strPathto->text().toStdString();
    const bool keepDirs = KeepDirChk->isChecked();
    whileWorking([&] { archive_.extractSelected(selected, destination, keepDirs); });
}

void frmExecute::cmdBowser_Click()
{
    const std::string chosen = ui_.browseForFolder("Select A Directory", strPathto->text().toStdString());
    if (!chosen.empty())
        strPathto->setText(QString::fromStdString(chosen));
}

void frmExecute::cmdEncrypt_Click()
{
    if (archive_.kind() == EncryptedArchive::Kind::SingleFile) {
        bool decrypted = false;
        const std::string target = strPathto->text().toStdString();
        whileWorking([&] { decrypted = archive_.decryptSingleFile(target).allSucceeded(); });
        // After a failure the user may name another file and try again.
        if (!decrypted)
            return;
    }
    close();
}

void frmExecute::lstFileShow_ColumnClick(int column)
{
    // One order for the whole list, turned over by every click.
    order_ = order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    lstFileShow->header()->setSortIndicatorShown(true);
    lstFileShow->header()->setSortIndicator(column, order_);
    lstFileShow->sortItems(column, order_);
}

void frmExecute::frmExecute_Click()
{
    std::vector<std::string> files;
    for (int i = 0; i < lstFiles->count(); ++i)
        files.push_back(nativePath(lstFiles->item(i)->text()).toStdString());
    RunReport report;
    const std::string passes = txtCount->text().toStdString();
    whileWorking([&] { report = ShredRun(workerUi_).run(files, passes); });
    // Not confirmed, or no usable count: the list stays for another try.
    if (report.outcome == RunReport::Outcome::Refused)
        return;
    emit filesDestroyed();
    close();
}

void frmExecute::whileWorking(const std::function<void()>& work)
{
    const QList<QWidget*> frames{fraCMDencrypt, fraFileList, optTimes};
    working_ = true;
    for (QWidget* frame : frames)
        frame->setEnabled(false);
    worker_.run(work);
    for (QWidget* frame : frames)
        frame->setEnabled(true);
    working_ = false;
}

void frmExecute::finish()
{
    if (finished_)
        return;
    finished_ = true;
    archive_.close();
    if (mode_ == Mode::Decrypt)
        emit programEnds();
}

void frmExecute::done(int result)
{
    if (working_)
        return;
    finish();
    QDialog::done(result);
}

void frmExecute::closeEvent(QCloseEvent* event)
{
    if (working_) {
        event->ignore();
        return;
    }
    finish();
    QDialog::closeEvent(event);
}

}  // namespace veilcraft

#include "AttrPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace veilcraft {

namespace {

constexpr int kValueWidth = 260;
constexpr int kImageSize = 32;

QLabel* make(const Slot<QLabel>& slot, QWidget* parent)
{
    return slot.control = namedLabel(slot.name, parent);
}

QCheckBox* make(const Slot<QCheckBox>& slot, const char* caption, QWidget* parent)
{
    slot.control = new QCheckBox(QString::fromLatin1(caption), parent);
    slot.control->setObjectName(QString::fromLatin1(slot.name));
    return slot.control;
}

} // namespace

QGroupBox* makePageFrame(int index, QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("Frame1(%1)").arg(index));
    new QGridLayout(frame);
    return frame;
}

QLabel* namedLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void addHeading(QGridLayout* grid, QLabel* image, QLabel* name)
{
    image->setFixedSize(kImageSize, kImageSize);
    grid->addWidget(image, 0, 0);
    grid->addWidget(name, 0, 1);
}

void addRow(QGridLayout* grid, int row, const char* caption, QWidget* value)
{
    grid->addWidget(new QLabel(QString::fromLatin1(caption), grid->parentWidget()), row, 0);
    grid->addWidget(value, row, 1);
}

QGroupBox* makeItemPage(int index, const ItemPageSlots& page, QWidget* parent)
{
    QGroupBox* frame = makePageFrame(index, parent);
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    addHeading(grid, make(page.image, frame), make(page.name, frame));
    addRow(grid, 1, "Type:", make(page.type, frame));
    addRow(grid, 2, "Size:", make(page.size, frame));
    QLabel* path = make(page.path, frame);
    path->setWordWrap(true);
    path->setMinimumWidth(kValueWidth);
    addRow(grid, kItemCountRow + 1, "Location:", path);
    addRow(grid, kItemCountRow + 2, "MSDOS Name:", make(page.shortName, frame));
    QLabel* shortPath = make(page.shortPath, frame);
    shortPath->setWordWrap(true);
    addRow(grid, kItemCountRow + 3, "Path:", shortPath);
    addRow(grid, kItemCountRow + 4, "Last access:", make(page.lastAccess, frame));
    addRow(grid, kItemCountRow + 5, "Modified:", make(page.modified, frame));

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(make(page.readOnly, "&ReadOnly", frame));
    boxes->addWidget(make(page.hidden, "&Hidden", frame));
    boxes->addWidget(make(page.system, "System", frame));
    boxes->addWidget(make(page.archive, "&Archive", frame));
    page.system.control->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("Attribute:"), frame), kItemCountRow + 6, 0);
    grid->addLayout(boxes, kItemCountRow + 6, 1);
    return frame;
}

} // namespace veilcraft

#pragma once

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QWidget;

namespace veilcraft {

// One control of a page: its name, which is also its objectName, and the
// form's member that holds it.
template <typename Control> struct Slot {
    const char* name;
    Control*& control;
};

// The controls of the folder and the file page, which share their layout
// and captions; only the names differ.
struct ItemPageSlots {
    Slot<QLabel> image, name, path, type, size, shortName, shortPath, lastAccess, modified;
    // Two-state; the system one is disabled: the dialog shows it, never changes it.
    Slot<QCheckBox> readOnly, hidden, system, archive;
};

// The grid row under the size that the folder page fills with its counters.
inline constexpr int kItemCountRow = 3;

// The frame Frame1(`index`), with a grid layout.
[[nodiscard]] QGroupBox* makePageFrame(int index, QWidget* parent);
// An empty label named `name`.
[[nodiscard]] QLabel* namedLabel(const char* name, QWidget* parent);
// The image and the object's name across the top of a page.
void addHeading(QGridLayout* grid, QLabel* image, QLabel* name);
// A static caption and its value in `row`.
void addRow(QGridLayout* grid, int row, const char* caption, QWidget* value);

// Frame1(`index`) holding a folder or file page, its controls made into `page`.
[[nodiscard]] QGroupBox* makeItemPage(int index, const ItemPageSlots& page, QWidget* parent);

} // namespace veilcraft

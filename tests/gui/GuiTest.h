#pragma once

#include "DriveSource.h"

#include <QString>
#include <QWidget>

#include <stdexcept>

#include <functional>

namespace veilcraft::test {

// The one offscreen QApplication of a widget-test binary, made on first use
// and kept to the end of the run.
void ensureApplication();

// Makes sure of the application when constructed: the first member of a
// fixture whose other members are widgets.
struct WithApplication {
    WithApplication() { ensureApplication(); }
};

// A control of `form` by its objectName; fails the test when it is missing.
template <typename T>
T* control(const QWidget& form, const QString& name)
{
    T* found = form.findChild<T*>(name);
    if (found == nullptr)
        throw std::runtime_error("no control named " + name.toStdString());
    return found;
}

// Folders of the test's own stand in for the machine's volumes.
class FolderDrives final : public DriveSource {
public:
    [[nodiscard]] std::vector<Volume> volumes() const override { return list; }
    std::vector<Volume> list;
};

// Runs `step` as soon as the next modal dialog or message loop is running,
// for driving a dialog that exec() shows.
void whenModal(std::function<void()> step);

}  // namespace veilcraft::test

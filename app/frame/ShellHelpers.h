#pragma once

#include <QString>

class QWidget;

namespace veilcraft {

// The folder picker: folders only, starting at `startFolder`. The chosen
// folder, or the empty text when the user cancelled.
[[nodiscard]] QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder);

}  // namespace veilcraft

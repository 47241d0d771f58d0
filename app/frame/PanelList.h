#pragma once

#include <QStringList>

#include <string>
#include <vector>

namespace veilcraft {

class ListView;

// The wizards' file lists: one row per file, its text the path as the
// browser shows it (bytes that are not UTF-8 escaped), duplicates allowed.
namespace panellist {

void append(ListView* list, const QStringList& paths);
// The rows' files as the workflows take them: the path's own bytes.
[[nodiscard]] std::vector<std::string> nativePaths(ListView* list);
// Removes the selected row (the first when none is) and gives the list the
// focus; nothing when the list is empty.
void removeSelected(ListView* list);
// Keeps only the rows whose file is one of `paths` (native bytes).
void keepOnly(ListView* list, const std::vector<std::string>& paths);

}  // namespace panellist

}  // namespace veilcraft

#pragma once

#include <QString>

namespace ze6 {

// One data file listed in the editor's file grid.
struct FileGridRow {
    QString description;
    QString name; // as the folder listing gives it, without folder
    bool ticked = false;

    bool operator==(const FileGridRow&) const = default;
};

} // namespace ze6

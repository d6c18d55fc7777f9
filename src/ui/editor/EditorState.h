#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace ze6 {

// What one editor object holds for its caller and between the dialog's steps.
struct EditorState {
    bool cancel = true;
    QStringList sourceFiles; // replaced on every OK press
    QString sourceFolder;    // written by the caller only
    QString targetFolder;
    std::int32_t keepLast = 0; // 0 keeps every generation
    // Days, ISO weeks, months and years, as frmDAZadaroEdit::Calendar counts them; 0 is off.
    std::array<std::int32_t, 4> keepCalendar{};
    bool ifChanged = false;
    QString currentFolder;     // the listed folder, prefix of every source entry
    double splitRatio = 0;     // share of the width given to the folder tree
};

} // namespace ze6

// Times how long the backup entry editor takes, from being shown to showing
// every data file of a folder in its grid. Prints the seconds.
//   ze6_bench_editor <folder> <number of data files expected>
#include "ui/editor/frmDAZadaroEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <number of data files>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int expected = std::atoi(argv[2]);

    ze6::frmDAZadaroEdit editor;
    // The editor opens in the folder of the job's source.
    editor.SetSourceFolder(folder + QStringLiteral("/*.RZT"));
    QDialog* dialog = editor.DialogWidget();
    auto* grid = dialog->findChild<QAbstractItemView*>(QStringLiteral("grdfiles"));
    if (grid == nullptr || grid->model() == nullptr) {
        std::fprintf(stderr, "the editor has no file grid\n");
        return 1;
    }

    QElapsedTimer clock;
    double seconds = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (grid->model()->rowCount() >= expected) {
            seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            dialog->reject();
        } else if (clock.elapsed() > 60000) {
            dialog->reject();
        }
    });
    poll.start(1);
    clock.start();
    editor.Display();
    if (seconds < 0) {
        std::fprintf(stderr, "the grid showed %d of %d data files\n", grid->model()->rowCount(), expected);
        return 1;
    }
    std::printf("%.3f\n", seconds);
    return 0;
}

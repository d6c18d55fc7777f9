#include "ui/main/JobListModel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace ze6::test {
namespace {

// A path that is not UTF-8 (here Latin-1) shows readably, not as replacement
// marks, while the job keeps its bytes. Rows go bottom up whatever order they
// are given in, so each removal takes the job meant, and indexes below move up.
TEST(JobListModelTest, ShowsEachJobUnderTheHeadersAndRemovesRowsGivenInAnyOrder)
{
    JobListModel model;
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetJobs(
        {{"/données/*.RZT", "/sauvegard\xe9/", {5}}, {" /a/ ", "/b/", {-3, 7, 0, 12}, true}, {"/c/", "/d/", {0}}});
    std::vector<std::string> shown;
    for (int row = -1; row < model.rowCount(); ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            shown.push_back(
                (row < 0 ? model.headerData(column, Qt::Horizontal, Qt::DisplayRole) : model.index(row, column).data())
                    .toString()
                    .toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"Backup Files From", "Backup Files To", "KeepLast", "Rules", "Last run",
                                               "Result", "/données/*.RZT", "/sauvegardé/", "5", "", "", "", " /a/ ",
                                               "/b/", "-3", "KEEPDAILY:7 KEEPMONTHLY:12 IFCHANGED", "", "", "/c/",
                                               "/d/", "", "", "", ""}));
    EXPECT_EQ(model.At(0).Target, "/sauvegard\xe9/");

    model.Append({{"/3/", "/t/", {0}}, {"/4/", "/t/", {0}}, {"/5/", "/t/", {0}}});
    const QPersistentModelIndex fourth = model.index(4, 1);
    model.RemoveRows({5, 0, 2, 0, 9, -1});
    EXPECT_EQ(model.Jobs(), (std::vector<modDAZadaro::Job>{
                                {" /a/ ", "/b/", {-3, 7, 0, 12}, true}, {"/3/", "/t/", {0}}, {"/4/", "/t/", {0}}}));
    EXPECT_EQ(std::pair(fourth.row(), fourth.column()), std::pair(2, 1));
}

} // namespace
} // namespace ze6::test

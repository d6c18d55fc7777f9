#include "ui/editor/DataFileListing.h"

#include "FakeDataFileReader.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ze6 {
namespace {

using test::ReaderComponents;
using test::TempFolder;

QStringList Names(const std::vector<FileGridRow>& rows)
{
    QStringList names;
    for (const FileGridRow& row : rows)
        names << row.name;
    names.sort();
    return names;
}

TEST(DataFileListingTest, ListsRecognisedDataFilesOnly)
{
    ReaderComponents components;
    components.recognise = [](const std::string& path) { return path.find("NOTDATA") == std::string::npos; };
    TempFolder folder;
    for (const char* name : {"X.RZT", "X.RZT6", "x.rzt", "X.RZ", "X.RZT66", "NOTDATA.RZT", ".Z.RZT", "X.txt"})
        folder.Write(name);
    folder.MakeFolder("Y.RZT");

    const std::vector<FileGridRow> rows = ReadDataFiles(folder.Path(), "*.RZT?", true);

    EXPECT_EQ(Names(rows), (QStringList{QStringLiteral("X.RZT"), QStringLiteral("X.RZT6"), QStringLiteral("x.rzt")}));
    for (const FileGridRow& row : rows) {
        EXPECT_TRUE(row.ticked);
        EXPECT_EQ(row.description, QStringLiteral("Data of ") + row.name);
    }
    // One reader for the whole listing, one call per candidate with the full path.
    EXPECT_EQ(components.readersCreated, 1);
    EXPECT_EQ(components.asked.size(), 4u);
    for (const std::string& path : components.asked)
        EXPECT_EQ(path.rfind(folder.Path(), 0), 0u) << path;
}

TEST(DataFileListingTest, FailuresLeaveFilesOutSilently)
{
    ReaderComponents components;
    TempFolder folder;
    folder.Write("A.RZT");
    EXPECT_TRUE(ReadDataFiles(folder.Path() + "missing/", "*.RZT?", true).empty());

    // The super-user reads any folder, so only others can see a folder refuse its listing.
    if (::geteuid() != 0) {
        const std::string locked = folder.MakeFolder("locked");
        folder.Write("locked/B.RZT");
        QFile::setPermissions(QString::fromStdString(locked), QFileDevice::Permissions());
        EXPECT_TRUE(ReadDataFiles(locked, "*.RZT?", true).empty());
        QFile::setPermissions(QString::fromStdString(locked),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    components.failCreation = true;
    EXPECT_TRUE(ReadDataFiles(folder.Path(), "*.RZT?", true).empty());
    EXPECT_TRUE(components.prompt.asked.empty());
}

} // namespace
} // namespace ze6

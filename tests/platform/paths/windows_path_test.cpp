#include "platform/paths/windows_path.h"
#include "support/qt_printers.h"
#include "support/temporary_prefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A prefix laid out as Wine lays it out, with names on disk in mixed case:
// C: in drive_c, Z: at the root, D: on another folder, and one UNC share.
class WindowsPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix.writer().save();  // a new prefix's c: and z: links
        ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("drive_c/Corvanta/Dati"))));
        touch(prefix.filePath(QStringLiteral("drive_c/Corvanta/Dati/ARCPROC.mdb")));
        ASSERT_TRUE(QDir().mkpath(elsewhere.filePath(QStringLiteral("Archivi"))));
        touch(elsewhere.filePath(QStringLiteral("Archivi/ArcProc.DB")));
        ASSERT_TRUE(QFile::link(elsewhere.path(), prefix.filePath(QStringLiteral("dosdevices/d:"))));
        ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("dosdevices/unc/Server"))));
        ASSERT_TRUE(QFile::link(elsewhere.path(), prefix.filePath(QStringLiteral("dosdevices/unc/Server/Condivisa"))));
    }

    static void touch(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QString dosdevices(const QString& rest) const { return prefix.filePath(QStringLiteral("dosdevices/") + rest); }

    TemporaryPrefix prefix;
    QTemporaryDir elsewhere;
};

TEST_F(WindowsPath, DrivesGoThroughTheirLinksAndNamesMatchWithoutCase)
{
    const QString arcproc = dosdevices(QStringLiteral("c:/Corvanta/Dati/ARCPROC.mdb"));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("C:\\Corvanta\\Dati\\ARCPROC.mdb")), arcproc);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("c:\\CORVANTA\\dati\\arcproc.MDB")), arcproc);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("C:/corvanta/Dati\\\\ARCPROC.mdb")), arcproc);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("C:\\Corvanta\\.\\Altro\\..\\Dati\\ARCPROC.mdb")), arcproc);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("C:\\..\\..\\Corvanta\\Dati\\ARCPROC.mdb")), arcproc);  // never above the root
    EXPECT_EQ(LinuxPathOf(QStringLiteral("d:\\archivi\\arcproc.db")),
              dosdevices(QStringLiteral("d:/Archivi/ArcProc.DB")));
    EXPECT_TRUE(QFile::exists(LinuxPathOf(QStringLiteral("D:\\ARCHIVI\\ARCPROC.DB"))));
}

TEST_F(WindowsPath, UncPathsGoThroughTheSharesOfThePrefix)
{
    const QString expected = dosdevices(QStringLiteral("unc/Server/Condivisa/Archivi/ArcProc.DB"));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("\\\\server\\condivisa\\archivi\\arcproc.db")), expected);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("\\\\?\\UNC\\SERVER\\Condivisa\\Archivi\\ArcProc.DB")), expected);
    EXPECT_EQ(LinuxPathOf(QStringLiteral("\\\\?\\C:\\Corvanta\\Dati\\ARCPROC.mdb")),
              dosdevices(QStringLiteral("c:/Corvanta/Dati/ARCPROC.mdb")));
    EXPECT_TRUE(QFile::exists(LinuxPathOf(QStringLiteral("//Server/Condivisa/Archivi/ArcProc.DB"))));
}

TEST_F(WindowsPath, WhatCannotBeFoundIsKeptAsWrittenFromThereOn)
{
    EXPECT_EQ(LinuxPathOf(QStringLiteral("C:\\Corvanta\\Nuovi\\Dati\\ARCPROC.mdb")),
              dosdevices(QStringLiteral("c:/Corvanta/Nuovi/Dati/ARCPROC.mdb")));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("Q:\\Dati\\ARCPROC.mdb")), dosdevices(QStringLiteral("q:/Dati/ARCPROC.mdb")));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("\\\\altro\\dati\\x.mdb")),
              dosdevices(QStringLiteral("unc/altro/dati/x.mdb")));
}

TEST_F(WindowsPath, LinuxFoldersAndRelativePathsStayOnThisMachine)
{
    // The program's own folder arrives as Linux names it, then "\Abicab.mdb".
    const QString folder = elsewhere.filePath(QStringLiteral("Archivi"));
    EXPECT_EQ(LinuxPathOf(folder + QStringLiteral("\\arcproc.db")), folder + QStringLiteral("/ArcProc.DB"));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("Z:") + folder + QStringLiteral("\\ArcProc.DB")),
              dosdevices(QStringLiteral("z:")) + folder + QStringLiteral("/ArcProc.DB"));
    EXPECT_TRUE(QFile::exists(LinuxPathOf(QStringLiteral("Z:") + folder + QStringLiteral("\\ArcProc.DB"))));

    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("archivi\\arcproc.db")), folder + QStringLiteral("/ArcProc.DB"));
    EXPECT_EQ(LinuxPathOf(QStringLiteral("Archivi\\..\\..\\x")),
              QFileInfo(elsewhere.path()).path() + QStringLiteral("/x"));
    QDir::setCurrent(previous);
}

}  // namespace

// Tables in relationships, in a copy of a file Access made: Table1 refers to
// Table2 (otherfk1, enforced, deletions cascade) and to Table3 (otherfk2,
// enforced, updates cascade). Table1 holds (id, otherfk1, otherfk2)
// (0, 0, 10), (1, 1, 11), (2, 1, 11), (3, 2, 13); Table2 ids 0 to 2; Table3
// ids 10 to 13.
#include "platform/database/jet/in_place/relationships.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/jet_checker.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QStringList kTables{QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")};

QString Child(int id, const QString& otherfk1, const QString& otherfk2)
{
    return QStringLiteral(
               "INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (%1, %2, %3, 'riga %1', 0)")
        .arg(id)
        .arg(otherfk1, otherfk2);
}

class JetRelationships : public ::testing::Test {
protected:
    JetRelationships()
    {
        path = dir.filePath(QStringLiteral("relazioni.mdb"));
        QFile::copy(QStringLiteral(CORVANTA_JET_SAMPLES "/indexTestV2000.mdb"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void expectRows(int table1, int table2, int table3)
    {
        const QStringList problems = CheckJetTables(path, kTables);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
        ExpectJetRowCount(path, QStringLiteral("Table1"), table1);
        ExpectJetRowCount(path, QStringLiteral("Table2"), table2);
        ExpectJetRowCount(path, QStringLiteral("Table3"), table3);
    }

    // The statements are refused with Jet's integrity error naming the relationship; the file is unchanged.
    void expectRefused(const QStringList& statements, const QString& relationship, const QString& wording)
    {
        const QByteArray before = FileDigest(path);
        const RuntimeError error = ErrorOf([&] { RunJetStatements(path, statements); });
        EXPECT_EQ(error.number(), ErrorNumber::IntegrityViolation);
        EXPECT_TRUE(error.description().contains(QStringLiteral("relazione '%1'").arg(relationship))
                    && error.description().contains(wording))
            << error.description().toStdString();
        EXPECT_EQ(FileDigest(path), before);
    }

    QTemporaryDir dir;
    QString path;
};

// Rows whose parents exist go in with the entries of the foreign-key
// indexes, which the checker finds for every row; a Null key is not checked.
TEST_F(JetRelationships, RowsWhoseParentsExistAreInsertedWithTheirIndexEntries)
{
    RunJetStatements(path,
                     {Child(10, QStringLiteral("2"), QStringLiteral("12")),
                      Child(11, QStringLiteral("Null"), QStringLiteral("Null")),
                      Child(12, QStringLiteral("0"), QStringLiteral("Null"))});
    expectRows(7, 3, 4);
}

TEST_F(JetRelationships, AnInsertWhoseParentIsMissingIsRefused)
{
    const QString required = QStringLiteral("È necessario un record correlato nella tabella");
    expectRefused({Child(10, QStringLiteral("7"), QStringLiteral("12"))}, QStringLiteral("Table2Table1"), required);
    expectRefused({Child(10, QStringLiteral("2"), QStringLiteral("99"))}, QStringLiteral("Table3Table1"), required);
    expectRefused(
        {Child(10, QStringLiteral("2"), QStringLiteral("12")), Child(11, QStringLiteral("3"), QStringLiteral("12"))},
        QStringLiteral("Table2Table1"), required);
    expectRows(4, 3, 4);
}

// A deletion that would leave rows of Table1 without their parent is
// refused; one Jet would cascade into Table1, which the update does not
// change, as well. Once the related rows are gone, the parents go too.
TEST_F(JetRelationships, ADeletionLeavingRelatedRowsIsRefused)
{
    expectRefused({QStringLiteral("DELETE FROM Table3 WHERE id >= 12")}, QStringLiteral("Table3Table1"),
                  QStringLiteral("include record correlati (relazione 'Table3Table1'). (errore Jet 3200)"));
    expectRefused({QStringLiteral("DELETE FROM Table2 WHERE id >= 2")}, QStringLiteral("Table2Table1"),
                  QStringLiteral("eliminerebbe a catena"));
    RunJetStatements(
        path,
        {QStringLiteral("DELETE FROM Table3 WHERE id >= 14"), QStringLiteral("DELETE FROM Table1 WHERE id >= 3"),
         QStringLiteral("DELETE FROM Table2 WHERE id >= 2"), QStringLiteral("DELETE FROM Table3 WHERE id >= 12")});
    expectRows(3, 2, 2);
}

// Within one transaction the rules see the rows as the transaction left them.
TEST_F(JetRelationships, ARunSeesItsOwnParentsComeAndGo)
{
    RunJetStatements(path,
                     {Child(20, QStringLiteral("0"), QStringLiteral("10")),
                      QStringLiteral("INSERT INTO Table2 (id, data) VALUES (5, 'foo5')"),
                      Child(21, QStringLiteral("5"), QStringLiteral("10"))});
    expectRefused(
        {QStringLiteral("DELETE FROM Table1 WHERE id >= 21"), QStringLiteral("DELETE FROM Table2 WHERE id >= 5"),
         Child(22, QStringLiteral("5"), QStringLiteral("10"))},
        QStringLiteral("Table2Table1"), QStringLiteral("(relazione 'Table2Table1'). (errore Jet 3201)"));
    expectRows(6, 4, 4);
}

}  // namespace

// No sample has a relationship Jet does not enforce: the same relationship
// as the catalog's Table2Table1, marked "not enforced" (DAO's attribute 2),
// lets a row without its parent in; enforced, it refuses it.
TEST_F(JetRelationships, ARelationshipJetDoesNotEnforceConstrainsNothing)
{
    JetPageFile file(path, QByteArray());
    const auto schemaOf = [&](const QString& name) {
        // The definitions' pages, as the catalog lists them.
        return ReadTableSchema(file, name == QStringLiteral("Table1") ? 24 : 27, name);
    };
    const JetTableSchema table1 = schemaOf(QStringLiteral("Table1"));
    std::vector<Variant> orphan(table1.columns.size());
    orphan[table1.columnNamed(QStringLiteral("id"))] = Variant(qint64{10});
    orphan[table1.columnNamed(QStringLiteral("otherfk1"))] = Variant(qint64{7});
    for (const quint32 attributes : {0x1000U | 0x2U, 0x1000U}) {
        const JetRelationship relationship{QStringLiteral("Table2Table1"), QStringLiteral("Table1"),
                                           {QStringLiteral("otherfk1")},   QStringLiteral("Table2"),
                                           {QStringLiteral("id")},         attributes};
        RelationshipRules rules(file, {relationship}, schemaOf);
        const bool enforced = (attributes & 0x2U) == 0;
        EXPECT_EQ(ErrorNumberOf([&] { rules.checkInsert(table1, orphan); }),
                  enforced ? ErrorNumber::IntegrityViolation : 0);
        EXPECT_EQ(rules.referenced(QStringLiteral("Table2")), enforced);
    }
}

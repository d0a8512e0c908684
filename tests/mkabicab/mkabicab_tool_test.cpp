// mkabicab run as its user runs it: two CSV files in, a Jet file or a refusal out.
#include "support/jet3_checker.h"
#include "support/jet_readback.h"
#include "support/qt_printers.h"
#include "support/source_databases.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QByteArray kAbiHeader = "AbiAbi,AbiBanc,AbiAbichk\n";
const QByteArray kAbicabHeader =
    "AbcAbi,AbcCab,AbcBanc,AbcFiliale,AbcIndir,AbcCap,AbcLocalita,AbcComune,AbcProv,AbcAbichk,AbcCabchk\n";

struct Outcome {
    int exitCode = -1;
    QString errors;
};

class Mkabicab : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void writeFile(const QString& name, const QByteArray& contents) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    Outcome run(const QByteArray& abi, const QByteArray& abicab)
    {
        writeFile(QStringLiteral("abi.csv"), abi);
        writeFile(QStringLiteral("abicab.csv"), abicab);
        return runWith({path(QStringLiteral("abi.csv")), path(QStringLiteral("abicab.csv")), output()});
    }

    Outcome runWith(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral(MKABICAB_PROGRAM), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    // The files in the test's folder, in byte order of their names.
    QStringList files() const
    {
        QStringList names = QDir(dir_.path()).entryList(QDir::Files);
        names.sort();
        return names;
    }

    QString output() const { return path(QStringLiteral("Abicab.mdb")); }

    // A refusal: exit code 1, the message on stderr, and no file besides the inputs.
    void expectRefused(const QByteArray& abi, const QByteArray& abicab, const QString& message)
    {
        const Outcome outcome = run(abi, abicab);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_TRUE(outcome.errors.contains(message)) << outcome.errors.toStdString();
        EXPECT_EQ(files(), (QStringList{QStringLiteral("abi.csv"), QStringLiteral("abicab.csv")}));
    }

    QString abiFile() const { return path(QStringLiteral("abi.csv")); }
    QString abicabFile() const { return path(QStringLiteral("abicab.csv")); }

    QTemporaryDir dir_;
};

TEST_F(Mkabicab, RoundTripGivesBackTheCsvValues)
{
    const QByteArray abi =
        "\xef\xbb\xbf"
        "abiBANC,AbiAbichk,ABIABI\r\n"
        "\"Banca d'Esempio\",3,1005\r\n"
        ",0,500\r\n"
        "\"\",-32768,-2147483648\r\n"
        "\"Banca \"\"La Fiducia\"\", Forlì\",32767,2147483647\r\n"
        "\r\n";
    const QByteArray abicab =
        "AbcCabchk,AbcProv,AbcComune,AbcLocalita,AbcCap,AbcIndir,AbcFiliale,AbcBanc,AbcAbichk,AbcCab,AbcAbi\n"
        "7,RM,Roma,Roma,00100,,Sede,\"Banca d'Esempio\",3,1600,1005\n"
        "-0.125,AQ,L'Aquila,Paganica,67100,\"Via dell'Aquila, 3\nscala B\",\"Agenzia \\\\ 2\",Банк,0,1,1006\n"
        "0,,,,,,,,0,2,1007\n"
        "0,,,,,,\xef\xbb\xbf,\xef\xbb\xbf"
        "bomx,0,3,1008\n";
    const Outcome outcome = run(abi, abicab);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
    ExpectJetFileReadsBack(
        output(),
        {AbiTable({AbiRow(1005, "Banca d'Esempio", 3), AbiRow(500, Variant(), 0),
                   AbiRow(-2147483648LL, QString(), -32768),
                   AbiRow(2147483647, QString::fromUtf8("Banca \"La Fiducia\", Forlì"), 32767)}),
         AbicabTable(
             {AbicabRow(1005, 1600, "Banca d'Esempio", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7.0),
              AbicabRow(1006, 1, QString::fromUtf8("Банк"), "Agenzia \\\\ 2", "Via dell'Aquila, 3\nscala B", "67100",
                        "Paganica", "L'Aquila", "AQ", 0, -0.125),
              AbicabRow(1007, 2, Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), 0, 0.0),
              AbicabRow(1008, 3, QStringLiteral("\uFEFFbomx"), QStringLiteral("\uFEFF"), Variant(), Variant(),
                        Variant(), Variant(), Variant(), 0, 0.0)})});
    EXPECT_EQ(files(),
              (QStringList{QStringLiteral("Abicab.mdb"), QStringLiteral("abi.csv"), QStringLiteral("abicab.csv")}));
}

// The option anywhere among the files; the readers find Access 97's format.
TEST_F(Mkabicab, WritesJet3OnRequest)
{
    writeFile(QStringLiteral("abi.csv"), kAbiHeader + "1005,\"Banca d'Esempio, Forlì\",3\n500,,0\n");
    writeFile(QStringLiteral("abicab.csv"),
              kAbicabHeader + "1005,1600,Banca,\"Sede €\",,00100,Roma,Roma,RM,3,-0.125\n");
    const Outcome outcome =
        runWith({abiFile(), QStringLiteral("--formato"), QStringLiteral("jet3"), abicabFile(), output()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
    QProcess version;
    version.start(QStringLiteral("mdb-ver"), {output()});
    ASSERT_TRUE(version.waitForFinished(60000));
    EXPECT_EQ(version.readAllStandardOutput().trimmed(), QByteArray("JET3"));
    EXPECT_EQ(CheckJet3Pages(output()), QStringList());
    ExpectJetFileReadsBack(
        output(),
        {AbiTable({AbiRow(1005, QString::fromUtf8("Banca d'Esempio, Forlì"), 3), AbiRow(500, Variant(), 0)}),
         AbicabTable({AbicabRow(1005, 1600, "Banca", QString::fromUtf8("Sede €"), Variant(), "00100", "Roma", "Roma",
                                "RM", 3, -0.125)})});
}

TEST_F(Mkabicab, Jet3RefusesATextOutsideItsCodePageNamingRowAndColumn)
{
    writeFile(QStringLiteral("abi.csv"), kAbiHeader + "1005,Banca,3\n");
    writeFile(QStringLiteral("abicab.csv"), kAbicabHeader + "1005,1,Banca,Sede,,00100,Roma,Roma,RM,3,1\n"
                                                            "1006,2,Банк,Sede,,00100,Roma,Roma,RM,3,1\n");
    const Outcome outcome =
        runWith({QStringLiteral("--formato"), QStringLiteral("jet3"), abiFile(), abicabFile(), output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.errors.contains(abicabFile() + QStringLiteral(", riga 3: Colonna 'AbcBanc': il carattere 'Б'")))
        << outcome.errors.toStdString();
    EXPECT_FALSE(QFile::exists(output()));
}

TEST_F(Mkabicab, ReportsProgressOnLongInputs)
{
    QByteArray abicab = kAbicabHeader;
    for (int i = 0; i < 25000; ++i)
        abicab += QByteArray::number(1000 + i / 25) + ',' + QByteArray::number(i)
            + ",Banca,Filiale,Via,00100,Roma,Roma,RM,1,2\n";
    const Outcome outcome = run(kAbiHeader + "1000,Banca,1\n", abicab);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors.toStdString();
    EXPECT_TRUE(outcome.errors.contains(abicabFile() + QStringLiteral(": 10000 righe lette")));
    EXPECT_TRUE(outcome.errors.contains(abicabFile() + QStringLiteral(": 20000 righe lette")));
    EXPECT_TRUE(outcome.errors.contains(QStringLiteral("1 banche, 25000 sportelli")));
}

TEST_F(Mkabicab, RefusesMalformedCsv)
{
    expectRefused(kAbiHeader + "1000,\"Banca,1\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 2: virgolette aperte e mai chiuse"));
    expectRefused(kAbiHeader + "1000,Ban\"ca,1\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 2: virgolette dentro un campo senza virgolette"));
    expectRefused(kAbiHeader, kAbicabHeader + "1,2,\xff,,,,,,,,\n",
                  abicabFile() + QStringLiteral(", riga 2: il file non è in UTF-8"));
    expectRefused("", kAbicabHeader, abiFile() + QStringLiteral(": il file è vuoto"));
}

TEST_F(Mkabicab, RefusesAHeaderThatIsNotTheTables)
{
    expectRefused("AbiAbi,AbiBanc\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 1: mancano le colonne AbiAbichk della tabella abi"));
    expectRefused("AbiAbi,AbiBanc,AbiAbichk,AbiBic\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 1: la colonna 'AbiBic' non è della tabella abi"));
    expectRefused("AbiAbi,AbiBanc,abiabi\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 1: la colonna 'abiabi' compare due volte"));
}

TEST_F(Mkabicab, RefusesBadValuesNamingLineAndColumn)
{
    expectRefused(kAbiHeader + "1000,Banca,1\n1001,Banca,uno\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 3, colonna AbiAbichk: 'uno' non è un numero intero"));
    expectRefused(kAbiHeader + "2147483648,Banca,1\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 2, colonna AbiAbi: il valore 2147483648 è fuori dell'intervallo"));
    expectRefused(kAbiHeader + "1000,Banca,40000\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 2, colonna AbiAbichk: il valore 40000 è fuori dell'intervallo"));
    expectRefused(
        kAbiHeader, kAbicabHeader + "1000,1,B,F,I,001000,L,C,RM,1,2\n",
        abicabFile() + QStringLiteral(", riga 2, colonna AbcCap: il testo ha 6 caratteri, la colonna ne ammette 5"));
    expectRefused(kAbiHeader, kAbicabHeader + "1000,1,B,F,I,00100,L,C,RM,1,\"2,5\"\n",
                  abicabFile() + QStringLiteral(", riga 2, colonna AbcCabchk: '2,5' non è un numero"));
}

TEST_F(Mkabicab, RefusesValuesTheUpdateCouldNotInsert)
{
    expectRefused(kAbiHeader + "1000,Banca,1\n1001,Banca,\n", kAbicabHeader,
                  abiFile()
                      + QStringLiteral(", riga 3, colonna AbiAbichk: il campo è vuoto, ma l'aggiornamento non può "
                                       "inserire un valore nullo in una colonna numerica"));
    expectRefused(kAbiHeader, kAbicabHeader + "1000,1,B,F,I,00100,L,C,RM,,2\n",
                  abicabFile()
                      + QStringLiteral(", riga 2, colonna AbcAbichk: il campo è vuoto, ma l'aggiornamento non "
                                       "può inserire un valore nullo in una colonna numerica"));
    expectRefused(kAbiHeader + QByteArray("1000,\"Ban\0ca\",1\n", 16), kAbicabHeader,
                  abiFile()
                      + QStringLiteral(", riga 2, colonna AbiBanc: il testo contiene il carattere NUL, che "
                                       "l'aggiornamento non può inserire"));
}

TEST_F(Mkabicab, RefusesARowWithTheWrongNumberOfFields)
{
    expectRefused(kAbiHeader + "1000,Banca,1\n1001,Banca\n", kAbicabHeader,
                  abiFile() + QStringLiteral(", riga 3: 2 campi invece di 3"));
    expectRefused(kAbiHeader, kAbicabHeader + "1000,1,B,F,I,00100,L,C,RM,1,2,extra\n",
                  abicabFile() + QStringLiteral(", riga 2: 12 campi invece di 11"));
}

TEST_F(Mkabicab, ARefusalLeavesAnOldDatabaseAsItWas)
{
    writeFile(QStringLiteral("Abicab.mdb"), "il database di prima");
    const Outcome outcome = run(kAbiHeader + "1000,Banca,x\n", kAbicabHeader);
    EXPECT_EQ(outcome.exitCode, 1);
    QFile old(output());
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("il database di prima"));
    EXPECT_EQ(files().size(), 3);
}

TEST_F(Mkabicab, RefusesWhatCannotBeReadOrWritten)
{
    writeFile(QStringLiteral("abicab.csv"), kAbicabHeader);
    Outcome outcome = runWith({path(QStringLiteral("nessuno.csv")), abicabFile(), output()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.errors.contains(path(QStringLiteral("nessuno.csv")) + QStringLiteral(": impossibile leggere")));
    writeFile(QStringLiteral("abi.csv"), kAbiHeader);
    outcome = runWith({abiFile(), abicabFile(), path(QStringLiteral("manca/Abicab.mdb"))});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.errors.contains(QStringLiteral("Impossibile creare il database")))
        << outcome.errors.toStdString();
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
}

TEST_F(Mkabicab, WrongArgumentsShowTheUsage)
{
    for (const QStringList& wrong :
         {QStringList{abiFile(), abicabFile(), output(), QStringLiteral("--formato")},
          QStringList{QStringLiteral("--formato"), QStringLiteral("jet5"), abiFile(), abicabFile(), output()}}) {
        const Outcome refused = runWith(wrong);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(refused.errors.startsWith(QStringLiteral("Uso: mkabicab")));
        EXPECT_FALSE(QFile::exists(output()));
    }
    const Outcome outcome = runWith({abiFile()});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(
        outcome.errors.startsWith(QStringLiteral("Uso: mkabicab [--formato jet4|jet3] ABI.csv ABICAB.csv USCITA.mdb")));
    EXPECT_TRUE(outcome.errors.contains(QStringLiteral("AbcCabchk Precisione doppia")));
}

}  // namespace

#include "platform/database/jet/in_place/column_rules.h"
#include "platform/database/jet/in_place/validation_rule.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/jet_checker.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

QString Sample(const QString& name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + name;
}

using Row = std::vector<Variant>;

// Byte offsets in compIndexTestV2000.mdb, in the properties Access keeps for
// Table1, as mdb-prop reads them.
constexpr qint64 kCdAgenteDefaultDigit = 0x1ed95;    // "0", CD_AGENTE's DefaultValue
constexpr qint64 kDisplayControlName = 0x1ece0;      // the name "DisplayControl", as long as "ValidationRule"
constexpr qint64 kRsAgenteDisplayControl = 0x1ee1c;  // RS_AGENTE's DisplayControl entry
constexpr qint64 kDcAgenteDisplayControl = 0x1ee92;  // DC_AGENTE's
constexpr qint64 kInputMaskNameIndex = 0x10;
// passwordV2000.mdb: the definition of Table1, whose ID is an AutoNumber.
constexpr qint64 kPasswordTableDefinition = 45 * 4096;

class JetColumnRules : public ::testing::Test {
protected:
    QString copy(const QString& sample)
    {
        const QString path = dir.filePath(sample);
        QFile::copy(Sample(sample), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    // Overwrites bytes of the file, checking first that they are what Access wrote.
    static void patch(const QString& path, qint64 offset, const QByteArray& was, const QByteArray& now)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(offset));
        ASSERT_EQ(file.read(was.size()), was);
        ASSERT_TRUE(file.seek(offset));
        ASSERT_EQ(file.write(now), now.size());
    }

    // compIndexTestV2000.mdb with the ValidationRule "109" on CD_AGENTE and,
    // unless `textColumnsToo` is false, on its two Text columns: Access's
    // DisplayControl, 109, renamed.
    QString withRule109(bool textColumnsToo)
    {
        const QString path = copy(QStringLiteral("compIndexTestV2000.mdb"));
        const auto utf16 = [](const char16_t* text) {
            return QByteArray(reinterpret_cast<const char*>(text),
                              static_cast<qsizetype>(std::char_traits<char16_t>::length(text) * 2));
        };
        patch(path, kDisplayControlName, utf16(u"DisplayControl"), utf16(u"ValidationRule"));
        if (!textColumnsToo) {
            for (const qint64 entry : {kRsAgenteDisplayControl, kDcAgenteDisplayControl})
                patch(path, entry + 4, QByteArray(1, 0x12), QByteArray(1, static_cast<char>(kInputMaskNameIndex)));
        }
        return path;
    }

    QTemporaryDir dir;
};

std::vector<Row> RowsOf(const QString& path, const QString& table)
{
    return OpenJetDatabase(path)->query(QStringLiteral("SELECT * FROM ") + table).rows;
}

JetTableDefinition CompIndexTable()
{
    JetTableDefinition table;
    table.name = QStringLiteral("Table1");
    table.columns = {{QStringLiteral("CD_AGENTE"), JetColumnType::LongInteger},
                     {QStringLiteral("RS_AGENTE"), JetColumnType::Text, 55},
                     {QStringLiteral("DC_AGENTE"), JetColumnType::Text, 55}};
    return table;
}

void ExpectSound(const QString& path)
{
    QStringList tables = JetUserTables(path);
    tables.append(QStringLiteral("MSysObjects"));
    const QStringList problems = CheckJetTables(path, tables);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

RuntimeError RefusalOf(const QString& path, const QStringList& statements)
{
    const QByteArray before = FileDigest(path);
    const RuntimeError refused = ErrorOf([&] { RunJetStatements(path, statements); });
    EXPECT_EQ(FileDigest(path), before) << "the refusal changed the file";
    return refused;
}

TEST_F(JetColumnRules, ColumnsLeftOutTakeTheirDefaultValue)
{
    const QString path = copy(QStringLiteral("compIndexTestV2000.mdb"));
    std::vector<Row> rows = RowsOf(path, QStringLiteral("Table1"));
    RunJetStatements(path,
                     {QStringLiteral("INSERT INTO Table1 (RS_AGENTE, DC_AGENTE) VALUES ('predefinito', 'x')"),
                      QStringLiteral("INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (Null, 'nullo')")});
    rows.push_back({0, "predefinito", "x"});
    rows.push_back({Variant(), "nullo", Variant()});  // a Null the statement names stays Null
    ExpectJetFileReadsBack(path, {{CompIndexTable(), rows}});
    ExpectSound(path);

    // The value comes from the property: changed to 7, 7 is stored.
    const QString seven = dir.filePath(QStringLiteral("seven.mdb"));
    QFile::copy(Sample(QStringLiteral("compIndexTestV2000.mdb")), seven);
    QFile::setPermissions(seven, QFile::ReadOwner | QFile::WriteOwner);
    patch(seven, kCdAgenteDefaultDigit, "0", "7");
    RunJetStatements(seven, {QStringLiteral("INSERT INTO Table1 (RS_AGENTE) VALUES ('sette')")});
    EXPECT_EQ(RowsOf(seven, QStringLiteral("Table1")).back(), (Row{7, "sette", Variant()}));
}

TEST_F(JetColumnRules, AnEmptyTextIsRefusedWhereAllowZeroLengthIsNo)
{
    // col1 and col2 of bigIndexTestV2000.mdb: AllowZeroLength No.
    const QString path = copy(QStringLiteral("bigIndexTestV2000.mdb"));
    const RuntimeError refused = RefusalOf(path,
                                           {QStringLiteral("INSERT INTO Table1 (col1) VALUES ('prima')"),
                                            QStringLiteral("INSERT INTO Table1 (col1, col2) VALUES ('b', '')")});
    EXPECT_EQ(refused.number(), ErrorNumber::IntegrityViolation);
    EXPECT_TRUE(refused.description().contains(QStringLiteral("'Table1.col2'"))
                && refused.description().contains(QStringLiteral("lunghezza zero"))
                && refused.description().contains(QStringLiteral("3315")))
        << refused.description().toStdString();
    // A Null is no zero-length text.
    RunJetStatements(path, {QStringLiteral("INSERT INTO Table1 (col1, col2) VALUES ('c', Null)")});
    ExpectJetRowCount(path, QStringLiteral("Table1"), 1);

    // RS_AGENTE of compIndexTestV2000.mdb allows it: stored empty, not Null.
    const QString allowed = copy(QStringLiteral("compIndexTestV2000.mdb"));
    std::vector<Row> rows = RowsOf(allowed, QStringLiteral("Table1"));
    RunJetStatements(allowed, {QStringLiteral("INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (-1, '')")});
    rows.push_back({-1, "", Variant()});
    ExpectJetFileReadsBack(allowed, {{CompIndexTable(), rows}});
    ExpectSound(allowed);
}

qint32 LastAutoNumber(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(kPasswordTableDefinition + 20);
    const QByteArray bytes = file.read(4);
    return qFromLittleEndian<qint32>(bytes.constData());
}

TEST_F(JetColumnRules, AnAutoNumberTakesTheTablesNextNumberKeptInItsDefinition)
{
    // Table1 of passwordV2000.mdb: IDs 1 to 3, the last number given 3.
    const QString path = copy(QStringLiteral("passwordV2000.mdb"));
    const QString password = QStringLiteral("password");
    ASSERT_EQ(LastAutoNumber(path), 3);
    RunJetStatements(path,
                     {QStringLiteral("INSERT INTO Table1 (Data) VALUES ('quattro')"),
                      QStringLiteral("INSERT INTO Table1 (ID, Data) VALUES (20, 'venti')"),
                      QStringLiteral("INSERT INTO Table1 (ID, Data) VALUES (Null, 'ventuno')"),
                      QStringLiteral("INSERT INTO Table1 (ID, Data) VALUES (15, 'quindici')")},
                     password);
    EXPECT_EQ(LastAutoNumber(path), 21);
    // The next run goes on from the number the file keeps.
    RunJetStatements(path, {QStringLiteral("INSERT INTO Table1 (Data) VALUES ('ventidue')")}, password);
    EXPECT_EQ(LastAutoNumber(path), 22);

    const std::vector<Row> rows = RowsOf(path, QStringLiteral("Table1"));
    const std::vector<Row> expected{{1, "One"},    {2, "Two"},      {3, "Three"},     {4, "quattro"},
                                    {20, "venti"}, {21, "ventuno"}, {15, "quindici"}, {22, "ventidue"}};
    EXPECT_EQ(rows, expected);
    ExpectJetRowCount(path, QStringLiteral("Table1"), 8);
    QStringList tables = JetUserTables(path);
    tables.append(QStringLiteral("MSysObjects"));
    const QStringList problems = CheckJetTables(path, tables, password);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

TEST_F(JetColumnRules, AValidationRuleRefusesTheRowsItDoesNotAccept)
{
    // CD_AGENTE's rule "109": 109 or Null.
    const QString path = withRule109(false);
    for (const char* insert : {"INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (5, 'cinque')",
                               "INSERT INTO Table1 (RS_AGENTE) VALUES ('predefinito 0')"}) {
        const RuntimeError refused = RefusalOf(path, {QString::fromLatin1(insert)});
        EXPECT_EQ(refused.number(), ErrorNumber::IntegrityViolation) << insert;
        EXPECT_TRUE(refused.description().contains(QStringLiteral("'109'"))
                    && refused.description().contains(QStringLiteral("'Table1.CD_AGENTE'"))
                    && refused.description().contains(QStringLiteral("3317")))
            << refused.description().toStdString();
    }
    std::vector<Row> rows = RowsOf(path, QStringLiteral("Table1"));
    RunJetStatements(path,
                     {QStringLiteral("INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (109, 'ok')"),
                      QStringLiteral("INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (Null, 'nullo')")});
    rows.push_back({109, "ok", Variant()});
    rows.push_back({Variant(), "nullo", Variant()});
    ExpectJetFileReadsBack(path, {{CompIndexTable(), rows}});
}

TEST_F(JetColumnRules, ATableWhoseRuleCannotBeEvaluatedIsRefusedBeforeAnyChange)
{
    // "109" on a Text column compares a text with a number.
    const QString path = withRule109(true);
    const RuntimeError refused = RefusalOf(path,
                                           {QStringLiteral("DELETE FROM Table1 WHERE CD_AGENTE >= 0"),
                                            QStringLiteral("INSERT INTO Table1 (CD_AGENTE) VALUES (109)")});
    EXPECT_EQ(refused.number(), ErrorNumber::Failure);
    EXPECT_TRUE(refused.description().contains(QStringLiteral("regola di convalida '109'"))
                && refused.description().contains(QStringLiteral("Table1.RS_AGENTE")))
        << refused.description().toStdString();
}

// A table's definition as ReadTableSchema would give it: n Long, t Text, d
// DateTime, c Currency.
JetTableSchema RuleTable()
{
    JetTableSchema schema;
    schema.name = QStringLiteral("Regole");
    const std::pair<const char*, JetColumnType> columns[] = {{"n", JetColumnType::LongInteger},
                                                             {"t", JetColumnType::Text},
                                                             {"d", JetColumnType::DateTime},
                                                             {"c", JetColumnType::Other}};
    for (const auto& [name, type] : columns) {
        SchemaColumn column;
        column.column = {QString::fromLatin1(name), type, type == JetColumnType::Text ? 50 : 0};
        schema.columns.push_back(column);
    }
    return schema;
}

struct RuleCase {
    const char* rule;
    int column;  // -1: the table's rule
    Row row;     // n, t, d, c
    bool passes;
};

TEST(JetValidationRule, EvaluatesAsJet)
{
    const JetTableSchema schema = RuleTable();
    const Variant null;
    const RuleCase cases[] = {
        {"> 0", 0, {5, null, null, null}, true},
        {"> 0", 0, {0, null, null, null}, false},
        {"> 0", 0, {null, null, null, null}, true},  // Null passes a rule that is not about Null
        {"Is Not Null", 0, {null, null, null, null}, false},
        {"Between 10 And 1", 0, {5, null, null, null}, true},  // bounds in either order
        {"Between 10 And 1", 0, {11, null, null, null}, false},
        {"Not Between 1 And 10", 0, {11, null, null, null}, true},
        {"In (1, 2, -3)", 0, {-3, null, null, null}, true},
        {"In (1, 2, -3)", 0, {4, null, null, null}, false},
        {"[n] Not In (1, 2)", 0, {1, null, null, null}, false},
        {">= 0 And < 100 Or 500", 0, {500, null, null, null}, true},
        {">= 0 And < 100 Or 500", 0, {200, null, null, null}, false},
        {">= 0 And (< 100 Or 500)", 0, {50, null, null, null}, true},
        {"Like \"A?C*\"", 1, {null, "abcde", null, null}, true},
        {"Like \"A?C*\"", 1, {null, "xbc", null, null}, false},
        {"Like 'C[!0-9]#'", 1, {null, "Cx5", null, null}, true},
        {"Like 'C[!0-9]#'", 1, {null, "C15", null, null}, false},
        {"Not Like \"*.*\"", 1, {null, "a.b", null, null}, false},
        {"Not 'x'", 1, {null, "X", null, null}, false},  // texts compare without regard to case
        {"<> \"città\"", 1, {null, "CITTÀ", null, null}, false},
        {"<> \"città\"", 1, {null, "citta", null, null}, true},  // but accents count
        {"= \"O'Brien\" Or = 'l''uno'", 1, {null, "l'uno", null, null}, true},
        {"> #12/31/1999#", 2, {null, null, 36526.0, null}, true},
        {"> #1999-12-31#", 2, {null, null, 36525.0, null}, false},
        {"[n] < 10 Or [t] Is Null", -1, {20, "a", null, null}, false},
        {"[n] < 10 Or [t] Is Null", -1, {20, null, null, null}, true},
        {"[n] < [d]", -1, {1, null, 2.5, null}, true},
    };
    for (const RuleCase& test : cases) {
        const std::optional<ValidationRule> rule =
            ValidationRule::Read(schema, test.column, QString::fromUtf8(test.rule));
        ASSERT_TRUE(rule) << test.rule;
        EXPECT_EQ(rule->passes(test.row), std::optional<bool>(test.passes)) << test.rule;
    }
}

TEST(JetValidationRule, LeavesUnreadWhatItCannotEvaluate)
{
    const JetTableSchema schema = RuleTable();
    const std::pair<const char*, int> unread[] = {
        {"Len([t]) > 3", 1},   {"> Date()", 2},   {"[t] > 3", -1}, {"> 0", -1}, {"Like \"a*\"", 0},
        {"[nessuna] = 1", -1}, {"= \"aperto", 1}, {"> 0 And", 0},  {"= 1", 3},  {"Between 1", 0},
        {"> #31/31/2000#", 2}, {"In ()", 0},      {"> \u0663", 0},  // a digit of another script
    };
    for (const auto& [text, column] : unread)
        EXPECT_FALSE(ValidationRule::Read(schema, column, QString::fromUtf8(text))) << text;
    // A text beyond Latin-1 has no place in the sort order the comparison uses.
    const std::optional<ValidationRule> rule = ValidationRule::Read(schema, 1, QStringLiteral("> 'a'"));
    ASSERT_TRUE(rule);
    EXPECT_FALSE(rule->passes({Variant(), Variant(QStringLiteral("Мир")), Variant(), Variant()}));
}

std::vector<JetProperty> Properties(std::initializer_list<std::array<const char*, 3>> list)
{
    std::vector<JetProperty> properties;
    for (const auto& [column, name, value] : list)
        properties.push_back({QString::fromUtf8(column), QString::fromUtf8(name), QString::fromUtf8(value)});
    return properties;
}

TEST(JetColumnRulesOfProperties, DefaultsAreComputedAsJetComputesThem)
{
    const JetTableSchema schema = RuleTable();
    {
        const ColumnRules rules(schema,
                                Properties({{"n", "DefaultValue", "'5'"}, {"t", "DefaultValue", "\"a\"\"b\""}}));
        EXPECT_EQ(rules.defaultRow({}), (Row{5, "a\"b", Variant(), Variant()}));
        EXPECT_EQ(rules.defaultRow({0, 1}), (Row{Variant(), Variant(), Variant(), Variant()}));
    }
    EXPECT_EQ(ColumnRules(schema, Properties({{"t", "DefaultValue", "12"}})).defaultRow({})[1], Variant("12"));
    EXPECT_EQ(ColumnRules(schema, Properties({{"n", "DefaultValue", "=-1.5E1"}})).defaultRow({})[0], Variant(-15));

    const auto jetDay = [] { return static_cast<double>(QDate::currentDate().toJulianDay() - 2415019); };
    const double before = jetDay();
    const Variant today = ColumnRules(schema, Properties({{"d", "DefaultValue", "Date()"}})).defaultRow({})[2];
    const Variant now = ColumnRules(schema, Properties({{"d", "DefaultValue", "=Now( )"}})).defaultRow({})[2];
    const double after = jetDay();
    ASSERT_EQ(today.type(), Variant::Type::Double);
    EXPECT_TRUE(today.real() == before || today.real() == after) << today.real();
    ASSERT_EQ(now.type(), Variant::Type::Double);
    EXPECT_TRUE(now.real() >= before && now.real() < after + 1) << now.real();

    const RuntimeError computed = ErrorOf([&] {
        ColumnRules(schema, Properties({{"n", "DefaultValue", "=DMax(\"n\",\"Regole\")+1"}}));
    });
    EXPECT_TRUE(computed.description().contains(QStringLiteral("colonna 'n'"))) << computed.description().toStdString();
    // A Currency default the writer cannot store stops only the inserts that leave it out.
    const ColumnRules currency(schema, Properties({{"c", "DefaultValue", "0"}}));
    EXPECT_NO_THROW(currency.defaultRow({3}));
    const RuntimeError left = ErrorOf([&] { currency.defaultRow({0}); });
    EXPECT_TRUE(left.description().contains(QStringLiteral("colonna 'c'"))) << left.description().toStdString();
}

TEST(JetColumnRulesOfProperties, RefusalsTellWhatJetWouldTell)
{
    const JetTableSchema schema = RuleTable();
    const ColumnRules rules(schema,
                            Properties({{"t", "AllowZeroLength", "no"},
                                        {"t", "DefaultValue", "\"\""},
                                        {"n", "ValidationRule", "> 0"},
                                        {"n", "ValidationText", "Il numero deve essere positivo."},
                                        {"", "ValidationRule", "[n] < 100"}}));
    const RuntimeError empty = ErrorOf([&] { rules.check(rules.defaultRow({0})); });
    EXPECT_TRUE(empty.description().contains(QStringLiteral("'Regole.t'"))) << empty.description().toStdString();
    const RuntimeError negative = ErrorOf([&] { rules.check({-1, "x", Variant(), Variant()}); });
    EXPECT_EQ(negative.description(), QStringLiteral("Il numero deve essere positivo. (errore Jet 3316)"));
    const RuntimeError large = ErrorOf([&] { rules.check({100, "x", Variant(), Variant()}); });
    EXPECT_TRUE(large.description().contains(QStringLiteral("'[n] < 100' impostata per 'Regole'")))
        << large.description().toStdString();
    EXPECT_NO_THROW(rules.check({99, "x", Variant(), Variant()}));
}

}  // namespace

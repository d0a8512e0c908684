#include "update/code_transfer.h"

#include "platform/database/engine_error.h"
#include "platform/runtime/runtime_error.h"
#include "ui/error_report.h"
#include "update/connections.h"
#include "update/decimal_text.h"
#include "update/sql_literals.h"

#include <algorithm>
#include <optional>

namespace {

// The plain text of a value written unquoted. Only a number can stand there,
// or Null, whose empty place the destination refuses: a text or bytes could
// pass for a number or end the value list early.
QString PlainText(const Variant& value)
{
    if (value.type() == Variant::Type::Text || value.type() == Variant::Type::Binary)
        throw RuntimeError::typeMismatch();
    return DefaultText(value);
}

QString CodeText(const Variant& code)
{
    return code.isNull() ? QStringLiteral("Null") : DefaultText(code);
}

// The codes that name a source row in an error; they are the first columns
// of their statement, so they have been read as numbers or Null already.
QString RowCodes(const Recordset& rs, CodeTable table)
{
    if (table == CodeTable::Abi)
        return QStringLiteral("ABI ") + CodeText(rs.field(QStringLiteral("AbiAbi")));
    return QStringLiteral("ABI %1, CAB %2")
        .arg(CodeText(rs.field(QStringLiteral("AbcAbi"))), CodeText(rs.field(QStringLiteral("AbcCab"))));
}

// The value list of one row's statement, "(" + the values separated by
// ", " + ")", appended to the statement's text: it is made for every source
// row, so no value gets a string of its own on the way.
class ValueList {
public:
    ValueList(const Recordset& rs, CodeTable table, QString& statement) : rs_(rs), table_(table), out_(statement) {}

    // A column written as its plain text.
    void plain(const QString& column)
    {
        const Variant value = rs_.field(column);
        separate();
        if (value.type() == Variant::Type::Integer)
            AppendDecimal(out_, value.integer());
        else
            out_ += PlainText(value);
    }
    // A text column through SqlTesto, refusing what no statement can carry:
    // a NUL ends the statement text early in the engines, and half a UTF-16
    // surrogate pair is no character, so an engine would store another one
    // or fail.
    void text(const QString& column)
    {
        const Variant value = rs_.field(column);
        if (value.type() == Variant::Type::Text) {
            if (value.text().contains(QChar(0)))
                refuse(column, QStringLiteral("il carattere NUL"));
            if (!QStringView(value.text()).isValidUtf16())
                refuse(column, QStringLiteral("metà di una coppia surrogata UTF-16, che non è un carattere"));
        }
        separate();
        AppendSqlTesto(out_, value);
    }
    // A number column through SqlNumero.
    void number(const QString& column)
    {
        const QString literal = SqlNumero(ToDouble(rs_.field(column)));
        separate();
        out_ += literal;
    }

    void finish() { out_ += QLatin1Char(')'); }

private:
    void separate()
    {
        out_ += first_ ? QStringView(u"(") : QStringView(u", ");
        first_ = false;
    }

    [[noreturn]] void refuse(const QString& column, const QString& problem) const
    {
        throw RuntimeError(ErrorNumber::InvalidArgument,
                           QStringLiteral("Il testo della colonna %1 della tabella %2 (%3) contiene %4: "
                                          "un'istruzione SQL non può contenerlo.")
                               .arg(column, table_ == CodeTable::Abi ? QStringLiteral("abi") : QStringLiteral("abicab"),
                                    RowCodes(rs_, table_), problem));
    }

    const Recordset& rs_;
    CodeTable table_;
    QString& out_;
    bool first_ = true;
};

const QString kAbiAbi = QStringLiteral("AbiAbi");
const QString kAbiBanc = QStringLiteral("AbiBanc");
const QString kAbiAbichk = QStringLiteral("AbiAbichk");
const QString kAbcAbi = QStringLiteral("AbcAbi");
const QString kAbcCab = QStringLiteral("AbcCab");
const QString kAbcTexts[] = {QStringLiteral("AbcBanc"), QStringLiteral("AbcFiliale"),  QStringLiteral("AbcIndir"),
                             QStringLiteral("AbcCap"),  QStringLiteral("AbcLocalita"), QStringLiteral("AbcComune"),
                             QStringLiteral("AbcProv")};
const QString kAbcAbichk = QStringLiteral("AbcAbichk");
const QString kAbcCabchk = QStringLiteral("AbcCabchk");

void AppendAbiValues(const Recordset& rs, QString& statement)
{
    ValueList values(rs, CodeTable::Abi, statement);
    values.plain(kAbiAbi);
    values.text(kAbiBanc);
    values.plain(kAbiAbichk);
    values.finish();
}

void AppendCabValues(const Recordset& rs, QString& statement)
{
    ValueList values(rs, CodeTable::Cab, statement);
    values.plain(kAbcAbi);
    values.plain(kAbcCab);
    for (const QString& column : kAbcTexts)
        values.text(column);
    values.plain(kAbcAbichk);
    values.number(kAbcCabchk);
    values.finish();
}

// More than a CAB statement of the usual texts takes; a longer one grows.
constexpr qsizetype kStatementRoom = 512;

// The two insert loops are one: the CAB loop runs the same steps as the ABI
// loop, 230 lines further on.
struct InsertPass {
    CodeTable table;
    int lineOffset;
    QString insertInto;
    QString columnList;
    void (*appendValues)(const Recordset&, QString&);
};

const InsertPass kAbiPass{CodeTable::Abi, 0, QStringLiteral("INSERT INTO ABI "),
                          QStringLiteral("(AbiAbi, AbiBanc, AbiAbichk) VALUES "), AppendAbiValues};
const InsertPass kCabPass{CodeTable::Cab, 230, QStringLiteral("INSERT INTO ABICAB "),
                          QStringLiteral("(AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, AbcLocalita, "
                                         "AbcComune, AbcProv, AbcAbichk, AbcCabchk) VALUES "),
                          AppendCabValues};

// A refused row named by its codes, for the failures that concern the row
// itself: the user sees which codes clash, as for a value refused at 950.
RuntimeError NamingTheRow(const RuntimeError& error, const Recordset& rs, CodeTable table)
{
    if (error.number() != ErrorNumber::IntegrityViolation && error.number() != ErrorNumber::StatementRejected)
        return error;
    return WithSubject(error, QStringLiteral("La riga inserita ha %1.").arg(RowCodes(rs, table)));
}

// The failure of a statement sent ahead that came before a failure of the
// tool's own, if any: the first failure in statement order is the one to
// report. Any other trouble while waiting leaves the tool's failure standing.
std::optional<StatementError> EarlierFailure(Connection& destinazione)
{
    try {
        destinazione.awaitStatements();
    } catch (const StatementError& failed) {
        return failed;
    } catch (const RuntimeError&) {
    }
    return std::nullopt;
}

// The pass's column list with further columns before its ") VALUES ".
QString WithKeptColumns(const QString& columnList, const QString& kept)
{
    const qsizetype end = columnList.lastIndexOf(QLatin1Char(')'));
    return columnList.left(end) + kept + columnList.mid(end);
}

// Runs the pass's inserts, the first of them being the transaction's
// statement number `firstStatement`, and answers how many it ran.
std::int32_t InsertRows(const InsertPass& pass, Recordset& rs, Connection& destinazione, Command& command,
                        quint64 firstStatement, TransferProgress& progress, TransferCompanion* companion, int& linea)
{
    const int off = pass.lineOffset;
    std::int32_t sent = 0;
    // A failure that an engine reports late: the progress and the reader go
    // back to its row, which the report names with its own line. The row
    // whose insert raised it may be that row itself, though not yet counted.
    const auto lateFailure = [&](const StatementError& failed) {
        const qint64 rowsBefore = std::clamp<qint64>(qint64(failed.statement()) - qint64(firstStatement), 0, sent);
        linea = 970 + off;
        progress.rowFailed(pass.table, static_cast<std::int32_t>(rowsBefore));
        rs.moveFirst();
        for (qint64 row = 0; row < rowsBefore; ++row)
            rs.moveNext();
        return StatementError(NamingTheRow(failed, rs, pass.table), failed.statement());
    };
    try {
        for (;;) {
            linea = 920 + off;
            if (rs.eof())
                break;
            linea = 930 + off;
            // Room for a whole statement at once: one is built for every row.
            QString statement;
            statement.reserve(kStatementRoom);
            statement += pass.insertInto;
            linea = 940 + off;
            const KeptDetails* kept = companion ? companion->keptDetails(pass.table, rs) : nullptr;
            statement += kept ? WithKeptColumns(pass.columnList, kept->columns) : pass.columnList;
            linea = 950 + off;
            pass.appendValues(rs, statement);
            if (kept)
                statement.insert(statement.size() - 1, kept->values);
            linea = 960 + off;
            command.setCommandText(statement);
            linea = 970 + off;
            try {
                command.execute();
            } catch (const StatementError&) {
                throw;
            } catch (const RuntimeError& refused) {
                throw NamingTheRow(refused, rs, pass.table);
            }
            ++sent;
            progress.rowInserted(pass.table);
            linea = 1020 + off;
            rs.moveNext();
        }
        // The rows an engine sent ahead are answered before the table counts as done.
        linea = 970 + off;
        destinazione.awaitStatements();
    } catch (const StatementError& failed) {
        throw lateFailure(failed);
    } catch (const RuntimeError&) {
        if (const std::optional<StatementError> earlier = EarlierFailure(destinazione))
            throw lateFailure(*earlier);
        throw;
    }
    return sent;
}

// Opens a source table and counts its rows; the CAB table goes through the
// same steps as the ABI table, 160 lines further on. An empty table closes
// and discards both connections and tells the user: the answer is then empty.
// (A reader left open ends with the source connection.)
std::optional<std::int32_t> OpenAndCount(Recordset& rs, const QString& table, const QString& emptyMessage, int off,
                                         UiServices& ui, std::unique_ptr<Connection>& origine,
                                         std::unique_ptr<Connection>& destinazione, TransferCompanion* companion,
                                         int& linea)
{
    linea = 460 + off;
    rs.open(QStringLiteral("SELECT * FROM ") + table, *origine);
    linea = 470 + off;
    if (rs.eof()) {
        linea = 480 + off;
        rs.close();
        CloseAndDiscard(origine, linea, 500 + off);
        if (companion)
            companion->destinationBack();
        CloseAndDiscard(destinazione, linea, 520 + off);
        linea = 540 + off;
        ui.messageBox(emptyMessage, MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi);
        return std::nullopt;
    }
    // Counted by moving to the last row and back, as a static cursor allows.
    linea = 570 + off;
    rs.moveLast();
    linea = 580 + off;
    const std::int32_t count = rs.recordCount();
    linea = 590 + off;
    rs.moveFirst();
    return count;
}

}  // namespace

TransferOutcome TrasferisciCodici(UiServices& ui, std::unique_ptr<Connection>& ConnessioneOrigine,
                                  std::unique_ptr<Connection>& ConnessioneDestinazione, TransferProgress& progress,
                                  int& linea, TransferCompanion* companion)
{
    linea = 440;
    // Whatever stops the transfer while the source is read, the companion
    // hands the destination back first.
    struct HandBack {
        TransferCompanion* companion;
        ~HandBack()
        {
            if (companion)
                companion->destinationBack();
        }
    } handBack{companion};
    if (companion)
        companion->whileSourceIsRead(*ConnessioneDestinazione);
    Recordset abi;
    const std::optional<std::int32_t> abiCount =
        OpenAndCount(abi, QStringLiteral("abi"), QStringLiteral("Nessun codice ABI rilevato dal database di origine."),
                     0, ui, ConnessioneOrigine, ConnessioneDestinazione, companion, linea);
    if (!abiCount)
        return TransferOutcome::NoAbiCodes;
    linea = 600;
    Recordset cab;
    const std::optional<std::int32_t> cabCount = OpenAndCount(
        cab, QStringLiteral("abicab"), QStringLiteral("Nessun codice CAB rilevato dal database di origine."), 160, ui,
        ConnessioneOrigine, ConnessioneDestinazione, companion, linea);
    if (!cabCount)
        return TransferOutcome::NoCabCodes;

    if (companion)
        companion->destinationBack();
    progress.deletionStarting();
    // One transaction from the deletion to the last insert: a run that fails
    // part-way leaves the destination exactly as it found it.
    linea = 780;
    Connection& destinazione = *ConnessioneDestinazione;
    destinazione.beginTransaction();
    try {
        Command command;
        linea = 790;
        command.setCommandType(CommandType::Text);
        linea = 800;
        command.setActiveConnection(destinazione);
        // Both tables, before the first deletion: a run that could not be
        // undone is not begun.
        destinazione.requireRollback({QStringLiteral("abi"), QStringLiteral("abicab")});
        if (companion) {
            linea = 805;
            companion->beforeDeletion(abi, cab, destinazione);
        }
        linea = 810;
        command.setCommandText(QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"));
        linea = 820;
        command.execute();
        destinazione.awaitStatements();
        linea = 830;
        command.setCommandText(QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000"));
        linea = 840;
        command.execute();
        destinazione.awaitStatements();

        progress.tableStarting(CodeTable::Abi, *abiCount);
        const std::int32_t abiRows = InsertRows(kAbiPass, abi, destinazione, command, 3, progress, companion, linea);
        progress.tableFinished(CodeTable::Abi);
        linea = 1060;
        abi.close();

        progress.tableStarting(CodeTable::Cab, *cabCount);
        InsertRows(kCabPass, cab, destinazione, command, 3 + quint64(abiRows), progress, companion, linea);
        linea = 1270;
        destinazione.commitTransaction();
        progress.tableFinished(CodeTable::Cab);
        linea = 1290;
        cab.close();
    } catch (...) {
        // The failure to report is the one that stopped the transfer, not a
        // rollback that fails after it (the engine then drops the changes itself).
        try {
            destinazione.rollbackTransaction();
        } catch (const RuntimeError&) {
        }
        throw;
    }
    return TransferOutcome::Completed;
}

#include "update/code_restore.h"

#include "platform/runtime/runtime_error.h"

namespace {

void InsertRows(Command& command, const SavedTable& table)
{
    QStringList columns;
    for (const QString& column : table.columns)
        columns << PlainColumnName(column);
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (").arg(table.name, columns.join(QStringLiteral(", ")));
    for (const std::vector<Variant>& row : table.rows) {
        QString statement = head;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                statement += QStringLiteral(", ");
            statement += RestoredLiteral(row[i], table.columns.at(qsizetype(i)));
        }
        statement += QLatin1Char(')');
        command.setCommandText(statement);
        command.execute();
    }
}

}  // namespace

QString RestoredLiteral(const Variant& value, const QString& column)
{
    switch (value.type()) {
        case Variant::Type::Null: return QStringLiteral("Null");
        case Variant::Type::Integer: return QString::number(value.integer());
        case Variant::Type::Double: return QString::number(value.real(), 'g', 17);
        case Variant::Type::Text:
            return QLatin1Char('\'') + QString(value.text()).replace(QLatin1Char('\''), QStringLiteral("''"))
                + QLatin1Char('\'');
        case Variant::Type::Binary: break;
    }
    throw RuntimeError(
        ErrorNumber::TypeMismatch,
        QStringLiteral("La colonna %1 contiene dati binari: il ripristino non può scriverli.").arg(column));
}

const QString& PlainColumnName(const QString& column)
{
    const auto plain = [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || c == QLatin1Char('_');
    };
    bool valid = !column.isEmpty() && plain(column.front());
    for (const QChar c : column)
        valid = valid && (plain(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')));
    if (!valid)
        throw RuntimeError(ErrorNumber::InvalidArgument,
                           QStringLiteral("Il nome di colonna \"%1\" non può essere scritto in un'istruzione SQL: "
                                          "sono ammessi solo lettere, cifre e \"_\".")
                               .arg(column));
    return column;
}

void RestoreCodes(Connection& destinazione, const SavedCodes& saved, int& linea)
{
    // Every name is checked before anything changes.
    for (const SavedTable* table : {&saved.abi, &saved.abicab}) {
        for (const QString& column : table->columns)
            PlainColumnName(column);
    }
    destinazione.beginTransaction();
    try {
        Command command;
        command.setActiveConnection(destinazione);
        destinazione.requireRollback({QStringLiteral("abi"), QStringLiteral("abicab")});
        linea = 60;
        command.setCommandText(QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"));
        command.execute();
        destinazione.awaitStatements();
        command.setCommandText(QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000"));
        command.execute();
        destinazione.awaitStatements();
        linea = 70;
        InsertRows(command, saved.abi);
        destinazione.awaitStatements();
        linea = 80;
        InsertRows(command, saved.abicab);
        linea = 90;
        destinazione.commitTransaction();
    } catch (...) {
        try {
            destinazione.rollbackTransaction();
        } catch (const RuntimeError&) {
        }
        throw;
    }
}

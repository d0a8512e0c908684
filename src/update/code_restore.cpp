#include "code_restore.h"

#include "runtime_error.h"

namespace {

void InsertRows(Command& command, const SavedTable& table)
{
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (").arg(table.name, table.columns.join(QStringLiteral(", ")));
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
    throw RuntimeError(ErrorNumber::TypeMismatch,
                       QStringLiteral("La colonna %1 contiene dati binari: il ripristino non può scriverli.").arg(column));
}

void RestoreCodes(Connection& destinazione, const SavedCodes& saved, int& linea)
{
    destinazione.beginTransaction();
    try {
        Command command;
        command.setActiveConnection(destinazione);
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

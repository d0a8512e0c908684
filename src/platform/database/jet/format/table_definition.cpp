#include "platform/database/jet/format/table_definition.h"

#include "platform/database/jet/format/column_types.h"

#include <QSet>
#include <cmath>
#include <limits>

namespace {

constexpr int kMaxNameLength = 64;
constexpr int kMaxColumns = 255;
constexpr int kMaxTextLength = 255;
constexpr std::size_t kMaxIndexColumns = 10;

// Jet refuses names that are empty, too long, start with a blank or hold
// control characters or any of . ! ` [ ]
void CheckName(const QString& name, const QString& what)
{
    if (name.trimmed().isEmpty())
        throw JetWriteError(QStringLiteral("%1: il nome è vuoto").arg(what));
    if (name.size() > kMaxNameLength)
        throw JetWriteError(
            QStringLiteral("%1 '%2': il nome supera i %3 caratteri").arg(what, name).arg(kMaxNameLength));
    if (name.front().isSpace())
        throw JetWriteError(QStringLiteral("%1 '%2': il nome comincia con uno spazio").arg(what, name));
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || QStringLiteral(".!`[]").contains(c))
            throw JetWriteError(QStringLiteral("%1 '%2': il nome contiene un carattere non ammesso").arg(what, name));
    }
}

void CheckRange(const JetColumn& column, qint64 value, qint64 lowest, qint64 highest)
{
    if (value < lowest || value > highest)
        throw JetWriteError(QStringLiteral("il valore %1 è fuori dell'intervallo del tipo %2 (da %3 a %4)")
                                .arg(value)
                                .arg(QString::fromLatin1(TraitsOf(column.type).name))
                                .arg(lowest)
                                .arg(highest));
}

JetWriteError WrongKind(const JetColumn& column, const char* expected)
{
    return JetWriteError(QStringLiteral("la colonna di tipo %1 vuole %2")
                             .arg(QString::fromLatin1(TraitsOf(column.type).name), QString::fromUtf8(expected)));
}

}  // namespace

JetWriteError::JetWriteError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString JetWriteError::message() const
{
    return QString::fromStdString(what());
}

void CheckTableDefinition(const JetTableDefinition& table)
{
    CheckName(table.name, QStringLiteral("Tabella"));
    if (table.columns.empty())
        throw JetWriteError(QStringLiteral("Tabella '%1': nessuna colonna").arg(table.name));
    if (table.columns.size() > kMaxColumns)
        throw JetWriteError(QStringLiteral("Tabella '%1': più di %2 colonne").arg(table.name).arg(kMaxColumns));
    QSet<QString> seen;
    for (const JetColumn& column : table.columns) {
        CheckName(column.name, QStringLiteral("Colonna"));
        if (seen.contains(column.name.toCaseFolded()))
            throw JetWriteError(
                QStringLiteral("Tabella '%1': la colonna '%2' compare due volte").arg(table.name, column.name));
        seen.insert(column.name.toCaseFolded());
        if (column.type == JetColumnType::Other)
            throw JetWriteError(QStringLiteral("Colonna '%1': tipo non ammesso").arg(column.name));
        if (column.type == JetColumnType::Text && (column.length < 1 || column.length > kMaxTextLength))
            throw JetWriteError(QStringLiteral("Colonna '%1': la lunghezza %2 non è fra 1 e %3")
                                    .arg(column.name)
                                    .arg(column.length)
                                    .arg(kMaxTextLength));
    }
    bool primaryKey = false;
    for (const JetIndex& index : table.indexes) {
        CheckName(index.name, QStringLiteral("Indice"));
        if (index.columns.empty() || index.columns.size() > kMaxIndexColumns)
            throw JetWriteError(QStringLiteral("Indice '%1': da 1 a %2 colonne").arg(index.name).arg(kMaxIndexColumns));
        for (const QString& name : index.columns) {
            if (!seen.contains(name.toCaseFolded()))
                throw JetWriteError(QStringLiteral("Indice '%1': la colonna '%2' non esiste").arg(index.name, name));
        }
        if (index.primaryKey && primaryKey)
            throw JetWriteError(QStringLiteral("Tabella '%1': più di una chiave primaria").arg(table.name));
        primaryKey = primaryKey || index.primaryKey;
    }
}

void CheckJetValue(const JetColumn& column, const Variant& value)
{
    if (value.isNull())
        return;
    switch (column.type) {
        case JetColumnType::Byte:
        case JetColumnType::Integer:
        case JetColumnType::LongInteger:
            if (value.type() != Variant::Type::Integer)
                throw WrongKind(column, "un numero intero");
            if (column.type == JetColumnType::Byte)
                CheckRange(column, value.integer(), 0, 255);
            else if (column.type == JetColumnType::Integer)
                CheckRange(column, value.integer(), std::numeric_limits<qint16>::min(),
                           std::numeric_limits<qint16>::max());
            else
                CheckRange(column, value.integer(), std::numeric_limits<qint32>::min(),
                           std::numeric_limits<qint32>::max());
            return;
        case JetColumnType::Double:
        case JetColumnType::DateTime:
            if (value.type() == Variant::Type::Integer)
                return;
            if (value.type() != Variant::Type::Double)
                throw WrongKind(column, "un numero");
            if (!std::isfinite(value.real()))
                throw JetWriteError(QStringLiteral("un numero infinito o indefinito non si può memorizzare"));
            return;
        case JetColumnType::Text:
            if (value.type() != Variant::Type::Text)
                throw WrongKind(column, "un testo");
            if (value.text().size() > column.length)
                throw JetWriteError(QStringLiteral("il testo ha %1 caratteri, la colonna ne ammette %2")
                                        .arg(value.text().size())
                                        .arg(column.length));
            return;
        case JetColumnType::Binary:
        case JetColumnType::Memo:
        case JetColumnType::Ole:
        case JetColumnType::Other: throw WrongKind(column, "solo Null");
    }
}

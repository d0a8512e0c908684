#include "platform/database/engine_error.h"

namespace {

struct Meaning {
    std::int32_t number;
    const char* description;
};

Meaning MeaningOf(EngineFailure failure)
{
    switch (failure) {
        case EngineFailure::CannotOpen: return {ErrorNumber::Failure, "Impossibile aprire il database."};
        case EngineFailure::MissingTable:
            return {ErrorNumber::NoSuchTable, "Una tabella indicata nell'istruzione non esiste nel database."};
        case EngineFailure::MissingColumn:
            return {ErrorNumber::StatementRejected, "Una colonna indicata nell'istruzione non esiste nella tabella."};
        case EngineFailure::DuplicateKey:
            return {ErrorNumber::IntegrityViolation,
                    "Il codice è già presente nel database: la riga duplicherebbe una chiave."};
        case EngineFailure::Constraint:
            return {ErrorNumber::IntegrityViolation,
                    "La riga non rispetta un vincolo del database (un valore obbligatorio manca o non è ammesso)."};
        case EngineFailure::ValueNotAccepted:
            return {
                ErrorNumber::StatementRejected,
                "Un valore non è ammesso dalla colonna che lo riceve (testo troppo lungo, numero fuori intervallo o "
                "tipo diverso)."};
        case EngineFailure::Rejected: return {ErrorNumber::StatementRejected, "Il database ha rifiutato l'istruzione."};
        case EngineFailure::ReadOnly:
            return {ErrorNumber::ReadOnlyDatabase, "Il database è aperto in sola lettura: non può essere modificato."};
        case EngineFailure::PermissionDenied:
            return {ErrorNumber::ReadOnlyDatabase,
                    "L'utente della connessione non ha il permesso di modificare il database."};
        case EngineFailure::InUse: return {ErrorNumber::Failure, "Il database è in uso da un altro programma."};
        case EngineFailure::ConnectionLost:
            return {ErrorNumber::Failure, "La connessione al database si è interrotta."};
        case EngineFailure::DiskFull:
            return {ErrorNumber::Failure, "Il disco è pieno: non c'è spazio per scrivere le modifiche nel database."};
        case EngineFailure::NoTransactions:
            return {
                ErrorNumber::Failure,
                "Il database non può annullare le modifiche di un aggiornamento che non si conclude (non gestisce le "
                "transazioni): per non lasciarlo a metà, l'aggiornamento non è stato avviato e nulla è cambiato."};
        case EngineFailure::Other: break;
    }
    return {ErrorNumber::Failure, "Errore del database."};
}

}  // namespace

RuntimeError EngineError(EngineFailure failure, const QString& engineMessage, const QString& detail)
{
    const Meaning meaning = MeaningOf(failure);
    QString description = QString::fromUtf8(meaning.description);
    if (!detail.isEmpty())
        description += QLatin1Char(' ') + detail;
    const QString message = engineMessage.trimmed();
    if (!message.isEmpty())
        description += QStringLiteral(" (") + message + QLatin1Char(')');
    return {meaning.number, description};
}

RuntimeError WithSubject(const RuntimeError& error, const QString& sentence)
{
    QString description = error.description();
    for (int failure = 0; failure <= static_cast<int>(EngineFailure::Other); ++failure) {
        const Meaning meaning = MeaningOf(static_cast<EngineFailure>(failure));
        const QString italian = QString::fromUtf8(meaning.description);
        if (meaning.number == error.number() && description.startsWith(italian))
            return {error.number(), description.insert(italian.size(), QLatin1Char(' ') + sentence)};
    }
    return {error.number(), description + QLatin1Char(' ') + sentence};
}

QString LockWaitDetail(int seconds)
{
    return QStringLiteral("Il blocco non si è liberato dopo un'attesa di %1 secondi.").arg(seconds);
}

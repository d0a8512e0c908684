#include "platform/database/jet/format/damaged_file.h"

RuntimeError DamagedFile(const QString& what)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile aggiornare il database: il file è danneggiato (%1).").arg(what)};
}

#include "platform/runtime/system_error.h"

#include <QFileDevice>
#include <cerrno>

namespace {

// The reasons an administrator meets with files, folders, pipes and processes.
QString SignificatoInItaliano(int numero)
{
    switch (numero) {
        case EACCES: return QStringLiteral("permesso negato: l'utente non ha i diritti di accesso necessari");
        case EPERM: return QStringLiteral("operazione non permessa");
        case ENOENT: return QStringLiteral("file o cartella inesistente");
        case ENOTDIR: return QStringLiteral("una parte del percorso non è una cartella");
        case EISDIR: return QStringLiteral("il percorso indica una cartella, non un file");
        case EEXIST: return QStringLiteral("il file esiste già");
        case ENOTEMPTY: return QStringLiteral("la cartella non è vuota");
        case ENOSPC: return QStringLiteral("spazio esaurito sul disco");
        case EDQUOT: return QStringLiteral("quota del disco esaurita per questo utente");
        case EFBIG: return QStringLiteral("il file supera la dimensione massima consentita");
        case EROFS: return QStringLiteral("il disco è in sola lettura");
        case EIO: return QStringLiteral("errore di lettura o scrittura sul dispositivo");
        case EBUSY: return QStringLiteral("dispositivo o risorsa occupati");
        case ETXTBSY: return QStringLiteral("il file è in uso");
        case EMFILE:
        case ENFILE: return QStringLiteral("troppi file aperti");
        case ENAMETOOLONG: return QStringLiteral("nome del file troppo lungo");
        case ELOOP: return QStringLiteral("troppi collegamenti simbolici nel percorso");
        case EXDEV: return QStringLiteral("il file non può essere spostato su un altro disco");
        case ENOMEM: return QStringLiteral("memoria esaurita");
        case EAGAIN: return QStringLiteral("risorsa temporaneamente non disponibile");
        case EINTR: return QStringLiteral("operazione interrotta");
        case EPIPE: return QStringLiteral("il collegamento con l'altro processo si è interrotto");
        case ENXIO:
        case ENODEV: return QStringLiteral("dispositivo inesistente");
        case ESTALE: return QStringLiteral("il file sul disco di rete non è più valido");
        case ETIMEDOUT: return QStringLiteral("tempo di attesa scaduto");
        case EINVAL: return QStringLiteral("argomento non valido");
        case EBADF: return QStringLiteral("descrittore di file non valido");
        default: return QStringLiteral("errore di sistema %1").arg(numero);
    }
}

}  // namespace

QString DescrizioneErroreDiSistema(int numero)
{
    return SignificatoInItaliano(numero) + QStringLiteral(" (") + qt_error_string(numero) + QLatin1Char(')');
}

QString DescrizioneErroreFile(const QIODevice& file)
{
    const int numero = errno;
    // Qt words the system's failures with the same text; anything else it found itself.
    if (numero != 0 && file.errorString() == qt_error_string(numero))
        return DescrizioneErroreDiSistema(numero);
    // A read that ended early is no error to Qt, which then has no text of its own.
    const auto* device = qobject_cast<const QFileDevice*>(&file);
    if (device && device->error() == QFileDevice::NoError)
        return QStringLiteral("il file è finito prima del previsto");
    return QStringLiteral("operazione sul file non riuscita (") + file.errorString() + QLatin1Char(')');
}

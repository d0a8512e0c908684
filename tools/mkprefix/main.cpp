// Writes keys and values into the registry files of a Wine prefix, for tests
// and demo installations: what a Corvanta installation would have written.
#include "mkprefix/wine_prefix_writer.h"
#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char kUsage[] =
    "Uso: mkprefix CARTELLA CHIAVE [NOME=DATI]... [CHIAVE [NOME=DATI]...]...\n"
    "Scrive chiavi e valori nei file del registro del prefisso Wine CARTELLA,\n"
    "nel formato di Wine: HKEY_LOCAL_MACHINE in system.reg, HKEY_CURRENT_USER in\n"
    "user.reg. I file già presenti vengono letti e conservano ciò che contengono.\n"
    "\n"
    "  CHIAVE          la chiave dei valori che seguono (creata se manca), con la\n"
    "                  radice: HKLM\\... o HKEY_LOCAL_MACHINE\\..., HKCU\\... o\n"
    "                  HKEY_CURRENT_USER\\...\n"
    "  NOME=TESTO      un testo (REG_SZ), preso così com'è; @=TESTO è il valore\n"
    "                  predefinito della chiave\n"
    "  NOME=dword:N    un numero REG_DWORD, N in esadecimale (fino a 8 cifre)\n"
    "  NOME=hex:01,ff  byte REG_BINARY; hex(N):01,ff byte di tipo N\n"
    "  NOME=str(N):T   un testo di tipo N (2 REG_EXPAND_SZ, 7 REG_MULTI_SZ; str(1):\n"
    "                  per un testo che comincia con dword:, hex o str()\n"
    "\n"
    "Esempio, un profilo \"Corvanta\" nell'archivio delle impostazioni dell'utente:\n"
    "  mkprefix ~/.wine \\\n"
    "    'HKCU\\Software\\VB and VBA Program Settings\\Corvanta\\Corvanta' \\\n"
    "    'PrcSubDataType=(Nessuno)' PrcDir=/srv/corvanta PrcName=ARCPROC PrcExt=.db \\\n"
    "    PrcAdoProvider=SQLite PrcAdoConnect= Server=S\n"
    "Un'installazione di sistema: 'HKLM\\SOFTWARE\\KVR\\CORVANTA' SystemInst=-1 e le\n"
    "impostazioni in 'HKLM\\SOFTWARE\\KVR\\CORVANTA\\<profilo>'.\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() < 2 || args.first().startsWith(QLatin1Char('-')) || !IsRegistryKeyPath(args.at(1))) {
        err << kUsage;
        return 2;
    }
    try {
        WinePrefixWriter writer(args.first());
        QString key;
        for (const QString& argument : args.mid(1)) {
            if (IsRegistryKeyPath(argument)) {
                key = argument;
                writer.createKey(key);
            } else {
                writer.setValue(key, ParseValueAssignment(argument));
            }
        }
        writer.save();
    } catch (const RuntimeError& error) {
        err << error.description() << '\n';
        return 1;
    }
    return 0;
}

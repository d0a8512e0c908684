#include "platform/database/jet/in_place/table_schema.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/in_place/page_file.h"

#include <QSet>

namespace {

// The definition's bytes: the first page whole, then each continuation page
// without its header, as Jet chains them.
QByteArray DefinitionBytes(JetPageFile& file, quint32 first)
{
    QByteArray bytes = file.page(first);
    if (ReadByte(bytes, 0) != kTableDefinitionPageType)
        throw DamagedFile(QStringLiteral("la pagina %1 non è una definizione di tabella").arg(first));
    QSet<quint32> seen{first};
    for (quint32 next = NextDefinitionPage(bytes); next != 0;) {
        if (seen.contains(next) || next >= file.pageCount())
            throw DamagedFile(QStringLiteral("catena della definizione di tabella a pagina %1").arg(first));
        seen.insert(next);
        const QByteArray& page = file.page(next);
        if (ReadByte(page, 0) != kTableDefinitionPageType)
            throw DamagedFile(QStringLiteral("continuazione della definizione a pagina %1").arg(next));
        bytes.append(page.mid(kContinuationHeaderSize));
        next = NextDefinitionPage(page);
    }
    return bytes;
}

}  // namespace

JetTableSchema ReadTableSchema(JetPageFile& file, quint32 page, const QString& name)
{
    return ParseTableDefinition(DefinitionBytes(file, page), page, name, file.version());
}

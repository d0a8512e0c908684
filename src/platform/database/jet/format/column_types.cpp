#include "platform/database/jet/format/column_types.h"

const JetTypeTraits& TraitsOf(JetColumnType type)
{
    static const JetTypeTraits byteTraits{0x02, 1, "Byte"};
    static const JetTypeTraits integerTraits{0x03, 2, "Intero"};
    static const JetTypeTraits longTraits{0x04, 4, "Intero lungo"};
    static const JetTypeTraits doubleTraits{0x07, 8, "Precisione doppia"};
    static const JetTypeTraits textTraits{0x0a, 0, "Testo"};
    static const JetTypeTraits dateTraits{0x08, 8, "Data/ora"};
    static const JetTypeTraits binaryTraits{0x09, 0, "Binario"};
    static const JetTypeTraits memoTraits{0x0c, 0, "Memo"};
    static const JetTypeTraits oleTraits{0x0b, 0, "Oggetto OLE"};
    static const JetTypeTraits otherTraits{0x00, 0, "non scrivibile"};
    switch (type) {
        case JetColumnType::Byte: return byteTraits;
        case JetColumnType::Integer: return integerTraits;
        case JetColumnType::LongInteger: return longTraits;
        case JetColumnType::Double: return doubleTraits;
        case JetColumnType::Text: return textTraits;
        case JetColumnType::DateTime: return dateTraits;
        case JetColumnType::Binary: return binaryTraits;
        case JetColumnType::Memo: return memoTraits;
        case JetColumnType::Ole: return oleTraits;
        case JetColumnType::Other: return otherTraits;
    }
    Q_UNREACHABLE();
}

quint16 DeclaredLength(const JetColumn& column, JetVersion version)
{
    const bool jet3 = version == JetVersion::Jet3;
    switch (column.type) {
        case JetColumnType::Text:  // Jet 4 counts the UCS-2 bytes, Jet 3 the code page's
            return static_cast<quint16>(jet3 ? column.length : column.length * 2);
        case JetColumnType::Binary: return jet3 ? 255 : 510;  // what Access declares for the catalog's binary columns
        case JetColumnType::Memo:
        case JetColumnType::Ole:
        case JetColumnType::Other: return 0;
        default: return static_cast<quint16>(TraitsOf(column.type).fixedSize);
    }
}

JetColumnType ColumnTypeOfCode(quint8 code)
{
    for (const JetColumnType type : {JetColumnType::Byte, JetColumnType::Integer, JetColumnType::LongInteger,
                                     JetColumnType::Double, JetColumnType::Text, JetColumnType::DateTime,
                                     JetColumnType::Binary, JetColumnType::Memo, JetColumnType::Ole}) {
        if (TraitsOf(type).code == code)
            return type;
    }
    return JetColumnType::Other;
}

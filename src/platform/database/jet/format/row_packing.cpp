#include "platform/database/jet/format/row_packing.h"

#include "platform/database/jet/format/column_types.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/text_encoding.h"

#include <QVarLengthArray>

namespace {

// A column's error, named: the tools add the row.
JetWriteError InColumn(const JetColumn& column, const JetWriteError& error)
{
    return JetWriteError(QStringLiteral("Colonna '%1': %2").arg(column.name, error.message()));
}

void AppendText(QByteArray& row, const JetColumn& column, const QString& text, bool mayCompress, JetVersion version)
{
    try {
        if (version == JetVersion::Jet3)
            AppendWindows1252(row, text);
        else
            AppendJetText(row, text, mayCompress);
    } catch (const JetWriteError& error) {
        throw InColumn(column, error);
    }
}

void PutFixedValue(QByteArray& row, qsizetype offset, const ColumnPlacement& placement, const JetColumn& column,
                   const Variant& value, JetVersion version)
{
    switch (column.type) {
        case JetColumnType::Text: {
            // Jet 4 in plain UCS-2: a compressed text would not keep the length.
            QByteArray text;
            AppendText(text, column, StoredValue(placement, value, version).text(), false, version);
            row.replace(offset, text.size(), text);
            return;
        }
        case JetColumnType::Byte: row[offset] = static_cast<char>(value.integer()); return;
        case JetColumnType::Integer: PutLittleEndian(row, offset, static_cast<qint16>(value.integer())); return;
        case JetColumnType::LongInteger: PutLittleEndian(row, offset, static_cast<qint32>(value.integer())); return;
        case JetColumnType::Double:
        case JetColumnType::DateTime:
            PutLittleEndian(
                row, offset,
                value.type() == Variant::Type::Integer ? static_cast<double>(value.integer()) : value.real());
            return;
        default: Q_UNREACHABLE();
    }
}

Variant FixedValue(JetColumnType type, const char* data)
{
    switch (type) {
        case JetColumnType::Byte: return Variant(static_cast<quint8>(data[0]));
        case JetColumnType::Integer: return Variant(qFromLittleEndian<qint16>(data));
        case JetColumnType::LongInteger: return Variant(qFromLittleEndian<qint32>(data));
        case JetColumnType::Double:
        case JetColumnType::DateTime: return Variant(qFromLittleEndian<double>(data));
        default: return {};
    }
}

}  // namespace

Variant StoredValue(const ColumnPlacement& placement, const Variant& value, JetVersion version)
{
    if (placement.fixedOffset < 0 || value.type() != Variant::Type::Text)
        return value;
    const QString& text = value.text();
    const qsizetype length = version == JetVersion::Jet3 ? placement.fixedSize : placement.fixedSize / 2;
    return Variant(text + QString(length - text.size(), QLatin1Char(' ')));
}

TableLayout LayOutTable(const JetTableDefinition& table)
{
    TableLayout layout;
    for (const JetColumn& column : table.columns) {
        ColumnPlacement placement;
        placement.number = layout.columnCount++;
        const int size = TraitsOf(column.type).fixedSize;
        if (size > 0) {
            placement.fixedOffset = layout.fixedSize;
            placement.fixedSize = size;
            layout.fixedSize += size;
        } else {
            placement.variableIndex = layout.variableCount++;
        }
        layout.columns.push_back(placement);
    }
    return layout;
}

namespace {

// The values' side of a row, shared by both layouts: the fixed part appended
// to `row`, and what the variable-length part needs. Sized for the code
// tables without a heap allocation, since every inserted row is packed here.
struct FixedPart {
    QVarLengthArray<char, 8> nullMask;
    QVarLengthArray<qsizetype, 32> columnOfVariable;  // -1 for a number no column has
};

FixedPart AppendFixedPart(QByteArray& row, const JetTableDefinition& table, const TableLayout& layout,
                          const std::vector<Variant>& values, JetVersion version)
{
    FixedPart part{QVarLengthArray<char, 8>((layout.columnCount + 7) / 8, '\0'),
                   QVarLengthArray<qsizetype, 32>(layout.variableCount, -1)};
    const qsizetype fixedStart = row.size();
    row.resize(fixedStart + layout.fixedSize, '\0');
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnPlacement& placement = layout.columns[i];
        if (placement.variableIndex >= 0)
            part.columnOfVariable[placement.variableIndex] = static_cast<qsizetype>(i);
        if (!values[i].isNull()) {
            char& maskByte = part.nullMask[placement.number / 8];
            maskByte = static_cast<char>(maskByte | (1 << (placement.number % 8)));
            if (placement.fixedOffset >= 0)
                PutFixedValue(row, fixedStart + placement.fixedOffset, placement, table.columns[i], values[i], version);
        }
    }
    return part;
}

// Where each variable-length value of a row starts, and last where they
// end; written and read for every row, so held without a heap allocation.
using VariableOffsets = QVarLengthArray<qsizetype, 32>;

// The values lie in the order of their numbers; answers their offsets.
VariableOffsets AppendVariableValues(QByteArray& row, const JetTableDefinition& table,
                                     const std::vector<Variant>& values, const FixedPart& part, JetVersion version)
{
    VariableOffsets offsets;
    for (const qsizetype i : part.columnOfVariable) {
        offsets.push_back(row.size());
        if (i >= 0 && !values[i].isNull())
            AppendText(row, table.columns[i], values[i].text(), table.columns[i].compressedText, version);
    }
    offsets.push_back(row.size());
    return offsets;
}

void AppendJet4Offsets(QByteArray& row, const VariableOffsets& offsets)
{
    for (auto offset = offsets.rbegin(); offset != offsets.rend(); ++offset)
        AppendLittleEndian(row, static_cast<quint16>(*offset));
    AppendLittleEndian(row, static_cast<quint16>(offsets.size() - 1));
}

// The readers count a row's jumps from its whole length, so the table must
// hold as many entries as that length implies.
void AppendJet3Offsets(QByteArray& row, const VariableOffsets& offsets, qsizetype maskSize, const QString& tableName)
{
    const qsizetype dataEnd = offsets.back();
    const qsizetype tail = static_cast<qsizetype>(offsets.size()) + 1 + maskSize;
    const auto jumpsImplied = [&](qsizetype jumps) { return (dataEnd + tail + jumps - 1) / 256; };
    qsizetype jumps = dataEnd / 256;
    if (jumpsImplied(jumps) != jumps)
        ++jumps;  // the extra entry the readers skip
    if (jumpsImplied(jumps) != jumps)
        throw JetWriteError(
            QStringLiteral("Tabella '%1': la riga non si può scrivere nel formato Jet 3").arg(tableName));
    for (auto offset = offsets.rbegin(); offset != offsets.rend(); ++offset)
        row.append(static_cast<char>(*offset & 0xff));
    const auto lastVariable = static_cast<qsizetype>(offsets.size()) - 1;
    for (qsizetype k = jumps - 1; k >= 0; --k) {
        qsizetype first = 0;
        while (first < lastVariable && offsets[first] < (k + 1) * 256)
            ++first;
        row.append(static_cast<char>(first));
    }
    row.append(static_cast<char>(lastVariable));
}

}  // namespace

QByteArray PackRow(const JetTableDefinition& table, const TableLayout& layout, const std::vector<Variant>& values,
                   JetVersion version)
{
    const auto columnCount = static_cast<qsizetype>(table.columns.size());
    if (static_cast<qsizetype>(values.size()) != columnCount)
        throw JetWriteError(QStringLiteral("Tabella '%1': la riga ha %2 valori, le colonne sono %3")
                                .arg(table.name)
                                .arg(values.size())
                                .arg(columnCount));
    for (qsizetype i = 0; i < columnCount; ++i) {
        try {
            CheckJetValue(table.columns[i], values[i]);
        } catch (const JetWriteError& error) {
            throw InColumn(table.columns[i], error);
        }
    }

    // Reserved at its largest, since every inserted row is packed here.
    qsizetype largest = 2 + layout.fixedSize + 2 * (layout.variableCount + 2) + (layout.columnCount + 7) / 8;
    for (const Variant& value : values)
        largest += value.type() == Variant::Type::Text ? 2 + 3 * value.text().size() : 0;
    QByteArray row;
    row.reserve(largest);
    if (version == JetVersion::Jet3)
        row.append(static_cast<char>(layout.columnCount));
    else
        AppendLittleEndian(row, static_cast<quint16>(layout.columnCount));
    const FixedPart part = AppendFixedPart(row, table, layout, values, version);
    if (layout.variableCount > 0) {
        const VariableOffsets offsets = AppendVariableValues(row, table, values, part, version);
        if (version == JetVersion::Jet3)
            AppendJet3Offsets(row, offsets, part.nullMask.size(), table.name);
        else
            AppendJet4Offsets(row, offsets);
    }
    row.append(part.nullMask.constData(), part.nullMask.size());
    return row;
}

namespace {

// Where each variable-length value starts, and last where they end; empty
// when the row's bytes contradict its layout. `maskStart`: where the mask
// of non-Null columns starts, the end of what is read here.
std::optional<VariableOffsets> Jet4VariableOffsets(const QByteArray& row, qsizetype maskStart)
{
    if (maskStart < 4)
        return std::nullopt;
    const int count = qFromLittleEndian<quint16>(row.constData() + maskStart - 2);
    if (maskStart - 4 - 2 * count < 2)
        return std::nullopt;
    VariableOffsets offsets;
    for (int i = 0; i <= count; ++i)
        offsets.push_back(qFromLittleEndian<quint16>(row.constData() + maskStart - 4 - 2 * i));
    if (offsets.back() > maskStart - 4 - 2 * count)
        return std::nullopt;
    return offsets;
}

// One byte an offset, plus 256 for each entry of the jump table the value
// has passed; the readers take a last jump the row's offsets do not reach
// for the extra entry a writer may leave (AppendJet3Offsets).
std::optional<VariableOffsets> Jet3VariableOffsets(const QByteArray& row, qsizetype maskStart)
{
    const auto byte = [&](qsizetype at) { return static_cast<quint8>(row[at]); };
    if (maskStart < 2)
        return std::nullopt;
    const int count = byte(maskStart - 1);
    qsizetype jumps = (row.size() - 1) / 256;
    const qsizetype last = maskStart - 2 - jumps;  // the first value's offset; the others below it
    if (last - count < 1)
        return std::nullopt;
    if ((last - count) / 256 < jumps)
        --jumps;
    VariableOffsets offsets;
    qsizetype used = 0;
    for (int i = 0; i <= count; ++i) {
        while (used < jumps && i == byte(maskStart - 2 - used))
            ++used;
        offsets.push_back(byte(last - i) + 256 * used);
    }
    if (offsets.back() > last - count)
        return std::nullopt;
    return offsets;
}

Variant TextValue(const char* data, qsizetype size, JetVersion version)
{
    return Variant(version == JetVersion::Jet3 ? DecodeWindows1252(data, size) : DecodeJetText(data, size));
}

}  // namespace

std::optional<std::vector<Variant>> UnpackRow(const JetTableDefinition& table, const TableLayout& layout,
                                              const QByteArray& row, const std::vector<bool>& decoded,
                                              JetVersion version)
{
    const bool jet3 = version == JetVersion::Jet3;
    const qsizetype countSize = jet3 ? 1 : 2;
    const qsizetype size = row.size();
    if (size < countSize)
        return std::nullopt;
    const int rowColumns = jet3 ? static_cast<quint8>(row[0]) : qFromLittleEndian<quint16>(row.constData());
    const qsizetype maskSize = (rowColumns + 7) / 8;
    const qsizetype maskStart = size - maskSize;
    if (maskStart < countSize)
        return std::nullopt;
    const auto present = [&](int number) {
        return number < rowColumns && ((static_cast<quint8>(row[maskStart + number / 8]) >> (number % 8)) & 1);
    };
    VariableOffsets offsets{maskStart};
    if (layout.variableCount > 0) {
        auto read = jet3 ? Jet3VariableOffsets(row, maskStart) : Jet4VariableOffsets(row, maskStart);
        if (!read)
            return std::nullopt;
        offsets = std::move(*read);
    }
    const auto variableCount = static_cast<int>(offsets.size()) - 1;
    const qsizetype dataEnd = offsets.back();
    std::vector<Variant> values(table.columns.size());
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnPlacement& placement = layout.columns[i];
        if (!present(placement.number))
            continue;
        const bool wanted = decoded.empty() || decoded[i];
        if (placement.fixedOffset >= 0) {
            const qsizetype at = countSize + placement.fixedOffset;
            if (at + placement.fixedSize > dataEnd)
                return std::nullopt;
            if (wanted)
                values[i] = table.columns[i].type == JetColumnType::Text
                    ? TextValue(row.constData() + at, placement.fixedSize, version)
                    : FixedValue(table.columns[i].type, row.constData() + at);
            continue;
        }
        if (placement.variableIndex >= variableCount)
            continue;
        const qsizetype start = offsets[placement.variableIndex];
        const qsizetype end = offsets[placement.variableIndex + 1];
        if (start < countSize || start > end || end > dataEnd)
            return std::nullopt;
        if (wanted && table.columns[i].type == JetColumnType::Text)
            values[i] = TextValue(row.constData() + start, end - start, version);
    }
    return values;
}

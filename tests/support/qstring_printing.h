#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// Readable texts in GoogleTest's failure messages instead of their bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{' << texts.join(QStringLiteral(", ")).toStdString() << '}';
}

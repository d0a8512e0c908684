#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <initializer_list>

// An OLE DB connection string: "keyword=value" pairs separated by ";".
// Keywords compare without regard to case; a value may be quoted with " or '
// (the quote doubled inside) to hold ";" or blanks at its ends; empty pairs,
// such as the one a trailing ";;" leaves, are ignored.
class ConnectionString {
public:
    static ConnectionString parse(const QString& text);

    bool contains(const QString& keyword) const;
    // The value of the last occurrence of the keyword; empty when absent.
    QString value(const QString& keyword) const;
    // The value of the first of several synonyms that the string holds.
    QString firstOf(std::initializer_list<const char*> keywords) const;
    // Every pair in the order written, keywords as written.
    const QList<QPair<QString, QString>>& pairs() const { return pairs_; }

private:
    QList<QPair<QString, QString>> pairs_;
};

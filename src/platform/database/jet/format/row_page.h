#pragma once

#include <QByteArray>

// A page that holds rows: the data pages of a table and the pages of usage
// map rows share this layout. The header gives the page type, the free space,
// the page of the owning table definition and the row count, followed by each
// row's offset; rows are stored from the end of the page towards its start.
class RowPage {
public:
    RowPage();
    // An existing page, to add rows below those it holds. Its offsets have
    // been checked by the caller.
    explicit RowPage(QByteArray page);

    bool fits(qsizetype rowSize) const;
    // Appends a row; the caller has asked fits().
    void add(const QByteArray& row);
    int rowCount() const;
    // The finished page, owned by the table whose definition is on `ownerPage`
    // (0 for a page of usage maps, as Access writes them).
    QByteArray bytes(quint32 ownerPage) const;

    // The largest row a page can take.
    static qsizetype maxRowSize();
    // How many rows of `rowSize` bytes a page takes.
    static int capacity(qsizetype rowSize);

private:
    qsizetype freeSpace() const;

    QByteArray page_;
    qsizetype dataStart_;
};

#pragma once
// The data control through which the windows reach the analysis database: a
// connection, one SQL statement, its rows and a current row.
//
// Statements are those the windows run: "select * from T" optionally followed
// by a where clause. Writes go to table T, to the row of the current
// `numero`, always through bound parameters.
//
// All operations throw StoreError on failure; a refused save leaves the table
// as it was and drops the refused changes (a refused new row is dropped and no
// row is current), so that a window is never stuck on a row it cannot leave.
// Only the keys (`numero`) of the rows are held, as runs of consecutive
// numbers, with a cache of 50 rows.
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class Connection;

class RecordSource : public QObject
{
    Q_OBJECT
public:
    explicit RecordSource(const QString &name, QObject *parent = nullptr);
    ~RecordSource() override;

    // Both take effect at the next refresh.
    void setConnectionString(const QString &connectionString);
    void setRecordSource(const QString &statement);
    QString connectionString() const;
    QString recordSource() const;

    // Uses this connection instead of opening one from the connection string
    // (several record sources of one window may share a connection, and so a
    // transaction).
    void setConnection(std::shared_ptr<Connection> connection);
    // The connection in use (opened at the first refresh); null before.
    std::shared_ptr<Connection> connection() const;

    // Opens the connection if needed and runs the statement: the first row, if
    // any, becomes current. An unsaved new or changed row is dropped.
    void refresh();

    // Exact number of rows of the last run, plus the rows added (saved) since,
    // minus the rows deleted since.
    qint64 recordCount() const;

    // Moving saves a changed current row first. moveFirst on an empty row
    // set fails. Moving past the last (or before the first) row leaves no
    // current row; moving further then fails.
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    bool eof() const;
    bool bof() const;
    bool hasCurrent() const;

    // Starts a new row, which becomes current (all columns null). A changed
    // current row is saved first.
    void addNew();
    // Stores the current row as its fields stand. A new row is inserted and
    // gets its counter from the store; it stays current, at the end of the
    // rows. Nothing to save is no failure. No current row: fails.
    void update();
    // Cancels the changes of the current row (a new row is dropped).
    void cancelUpdate();
    // Removes the current row from the table; no row is current afterwards
    // until the next move.
    void deleteCurrent();

    // Columns of the statement, in order (after a refresh).
    QStringList columns() const;
    // The current row's value of a column as text; null reads as empty text.
    // Fails when there is no current row or no such column.
    QString value(const QString &column) const;
    bool isNull(const QString &column) const;
    // Sets a column of the current row; stored at the next update or move.
    void setValue(const QString &column, const QString &text);
    void setNull(const QString &column);
    // Sets a text column of the current row from UTF-8, stored as these bytes
    // exactly (the same as setValue with their characters).
    void setValueUtf8(const QString &column, QByteArrayView utf8);
    // The longest value, in bytes, the store holds; -1 before a connection.
    qint64 valueLimit() const;
    // The current row's `numero`, or -1 for a new row not saved yet (and when
    // no row is current).
    qint64 currentKey() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A hidden field bound to one column of a record source: reading gives the
// current row's value as text (empty when null or when there is no current
// row); writing sets the column of the current row.
class BoundField : public QObject
{
    Q_OBJECT
public:
    BoundField(const QString &name, RecordSource *source, const QString &column,
               QObject *parent = nullptr);
    QString text() const;
    void setText(const QString &text); // throws StoreError without a current row
    RecordSource *source() const { return m_source; }
    const QString &column() const { return m_column; }

private:
    RecordSource *m_source;
    QString m_column;
};

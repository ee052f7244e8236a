#pragma once
// The analysis window's object container: shows the file it is linked to (the
// file's icon and name) and opens that file itself, not a copy, in the
// application the desktop registers for it.
#include <QFrame>
#include <QString>

class QLabel;

class OleLink : public QFrame
{
    Q_OBJECT
public:
    explicit OleLink(QWidget *parent = nullptr);

    // Links the container to a file, replacing whatever it held.
    void link(const QString &path);
    const QString &linkedPath() const { return m_path; }

    // The linked object's primary verb: open the file. False when nothing is
    // linked, the file is gone, or the desktop cannot open it.
    bool open() const;

signals:
    void activated();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The file name, shortened in its middle to the container's width.
    void showName();

    QString m_path;
    QLabel *m_icon;
    QLabel *m_name;
};

#pragma once
// The running text around the segment shown in the window `textes` (control
// `contexte`): the segments before and after it, in reading order, one
// paragraph each, the current one highlighted and the others greyer, the
// current one kept in the middle of the view. A thin mark in the left margin
// shows a coded segment; its tooltip gives the values of its coding rows.
// A click on a segment asks for it (segmentChosen).
//
// Only a window of segments is read from the analysis (SegmentWindowReader),
// as many each side as the view has lines (at least kMinimumEachSide), each
// cut at kMaxChars characters: a move costs the same on a text of ten
// segments or of a million. The view keeps no text of its own beyond that
// window.
#include <QString>
#include <QTextEdit>

#include <array>
#include <memory>
#include <vector>

namespace coding {

class Session;
class SegmentWindowReader;
struct SegmentWindow;

class ContextView : public QTextEdit
{
    Q_OBJECT
public:
    static constexpr int kMinimumEachSide = 3;
    static constexpr int kMaximumEachSide = 40;
    static constexpr int kMaxChars = 1000;

    explicit ContextView(Session &session, QWidget *parent = nullptr);
    ~ContextView() override;

    // Reads the names of the five lists again (the tooltips name them).
    // Throws StoreError.
    void loadListNames();
    // Shows the text `textNumber` around its segment `segment` (0: none).
    // A failure to read is said in the view itself.
    void showAround(qint64 textNumber, qint64 segment);
    // Reads the same window again: after a change of the coding, a step
    // undone or redone, a refresh. Hidden, the view reads when it shows.
    void reload();

    // What the view shows, in reading order.
    struct Shown {
        qint64 segment = 0;
        bool current = false;
        bool coded = false;
        QString toolTip;
    };
    std::vector<Shown> shown() const;
    // Segments read each side of the current one.
    int eachSide() const { return m_eachSide; }
    // Where a segment shown lies, in the coordinates of the viewport (empty
    // when it is not shown); and the segment under a point (0 for none).
    QRect segmentRect(qint64 segment) const;
    qint64 segmentAt(const QPoint &viewportPoint) const;

signals:
    void segmentChosen(qint64 segment);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    // Segments each side that fill the view's height.
    int wantedEachSide() const;
    void read();
    void build();
    void showFailure(const QString &text);
    void centreCurrent();
    QString toolTipOf(size_t index) const;

    Session &m_session;
    std::unique_ptr<SegmentWindowReader> m_reader;
    std::unique_ptr<SegmentWindow> m_window;
    std::array<QString, 5> m_listNames;
    qint64 m_text = 0;
    qint64 m_segment = 0;
    int m_eachSide = kMinimumEachSide;
    QPoint m_pressedAt;
    bool m_pressed = false;
    bool m_stale = false; // a window asked for while hidden, to read when shown
};

} // namespace coding

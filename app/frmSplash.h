#pragma once
// The start-up window: the program's name, version and origin, shown until the
// first key press, click on one of its clickable controls, or the first tick
// of its three-second timer hands over to the main window.
//
// Of each pair of labels on the same spot (`Label5`/`Label1` for the maker,
// `Label8`/`Label6` for the product) the clickable one, `Label5` resp.
// `Label8`, lies on top, so it receives every click on the shared spot; the
// second label beneath it never hands over. The logo lies above the band and
// the pairs but below the text lines that run over its right edge; the bitmap
// lies above the date line; the empty band `Label7` lies below the version and
// date lines.
#include <QWidget>

class QGroupBox;
class QLabel;
class QTimer;
class frmMenu;

class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    // True once the hand-over has run (it runs only once).
    bool handedOver() const { return m_handedOver; }

signals:
    // The main window has been created and shown; the splash is closing.
    void mainWindowShown(frmMenu *menu);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void Form_Load();
    void Form_KeyPress();
    void Frame1_Click();
    void Image1_Click();
    void imgLogo_Click(int index);
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void Label5_Click();
    void Label8_Click();
    void Timer1_Timer();

private:
    // Unloads the splash, creates the main window and shows it modeless.
    void handOver();
    void dispatchClick(QObject *control);
    QLabel *label(const char *name, const QString &text, const QFont &font,
                  const QColor &textColour, int left, int top, int width, int height);

    QGroupBox *Frame1 = nullptr;
    QTimer *Timer1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr, *Label10 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *imgLogo = nullptr;
    QObject *m_pressed = nullptr;
    bool m_handedOver = false;
};

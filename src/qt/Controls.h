#pragma once

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace qt {

// The window's controls as they were designed: names, places, sizes, first texts and tab
// order from the core's design, in Qt widgets. The names are the ones the program has always
// had.
struct Controls
{
    QPushButton* Command1;
    QPlainTextEdit* Text1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLineEdit* CPort;
    QScrollBar* VScroll1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* WXfile;
    QLabel* Label7;
    QLabel* Label5;
    QLabel* Label6;

    // Makes every control on the window, with the window's own size, caption and icon.
    static Controls create(QWidget& window);
    // The largest font up to the design's size that shows every text as it stands in full.
    void fitFont(QWidget& window) const;
};

} // namespace qt

#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class SerialLink;

// Whether the port number box takes a typed character: digits, Backspace and Tab.
bool portKeyAllowed(QChar key);
// Whether the port number box drops a key press before it arrives: a key that types a character
// the box does not take. Editing keys (arrows, Home, End, Delete, shortcuts with Ctrl or Alt)
// type no character and always pass, as on Windows; X11 gives Delete the text "\x7f".
bool portKeyDiscarded(int key, const QString &text, Qt::KeyboardModifiers modifiers);

// The port setup dialog: the user types the number of the port the device is on.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2(SerialLink &link, QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *Button1; // Save
    QPushButton *Button2; // Cancel

    void FormShow();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SerialLink &m_link;
};

#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QListWidget>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

// A panel that paints its own background colour and centred caption, and reports clicks.
class ColorPanel : public QWidget {
    Q_OBJECT
public:
    explicit ColorPanel(const QString &caption, QWidget *parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    // The caption is left out while `cover`, a child laid over the panel, is shown: a picture
    // that fills only part of the panel would show pieces of the caption beside it.
    void setCaptionCover(QWidget *cover);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_caption;
    QColor m_color;
    QWidget *m_cover = nullptr;
};

// Shows a picture centred and scaled to fit, keeping its aspect ratio.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget *parent = nullptr);
    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

// The ordinary, visible files of one folder that match a mask, sorted by name.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);
    QString directory() const { return m_directory; }
    // Binds the list to a folder and makes it the current folder.
    void setDirectory(const QString &directory);
    QString mask() const { return m_mask; }
    void setMask(const QString &mask);
    // Reads the folder again.
    void refresh();
    bool multiSelect() const;
    // A click toggles an item while multi-select is on. Neither this nor refresh() counts as a
    // selection change by the user: itemSelectionChanged is not emitted.
    void setMultiSelect(bool on);
    // Full path of the picked file: the selected item, or in multi-select mode the current item
    // if it is selected; empty text when there is none.
    QString fileName() const;
    bool hasSelection() const { return !selectedItems().isEmpty(); }

signals:
    // Typed character keys, before the list's own handling of them.
    void keyTyped(QChar key);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_directory;
    QString m_mask = QStringLiteral("*.*");
};

// Runs a function for the events of a widget that it handles; needs no meta-object of its own.
class EventHook : public QObject {
public:
    EventHook(QObject *target, std::function<bool(QEvent *)> handler);

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

// Arial at a height in pixels, as the windows use it.
QFont arial(int pixels, bool bold = false, bool italic = false);
// Tahoma at a height in pixels, the windows' default face.
QFont tahoma(int pixels);

// Sets a label's text and lets it size itself to it.
void setLabelText(QLabel *label, const QString &text);

// The system's button-face colour.
QColor buttonFaceColor();

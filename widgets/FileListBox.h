#pragma once

#include <QListWidget>
#include <QString>

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

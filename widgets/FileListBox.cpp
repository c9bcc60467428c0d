#include "widgets/FileListBox.h"

#include "base/FolderListing.h"

#include <QDir>
#include <QKeyEvent>
#include <QSignalBlocker>

FileListBox::FileListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row is one line of the same font: laid out without measuring each, so a folder of
    // thousands of run files shows as fast as one of ten.
    setUniformItemSizes(true);
}

void FileListBox::setDirectory(const QString &directory)
{
    m_directory = directory;
    QDir::setCurrent(directory);
    refresh();
}

void FileListBox::setMask(const QString &mask)
{
    m_mask = mask;
    refresh();
}

void FileListBox::refresh()
{
    // Reading the folder again is no pick by the user.
    const QSignalBlocker blocker(this);
    // The files that were picked stay picked while they exist, so the loaded file can still be
    // exported after a download.
    QStringList picked;
    for (const QListWidgetItem *item : selectedItems())
        picked.append(item->text());
    const QString current = currentItem() ? currentItem()->text() : QString();
    clear();
    if (m_directory.isEmpty())
        return;
    // What the folder shows a user: no hidden files, and no pipes, sockets or devices, which
    // would block or fail when opened.
    addItems(files::shownFiles(m_directory, m_mask));
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem *entry = item(row);
        if (entry->text() == current)
            setCurrentItem(entry, QItemSelectionModel::NoUpdate);
        if (picked.contains(entry->text()))
            entry->setSelected(true);
    }
}

bool FileListBox::multiSelect() const
{
    return selectionMode() == QAbstractItemView::MultiSelection;
}

void FileListBox::setMultiSelect(bool on)
{
    // Switching modes is no pick by the user; single selection keeps the current item selected.
    const QSignalBlocker blocker(this);
    setSelectionMode(on ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    if (!on) {
        clearSelection();
        if (currentItem())
            currentItem()->setSelected(true);
    }
}

QString FileListBox::fileName() const
{
    const QListWidgetItem *item = nullptr;
    if (multiSelect()) {
        if (currentItem() && currentItem()->isSelected())
            item = currentItem();
    } else if (!selectedItems().isEmpty()) {
        item = selectedItems().constFirst();
    }
    if (!item)
        return {};
    return QDir(m_directory).filePath(item->text());
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint())
        emit keyTyped(text.at(0));
    QListWidget::keyPressEvent(event);
}

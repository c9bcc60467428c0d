#include "image/ui/PicturePreview.h"

#include "image/Picture.h"
#include "widgets/ImageView.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// Half the display's 480 x 272, so that the picture's shape shows.
constexpr int kPreviewWidth = 240;
constexpr int kPreviewHeight = 136;
} // namespace

QWidget *addPicturePreview(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto *box = new QFrame(&dialog);
    box->setObjectName(QStringLiteral("PicturePreview"));
    auto *image = new ImageView(box);
    image->setObjectName(QStringLiteral("PicturePreviewImage"));
    image->setFixedSize(kPreviewWidth, kPreviewHeight);
    auto *text = new QLabel(box);
    text->setObjectName(QStringLiteral("PicturePreviewText"));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setWordWrap(true);
    text->setFixedWidth(kPreviewWidth);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(image);
    column->addWidget(text);
    column->addStretch();

    // Qt's dialog lays itself out in a grid: the preview takes a column of its own at the right.
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(box, 0, grid->columnCount(), grid->rowCount(), 1);
    else if (dialog.layout())
        dialog.layout()->addWidget(box);
    // Every column of the file list keeps the width it needs to read whole (the view measures
    // only the rows it shows); where the preview leaves too little room, the list scrolls across.
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = details->header();
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setStretchLastSection(true);
    }
    // Room for the file list beside the preview, within the screen.
    QSize size = dialog.sizeHint().expandedTo(QSize(980, 440));
    if (const QScreen *screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(16, 46));
    dialog.resize(size);
    // The name field's completion list is a window of its own: it goes with the dialog, however
    // the dialog was closed (Enter in the field among others).
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] {
        for (QCompleter *completer : dialog.findChildren<QCompleter *>())
            if (completer->popup() && completer->popup()->isVisible())
                completer->popup()->hide();
    });
    QObject::connect(&dialog, &QFileDialog::currentChanged, box,
                     [box](const QString &path) { showPicturePreview(box, path); });
    return box;
}

void showPicturePreview(QWidget *box, const QString &path)
{
    auto *image = box->findChild<ImageView *>(QStringLiteral("PicturePreviewImage"));
    auto *text = box->findChild<QLabel *>(QStringLiteral("PicturePreviewText"));
    if (!image || !text)
        return;
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        image->setPicture({});
        text->clear();
        return;
    }
    const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
    image->setPicture(loaded.working);
    text->setText(loaded.working.isNull()
                      ? loaded.error
                      : QStringLiteral("%1 × %2").arg(loaded.working.width()).arg(loaded.working.height()));
}

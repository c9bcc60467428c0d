#pragma once

class QFileDialog;
class QString;
class QWidget;

// A preview beside an open-picture dialog: the picture under the dialog's cursor as Load would
// fit it for the device's display, with its size, or why it cannot be loaded. The dialog becomes
// Qt's own (a system dialog has no room for it); the preview follows its currentChanged signal.
// Returns the preview's box, named "PicturePreview"; its picture is the ImageView
// "PicturePreviewImage", its text the QLabel "PicturePreviewText".
QWidget *addPicturePreview(QFileDialog &dialog);

// Shows the picture of `path` in a box that addPicturePreview() made; a folder or empty text
// empties it.
void showPicturePreview(QWidget *box, const QString &path);

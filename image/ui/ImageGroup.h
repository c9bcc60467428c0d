#pragma once

#include "base/WorkingFolders.h"

#include <QObject>
#include <QString>

class ColorPanel;
class ConnectGroup;
class ImageView;
class QFileDialog;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The main window's "Image" group: the picture shown (the working bitmap) and the buttons that
// load, clear, send, show and delete the tree's display picture over the Connect group's link.
class ImageGroup : public QObject {
    Q_OBJECT
public:
    // `folders`: where the working bitmap and the upload's files are kept, known once the main
    // window's start-up has found them.
    ImageGroup(QWidget *content, ConnectGroup &device, const WorkingFolders &folders, QObject *parent);

    QGroupBox *GroupBox2;
    ColorPanel *Panel2;
    ImageView *Image1;
    QLabel *ImageStatus;
    QProgressBar *ProgressBar1;
    QPushButton *Button3, *Button6, *Button7, *Button4, *Button5;

    // Made when first used: a file dialog lists its folder as soon as it is made.
    QFileDialog *OpenPictureDialog1 = nullptr;
    QFileDialog &openPictureDialog();

    // Path of the picture file currently shown.
    QString fileName;

    // Where the picture dialog first opens: the folder the program was started in, read before
    // the working folders move the current folder.
    void rememberPictureFolder();
    // The working bitmap, shown when there is one; a bitmap that is not one fails.
    void FormCreate();

    void Button3Click(); // Load
    void Button6Click(); // Clear
    void Button4Click(); // Send
    void Button7Click(); // Show
    void Button5Click(); // Delete
    // The device buttons (Show, Send, Delete) follow the link.
    void enableDeviceButtons(bool enabled);

private:
    QWidget *window() const;
    ConnectGroup &m_device;
    const WorkingFolders &m_folders;
    QString m_pictureFolder;
};

#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "image/ui/ImageGroup.h"
#include "tests/support/PictureFiles.h"
#include "tests/support/TestSupport.h"
#include "widgets/ColorPanel.h"
#include "widgets/ImageView.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

// Load and Clear through the main window: the working bitmap, the preview and the status.
class ImageWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;

    static QString program() { return Form1->folders.program; }
    static QString workingBitmap() { return program() + QStringLiteral("/test.bmp"); }

    // Saves `image` as a PNG in the test's home and queues it as the dialog's answer.
    void choose(const QImage &image, const QString &name = QStringLiteral("picture.png"))
    {
        const QString path = testHome() + QLatin1Char('/') + name;
        QVERIFY(image.save(path, "PNG"));
        prompts->files.push_back(path);
    }

    static QImage filled(int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(colour);
        return image;
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        createWindows();
    }
    void cleanup()
    {
        QFile::remove(workingBitmap());
        destroyWindows();
        prompts.reset();
    }

    // A large half-transparent picture becomes a fitted 24-bit bitmap that the next start shows.
    void loadWritesTheFittedBitmap()
    {
        QImage source = filled(1000, 500, QColor(0, 0, 255, 128));
        choose(source);
        Form1->image->Button3Click();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(Form1->image->fileName, workingBitmap());
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Ready to Send"));
        QVERIFY(!Form1->image->Image1->isHidden());
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(480, 239));

        QImageReader reader(workingBitmap());
        QCOMPARE(reader.format(), QByteArray("bmp"));
        const QImage written = reader.read();
        QCOMPARE(written.size(), QSize(480, 239));
        QVERIFY(!written.hasAlphaChannel());
        QCOMPARE(written.pixel(200, 100), qRgb(127, 127, 255));

        destroyWindows();
        createWindows();
        QVERIFY(!Form1->image->Image1->isHidden());
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(480, 239));
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Select Image"));
    }

    // The open-picture dialog previews the picture under its cursor as Load would fit it.
    void dialogPreviewsThePicture()
    {
        auto *preview = Form1->image->openPictureDialog().findChild<QWidget *>(QStringLiteral("PicturePreview"));
        QVERIFY(preview);
        auto *image = preview->findChild<ImageView *>(QStringLiteral("PicturePreviewImage"));
        auto *text = preview->findChild<QLabel *>(QStringLiteral("PicturePreviewText"));
        QVERIFY(image && text);
        QVERIFY(Form1->image->openPictureDialog().testOption(QFileDialog::DontUseNativeDialog));

        const QString wide = testHome() + QStringLiteral("/wide.png");
        QVERIFY(filled(1000, 500, Qt::green).save(wide, "PNG"));
        emit Form1->image->openPictureDialog().currentChanged(wide);
        QCOMPARE(image->picture().size(), QSize(480, 239));
        QCOMPARE(image->picture().pixel(10, 10), qRgb(0, 255, 0));
        QCOMPARE(text->text(), QStringLiteral("480 × 239"));

        const QString notes = testHome() + QStringLiteral("/notes.png");
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no picture");
        file.close();
        emit Form1->image->openPictureDialog().currentChanged(notes);
        QVERIFY(image->picture().isNull());
        QVERIFY(!text->text().isEmpty());

        emit Form1->image->openPictureDialog().currentChanged(testHome()); // a folder
        QVERIFY(image->picture().isNull());
        QVERIFY(text->text().isEmpty());
        QVERIFY(!QFile::exists(workingBitmap())); // looking loads nothing
    }

    // Beside the preview, the file list's columns keep the width their texts need, even in a
    // narrow dialog (a small screen at a large scale); the name field's completion list closes
    // with the dialog.
    void dialogColumnsReadAndCompletionCloses()
    {
        const QString folder = testHome() + QStringLiteral("/pictures");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(filled(40, 30, Qt::red).save(folder + QStringLiteral("/a-long-holiday-photo-name-2024.png"), "PNG"));
        QFileDialog &dialog = Form1->image->openPictureDialog();
        dialog.setDirectory(folder);
        dialog.show();
        dialog.resize(660, 400);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
        QVERIFY(details);
        QTRY_VERIFY(details->model()->rowCount(details->rootIndex()) == 1);
        QCoreApplication::processEvents();
        QHeaderView *header = details->header();
        for (int column = 0; column + 1 < header->count(); ++column)
            QTRY_VERIFY2(header->sectionSize(column) >= static_cast<QAbstractItemView *>(details)->sizeHintForColumn(column), qPrintable(QString::number(column)));

        auto *completer = dialog.findChild<QCompleter *>();
        QVERIFY(completer);
        completer->popup()->show();
        QVERIFY(completer->popup()->isVisible());
        dialog.reject(); // Enter in the field closes it as well, through the same end
        QVERIFY(!completer->popup()->isVisible());
    }

    // The picture dialog opens in the folder the program was started from, not in the working
    // folders that the start moves into.
    void pictureDialogOpensWhereTheProgramStarted()
    {
        destroyWindows();
        QVERIFY(QDir::setCurrent(testHome()));
        createWindows();
        QCOMPARE(QFileInfo(Form1->image->openPictureDialog().directory().absolutePath()).canonicalFilePath(),
                 QFileInfo(testHome()).canonicalFilePath());
    }

    void cancelledLoadChangesOnlyTheStatus()
    {
        choose(filled(40, 20, Qt::red));
        Form1->image->Button3Click();
        const QByteArray before = [] { QFile f(workingBitmap()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        Form1->image->Button3Click(); // no file queued: cancelled
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Select Image"));
        QVERIFY(!Form1->image->Image1->isHidden());
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(40, 20));
        QCOMPARE(Form1->image->fileName, workingBitmap());
        QFile f(workingBitmap());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QCOMPARE(prompts->texts(), QStringList());
    }

    // A picture that cannot be loaded leaves everything as it was: no file, no preview.
    void refusedLoads_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("too flat") << "flat" << "Image Cannot Be Fitted: 1000 x 1 pixels would shrink to 480 x 0";
        QTest::newRow("too narrow") << "narrow" << "Image Cannot Be Fitted: 1 x 300 pixels would shrink to 0 x 272";
        QTest::newRow("damaged") << "damaged" << QString();
        QTest::newRow("missing") << "missing" << QString();
    }
    void refusedLoads()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        if (kind == QLatin1String("flat")) {
            choose(filled(1000, 1, Qt::red));
        } else if (kind == QLatin1String("narrow")) {
            choose(filled(1, 300, Qt::red));
        } else if (kind == QLatin1String("damaged")) {
            const QString path = testHome() + QStringLiteral("/damaged.png");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("\x89PNG\r\n\x1a\n not really");
            f.close();
            prompts->files.push_back(path);
        } else {
            prompts->files.push_back(testHome() + QStringLiteral("/nowhere.png"));
        }
        Form1->image->Button3Click();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, BoxKind::Error);
        if (!message.isEmpty())
            QCOMPARE(prompts->shown[0].text, message);
        QVERIFY(!prompts->shown[0].text.isEmpty());
        QVERIFY(!QFile::exists(workingBitmap()));
        QVERIFY(Form1->image->Image1->isHidden());
        QVERIFY(Form1->image->fileName.isEmpty());
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Select Image"));
    }

    // A failed load after a good one keeps the good picture and its file.
    void refusedLoadKeepsThePreviousPicture()
    {
        choose(filled(40, 20, Qt::red));
        Form1->image->Button3Click();
        choose(filled(1000, 1, Qt::blue), QStringLiteral("flat.png"));
        Form1->image->Button3Click();
        QCOMPARE(prompts->shown.size(), 1);
        QVERIFY(!Form1->image->Image1->isHidden());
        QCOMPARE(QImage(workingBitmap()).size(), QSize(40, 20));
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Ready to Send"));
    }

    void unwritableBitmapIsReported()
    {
        QFile::remove(workingBitmap());
        QVERIFY(QDir().mkpath(workingBitmap())); // a folder where the file should go
        choose(filled(40, 20, Qt::red));
        Form1->image->Button3->click(); // through the window's handler guard
        QVERIFY(QDir().rmdir(workingBitmap()));
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, BoxKind::Error);
        QVERIFY(prompts->shown[0].text.endsWith(QLatin1Char('.')));
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Select Image"));
        QVERIFY(Form1->image->Image1->isHidden());
    }

    // The panel's caption shows only while no picture does. A portrait picture leaves the
    // panel's sides bare, and there the panel's colour alone shows.
    void captionShowsOnlyWithoutPicture()
    {
        // Pixels of the panel, inside its frame, that are not the panel's own colour, in the
        // bands left and right of where a portrait picture is drawn (106 of the 315 columns).
        const auto besidePicture = [] {
            const QImage panel = Form1->image->Panel2->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRgb colour = Form1->image->Panel2->color().rgb();
            int marks = 0;
            for (int y = 2; y < panel.height() - 2; ++y)
                for (int x = 2; x < panel.width() - 2; ++x)
                    if ((x < 100 || x >= 215) && panel.pixel(x, y) != colour)
                        ++marks;
            return marks;
        };
        QVERIFY2(besidePicture() > 0, "the caption shows while there is no picture");
        choose(filled(272, 480, Qt::red));
        Form1->image->Button3Click();
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(154, 272));
        QCOMPARE(besidePicture(), 0);
        Form1->image->Button6Click();
        QVERIFY(besidePicture() > 0);
    }

    // A picture declaring more pixels than any camera makes is refused from its header:
    // nothing is written and the preview stays as it was.
    void hugePictureIsRefused()
    {
        choose(filled(40, 20, Qt::red));
        Form1->image->Button3Click();
        const QString path = testHome() + QStringLiteral("/bomb.png");
        QFile bomb(path);
        QVERIFY(bomb.open(QIODevice::WriteOnly));
        bomb.write(pngDeclaring(100000, 100000));
        bomb.close();
        prompts->files.push_back(path);
        Form1->image->Button3Click();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, BoxKind::Error);
        QCOMPARE(prompts->shown[0].text, QStringLiteral("Image Too Large: 100000 x 100000 pixels; the largest accepted is 201,326,592 pixels (16384 x 12288)"));
        QCOMPARE(QImage(workingBitmap()).size(), QSize(40, 20));
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(40, 20));
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Ready to Send"));
    }

    void clearThenSendSaysNoImageSelected()
    {
        choose(filled(40, 20, Qt::red));
        Form1->image->Button3Click();
        Form1->image->Button6Click();
        QVERIFY(Form1->image->Image1->isHidden());
        QVERIFY(!QFile::exists(workingBitmap()));
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Select Image"));
        Form1->image->Button6Click(); // no file: silent
        Form1->image->Button4Click();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].kind, BoxKind::Plain);
        QCOMPARE(prompts->shown[0].text, QStringLiteral("No Image Selected!"));
        QVERIFY(!QFile::exists(program() + QStringLiteral("/user.raw")));
    }
};

MIRELON_TEST_MAIN(ImageWindowTest)
#include "test_image_window.moc"

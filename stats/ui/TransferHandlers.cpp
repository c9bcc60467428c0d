// The Statistics group's transfer handlers: Load brings the device's run files home, Delete
// removes them on the device (connected) or removes the picked local file (not connected).

#include "stats/ui/StatisticsGroup.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "stats/RunFileTransfer.h"
#include "widgets/FileListBox.h"
#include "widgets/Prompter.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>

namespace {

// Export is possible while the list has a picked file, and never in overlay mode (a
// multi-select list), where the picked files are the overlay's.
void updateExportButton(StatisticsGroup &form)
{
    form.Button11->setEnabled(form.FileListBox1->hasSelection() && !form.FileListBox1->multiSelect());
}

} // namespace

void StatisticsGroup::Button8Click()
{
    // What is stored goes into the practice history, also when the download ends early.
    std::optional<AppError> failed; // a run file that could not be written ends the download
    const DownloadResult result = runDownload([this, &failed](const DownloadObserver &observer) {
        try {
            return downloadRunFiles(m_device.link, m_folders.statistics, m_device.Version->text(),
                                    m_device.rallycross, observer);
        } catch (const AppError &e) {
            failed = e; // told after the files stored before it are recorded
            return DownloadResult{};
        }
    });
    // The history speaks after the download's own messages, never between them.
    const auto tell = qScopeGuard([this] {
        if (downloadTold)
            downloadTold();
    });
    if (failed) {
        showError(window(), failed->text() + QLatin1Char('.'));
        return;
    }
    switch (result.end) {
    case DownloadResult::End::NoResponse:
        m_device.dropLink(kNoResponse);
        return;
    case DownloadResult::End::Refused:
        showError(window(), kInvalidResponse);
        return;
    case DownloadResult::End::RallycrossNotFound:
        showError(window(), kRallycrossNotFound);
        return;
    case DownloadResult::End::Complete:
        break;
    }
    FileListBox1->refresh();
    updateExportButton(*this);
}

void StatisticsGroup::Button9Click()
{
    if (m_device.link.isOpen()) {
        if (!askYesNo(window(), QStringLiteral("Delete All Statistics Files from Vantrelock?"))) {
            updateExportButton(*this);
            return;
        }
        switch (deleteDeviceRunFiles(m_device.link, m_device.rallycross)) {
        case DeviceDeleteEnd::NoResponse:
            m_device.dropLink(kNoResponse);
            return;
        case DeviceDeleteEnd::Failed:
            showError(window(), kErrorDeletingFiles);
            return;
        case DeviceDeleteEnd::RallycrossNothingToDo:
            return;
        case DeviceDeleteEnd::RallycrossFailed:
            showError(window(), kErrorDeletingRallycross);
            return;
        case DeviceDeleteEnd::Deleted:
            break;
        }
        updateExportButton(*this);
        return;
    }

    const QString path = FileListBox1->fileName();
    if (path.isEmpty())
        return;
    if (askYesNo(window(), QStringLiteral("Do You Want to Delete Statistics File: %1?").arg(QFileInfo(path).fileName())))
        QFile::remove(path); // a file that stays (read-only, in use) is still listed afterwards
    FileListBox1->refresh();
    updateExportButton(*this);
}

#pragma once

#include "tools/sim/SimDevice.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

namespace sim {

// The picture the device holds, as it was uploaded.
struct StoredPicture {
    int width = 0;
    int height = 0;
    QByteArray raw; // width x height RGB565 pixels, low byte first, top row first
};

// The device's picture memory. Shared between the device thread and whoever looks at it; when
// a PNG path is set, every stored picture is also written there (and removed on delete).
class PictureStore {
public:
    std::optional<StoredPicture> picture() const;
    void store(const StoredPicture &picture);
    void erase();
    void setPngPath(const QString &path);

private:
    void writePng(const StoredPicture &picture) const;
    mutable std::mutex m_mutex;
    std::optional<StoredPicture> m_picture;
    QString m_pngPath;
};

// "I" "S" (upload: header length, header, raw length, raw image, then "OK" once stored),
// "I" "V" (show) and "I" "D" (delete). Exchanges for faults: image-start, image-header-length,
// image-header, image-raw-length, image-stored, image-show, image-delete; a refusal is "ER" and
// one more byte (fault wrong:ER!). With --demo the device starts with a picture.
std::shared_ptr<PictureStore> installImageCommands(SimDevice &device, const QString &pngPath = {});

// A generated 480 x 272 picture: colour bands, a gradient and a frame.
StoredPicture demoPicture();

} // namespace sim

#include "tools/sim/ImageCommands.h"

#include "image/Picture.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>

namespace sim {

namespace {
const QByteArray kRefused = "ER!";
const QByteArray kNoPicture = "NI";
constexpr int kPiece = 512;

// Reads `count` ASCII digits; nullopt when one is not a digit or they do not all come.
std::optional<int> readNumber(Session &s, int count)
{
    const QByteArray digits = s.read(count);
    if (digits.size() != count)
        return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    return digits.toInt();
}

void upload(Session &s, PictureStore &store)
{
    if (!s.reply("image-start", "OK"))
        return;
    const std::optional<int> headerLength = readNumber(s, 1);
    if (!headerLength || *headerLength < 5) {
        s.reply("image-header-length", kRefused);
        return;
    }
    if (!s.reply("image-header-length", "OK"))
        return;
    static const QRegularExpression headerForm(QStringLiteral("^7,([1-9][0-9]{0,2}),([1-9][0-9]{0,2})$"));
    const QRegularExpressionMatch header = headerForm.match(QString::fromLatin1(s.read(*headerLength)));
    const int width = header.hasMatch() ? header.captured(1).toInt() : 0;
    const int height = header.hasMatch() ? header.captured(2).toInt() : 0;
    if (width < 1 || width > picture::kMaxWidth || height < 1 || height > picture::kMaxHeight) {
        s.reply("image-header", kRefused);
        return;
    }
    if (!s.reply("image-header", "OK"))
        return;
    const std::optional<int> rawLength = readNumber(s, 6);
    if (!rawLength || *rawLength != width * height * 2) {
        s.reply("image-raw-length", kRefused);
        return;
    }
    if (!s.reply("image-raw-length", "OK"))
        return;
    // Taken in pieces, so that a paced line delivers them at the wire's speed.
    QByteArray raw;
    while (raw.size() < *rawLength) {
        const QByteArray piece = s.read(std::min<int>(kPiece, *rawLength - int(raw.size())));
        if (piece.isEmpty())
            return; // the program stopped sending: nothing is stored
        raw += piece;
    }
    // Stored only when the device reports it so, and before it does.
    if (s.answersNormally("image-stored"))
        store.store({width, height, raw});
    s.reply("image-stored", "OK");
}
} // namespace

std::optional<StoredPicture> PictureStore::picture() const
{
    std::lock_guard lock(m_mutex);
    return m_picture;
}

void PictureStore::store(const StoredPicture &picture)
{
    std::lock_guard lock(m_mutex);
    m_picture = picture;
    writePng(picture);
}

void PictureStore::erase()
{
    std::lock_guard lock(m_mutex);
    m_picture.reset();
    if (!m_pngPath.isEmpty())
        QFile::remove(m_pngPath);
}

void PictureStore::setPngPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_pngPath = path;
    if (m_picture)
        writePng(*m_picture);
}

void PictureStore::writePng(const StoredPicture &picture) const
{
    if (m_pngPath.isEmpty())
        return;
    // Written beside and renamed, so a viewer never sees half a file.
    const QString partial = m_pngPath + QStringLiteral(".part");
    if (picture::rawToImage(picture.width, picture.height, picture.raw).save(partial, "PNG")) {
        QFile::remove(m_pngPath);
        QFile::rename(partial, m_pngPath);
    }
}

std::shared_ptr<PictureStore> installImageCommands(SimDevice &device, const QString &pngPath)
{
    auto store = std::make_shared<PictureStore>();
    if (device.config().demo)
        store->store(demoPicture());
    store->setPngPath(pngPath);
    device.addCommand("IS", [store](Session &s) { upload(s, *store); });
    device.addCommand("IV", [store](Session &s) {
        s.reply("image-show", store->picture() ? QByteArray("OK") : kNoPicture);
    });
    device.addCommand("ID", [store](Session &s) {
        if (!store->picture()) {
            s.reply("image-delete", kNoPicture);
            return;
        }
        if (s.answersNormally("image-delete"))
            store->erase();
        s.reply("image-delete", "OK");
    });
    return store;
}

StoredPicture demoPicture()
{
    const int w = picture::kMaxWidth, h = picture::kMaxHeight;
    StoredPicture out{w, h, QByteArray(w * h * 2, '\0')};
    static const int bands[][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                   {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            if (x < 4 || y < 4 || x >= w - 4 || y >= h - 4) {
                r = 255, g = 128, b = 0; // frame
            } else if (y < h * 2 / 3) {
                const int *band = bands[x * 8 / w];
                r = band[0], g = band[1], b = band[2];
            } else {
                r = g = b = x * 255 / (w - 1); // grey ramp
            }
            const quint16 v = picture::rgb565(r, g, b);
            out.raw[2 * (y * w + x)] = char(v & 0xFF);
            out.raw[2 * (y * w + x) + 1] = char(v >> 8);
        }
    }
    return out;
}

} // namespace sim

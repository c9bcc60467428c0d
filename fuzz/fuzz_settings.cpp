// Any bytes as the device's settings records: the first 137 as the practice record, the next 37
// as the rallycross record, each decoded piece by piece as the settings window receives them (a
// record that ends early stops at its last whole piece, as a read that times out does). Every
// rule also takes the bytes at any length, as a field cut short.

#include "fuzz/FuzzSupport.h"
#include "settings/SettingsDecoders.h"

#include <QString>

namespace {

// Decodes the pieces that `text` holds whole from `offset` on; returns where the next record starts.
qsizetype decodeRecord(const std::vector<settings::Piece> &pieces, const QString &text, qsizetype offset)
{
    for (const settings::Piece &piece : pieces) {
        if (offset + piece.length > text.size())
            return text.size();
        // A copy of the piece alone, so that a read past its end is one past the buffer.
        const QString pieceText = text.mid(offset, piece.length);
        const std::vector<settings::DecodedField> fields = settings::decodePiece(piece, pieceText);
        FUZZ_CHECK(fields.size() == piece.fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            FUZZ_CHECK(fields[i].label == QLatin1String(piece.fields[i].label));
            // A field's text is its characters copied with a few words and points around them.
            FUZZ_CHECK(!fields[i].text || fields[i].text->size() <= 2 * piece.fields[i].length + 12);
        }
        offset += piece.length;
    }
    return offset;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::prepare(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype rally = decodeRecord(settings::practicePieces(), text, 0);
    decodeRecord(settings::rallyPieces(), text, rally);

    for (const auto &pieces : {settings::practicePieces(), settings::rallyPieces()})
        for (const settings::Piece &piece : pieces)
            for (const settings::Field &field : piece.fields)
                field.rule(QStringView(text).left(16));
    return 0;
}

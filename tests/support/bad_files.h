// The bad-file corpus: files a picture editor is handed from anywhere, made
// on the fly (nothing downloaded). Every one must be refused cleanly, or,
// where it is a good picture in disguise, loaded by its content.
#pragma once

#include "support/test_files.h"

#include <QBuffer>
#include <QtEndian>

#include <vector>

namespace mergola::testing {

struct CorpusFile {
    enum Expect { Refused, Loads, Either };
    QString path;
    Expect expect; // Loads: a good picture under an odd name; Either: damage a decoder may get past
};

namespace bad_files {

inline void put32(QByteArray &bytes, int at, std::int32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// A BMP with a 40-byte header; bits 1..8 get a grey palette.
inline QByteArray bmp(int width, int height, int bits, std::uint32_t compression = 0, int paletteColours = -1)
{
    const int colours = paletteColours >= 0 ? paletteColours : (bits <= 8 ? 1 << bits : 0);
    const int stride = ((std::abs(width) * bits + 31) / 32) * 4;
    const int pixels = stride * std::abs(height);
    const int offset = 14 + 40 + 4 * colours + (compression == 3 ? 12 : 0);
    QByteArray bytes(offset + pixels, '\x5a');
    bytes.replace(0, 2, "BM");
    put32(bytes, 2, offset + pixels);
    put32(bytes, 10, offset);
    put32(bytes, 14, 40);
    put32(bytes, 18, width);
    put32(bytes, 22, height);
    put32(bytes, 26, 1 | bits << 16); // one plane, then the bits per pixel
    put32(bytes, 30, std::int32_t(compression));
    put32(bytes, 34, pixels);
    put32(bytes, 46, colours);
    return bytes;
}

inline QByteArray flipped(QByteArray bytes, unsigned seed)
{
    std::mt19937 random(seed);
    for (int i = 0; i < 8 && !bytes.isEmpty(); ++i)
        bytes[int(random() % unsigned(bytes.size()))] ^= char(1u << (random() % 8));
    return bytes;
}

// A GIF of frameCount 1 x 1 frames.
inline QByteArray manyFrameGif(int frameCount)
{
    QByteArray gif = redPixelGif();
    gif.chop(1); // the trailer
    const QByteArray frame = gif.mid(19);
    for (int i = 1; i < frameCount; ++i)
        gif += frame;
    return gif + ';';
}

} // namespace bad_files

// Writes the corpus into dir and lists it. Unreadable files and folders
// that need another user are left to the tests.
inline std::vector<CorpusFile> writeBadFiles(const QDir &dir)
{
    using namespace bad_files;
    std::vector<CorpusFile> corpus;
    auto add = [&](const QString &name, const QByteArray &bytes, CorpusFile::Expect expect) {
        corpus.push_back({writeFile(dir, name, bytes), expect});
    };
    auto bad = [&](const QString &name, const QByteArray &bytes) { add(name, bytes, CorpusFile::Refused); };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    randomImage(40, 30, 1).save(&buffer, "JPG");
    const QByteArray jpg = buffer.data();
    const QByteArray goodBmp = bmp(40, 30, 24);
    for (const auto &[ext, bytes] : {std::pair{QStringLiteral("bmp"), goodBmp}, {QStringLiteral("gif"), redPixelGif()},
                                     {QStringLiteral("jpg"), jpg}}) {
        bad("empty." + ext, {});
        bad("header-only." + ext, bytes.left(ext == "bmp" ? 54 : 13));
        for (int cut : {2, 3, 5})
            bad(QStringLiteral("cut-%1.%2").arg(cut).arg(ext), bytes.left(bytes.size() * (cut - 1) / cut));
        for (unsigned seed = 1; seed <= 6; ++seed)
            add(QStringLiteral("flipped-%1.%2").arg(seed).arg(ext), flipped(bytes, seed), CorpusFile::Either);
    }
    // A small file whose header claims another size.
    auto claiming = [&](std::int32_t width, std::int32_t height) {
        QByteArray bytes = bmp(4, 4, 24);
        put32(bytes, 18, width);
        put32(bytes, 22, height);
        return bytes;
    };
    bad(QStringLiteral("negative-width.bmp"), claiming(-4, 4));
    bad(QStringLiteral("zero-height.bmp"), claiming(4, 0));
    bad(QStringLiteral("absurd.bmp"), claiming(2'000'000'000, 2'000'000'000));
    bad(QStringLiteral("wide.bmp"), claiming(1 << 30, 1));
    QByteArray farOffset = goodBmp;
    put32(farOffset, 10, 0x7fff0000);
    bad(QStringLiteral("far-offset.bmp"), farOffset);
    QByteArray hugePalette = bmp(4, 4, 8, 0, 256);
    put32(hugePalette, 46, 0x40000000);
    bad(QStringLiteral("huge-palette.bmp"), hugePalette);
    for (int bits : {1, 4, 8, 16, 24, 32})
        bad(QStringLiteral("cut-%1bit.bmp").arg(bits), bmp(33, 17, bits).chopped(7));
    add(QStringLiteral("rle8-junk.bmp"), bmp(16, 16, 8, 1), CorpusFile::Either);
    add(QStringLiteral("rle4-junk.bmp"), bmp(16, 16, 4, 2), CorpusFile::Either);
    bad(QStringLiteral("bitfields-cut.bmp"), bmp(16, 16, 32, 3).left(60));
    // A few bytes of picture data on a logical screen of 4297 x 18254.
    QByteArray hugeScreen = redPixelGif();
    qToLittleEndian<std::uint16_t>(4297, hugeScreen.data() + 6);
    qToLittleEndian<std::uint16_t>(18254, hugeScreen.data() + 8);
    bad(QStringLiteral("huge-screen.gif"), hugeScreen);
    // A JPG whose frame header (after the marker FF C0) claims 65000 x 65000,
    // and one claiming 12000 x 12000, which its few bytes could never hold.
    QByteArray huge = jpg;
    const int frame = std::max(0, int(huge.indexOf("\xff\xc0")));
    for (std::uint32_t side : {65000u, 12000u}) {
        qToBigEndian<std::uint32_t>(side << 16 | side, huge.data() + frame + 5);
        bad(QStringLiteral("claims-%1.jpg").arg(side), huge);
    }
    // A phone's HEIC cut off, and one whose size box claims 30000 x 30000 pixels.
    const QByteArray heic = contentsOf(QStringLiteral(MERGOLA_TEST_DATA "/picture.heic"));
    bad(QStringLiteral("cut-2.heic"), heic.left(heic.size() / 2));
    QByteArray claimsHuge = heic;
    // Each size box: its type, then version and flags, width, height.
    for (qsizetype box = claimsHuge.indexOf("ispe"); box >= 0; box = claimsHuge.indexOf("ispe", box + 1))
        for (int at : {8, 12})
            qToBigEndian<std::uint32_t>(30000, claimsHuge.data() + box + at);
    bad(QStringLiteral("claims-30000.heic"), claimsHuge);
    // Good pictures in disguise load by their content.
    for (const auto &[name, bytes] : {std::pair{QStringLiteral("frames.gif"), manyFrameGif(5000)},
                                      std::pair{QStringLiteral("top-down.bmp"), bmp(16, -16, 24)},
                                      std::pair{QStringLiteral("really-a-bmp.jpg"), goodBmp},
                                      std::pair{QStringLiteral("f\u00f6to-\u00e9t\u00e9-\u5199\u771f.bmp"), goodBmp}})
        add(name, bytes, CorpusFile::Loads);
    QDir(dir).mkdir(QStringLiteral("x.jpg"));
    corpus.push_back({dir.filePath(QStringLiteral("x.jpg")), CorpusFile::Refused});
    return corpus;
}

} // namespace mergola::testing

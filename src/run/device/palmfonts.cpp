#include "palmfonts.h"
#include "textfile.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <array>
#include <memory>
#include <mutex>

namespace PalmFonts {

namespace {

struct FontFace
{
    QFont font;
    int height = 11;
    int ascent = 9;
    int averageWidth = 5;
    std::array<std::unique_ptr<Glyph>, 256> glyphs;
};

// The handheld's standard and bold fonts are 11 pixels high, the large
// ones 14.
int faceIndex(int font)
{
    switch (font) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 6:
    case 7:
        return 3;
    default:
        return 0;
    }
}

struct FontSet
{
    std::mutex mutex;
    std::array<FontFace, 4> faces;

    FontSet()
    {
        const struct
        {
            int pixelSize;
            bool bold;
            int height;
        } specs[4] = {{10, false, 11}, {10, true, 11}, {13, false, 14}, {13, true, 14}};
        for (int i = 0; i < 4; ++i) {
            FontFace &face = faces[static_cast<std::size_t>(i)];
            face.font = QFont(QStringLiteral("DejaVu Sans Condensed"));
            face.font.setPixelSize(specs[i].pixelSize);
            face.font.setBold(specs[i].bold);
            face.font.setStyleStrategy(QFont::NoAntialias);
            face.font.setHintingPreference(QFont::PreferFullHinting);
            const QFontMetrics metrics(face.font);
            face.height = specs[i].height;
            face.ascent = std::min(metrics.ascent(), specs[i].height - 2);
            face.averageWidth = metrics.horizontalAdvance(QLatin1Char('a'));
        }
    }
};

FontSet &fontSet()
{
    static FontSet set;
    return set;
}

} // namespace

int lineHeight(int font)
{
    return fontSet().faces[static_cast<std::size_t>(faceIndex(font))].height;
}

int averageWidth(int font)
{
    return fontSet().faces[static_cast<std::size_t>(faceIndex(font))].averageWidth;
}

const Glyph &glyph(int font, unsigned char c)
{
    FontSet &set = fontSet();
    const std::lock_guard lock(set.mutex);
    FontFace &face = set.faces[static_cast<std::size_t>(faceIndex(font))];
    std::unique_ptr<Glyph> &slot = face.glyphs[c];
    if (!slot) {
        slot = std::make_unique<Glyph>();
        // The handheld's character set is Windows-1252.
        const char byte = static_cast<char>(c);
        const QChar ch = TextFile::fromWindows1252(QByteArrayView(&byte, 1)).at(0);
        const QFontMetrics metrics(face.font);
        slot->advance = (c < 0x20 || c == 0x7F) ? 0 : metrics.horizontalAdvance(ch);
        QImage image(std::max(slot->advance, 1) + 4, face.height, QImage::Format_Grayscale8);
        image.fill(0);
        if (slot->advance > 0) {
            QPainter painter(&image);
            painter.setFont(face.font);
            painter.setPen(Qt::white);
            painter.drawText(QPoint(0, face.ascent), QString(ch));
        }
        // Only the advance's width belongs to the glyph; overhangs are cut
        // so that neighbouring characters never overlap.
        slot->mask = image.copy(0, 0, std::max(slot->advance, 1), face.height);
    }
    return *slot;
}

} // namespace PalmFonts

#include "editorcolours.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace EditorColours {

namespace {

double channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

QColor blend(const QColor &from, const QColor &to, double amount)
{
    const auto mix = [amount](int a, int b) { return int(std::lround(a + (b - a) * amount)); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

double worstContrast(const QColor &colour, const QList<QColor> &backgrounds)
{
    double worst = 21.0;
    for (const QColor &background : backgrounds)
        worst = std::min(worst, contrast(colour, background));
    return worst;
}

// The design's colours on a light base, and lighter ones of the same hues
// for a dark base.
constexpr QRgb LightSyntax[SyntaxKinds] = {qRgb(0, 0, 160),   qRgb(160, 0, 0),   qRgb(0, 128, 0),
                                           qRgb(0, 128, 128), qRgb(128, 0, 128), qRgb(176, 96, 0)};
constexpr QRgb DarkSyntax[SyntaxKinds] = {qRgb(138, 180, 255), qRgb(255, 140, 140),
                                          qRgb(128, 214, 128), qRgb(96, 214, 214),
                                          qRgb(222, 156, 255), qRgb(255, 180, 90)};

} // namespace

double luminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDark(const QPalette &palette)
{
    return luminance(palette.color(QPalette::Base)) < luminance(palette.color(QPalette::Text));
}

QColor readable(const QColor &wanted, const QList<QColor> &backgrounds)
{
    if (worstContrast(wanted, backgrounds) >= MinContrast)
        return wanted;
    // Towards whichever end the backgrounds leave more room at.
    double darkest = 1.0;
    double lightest = 0.0;
    for (const QColor &background : backgrounds) {
        darkest = std::min(darkest, luminance(background));
        lightest = std::max(lightest, luminance(background));
    }
    const QColor towards =
        (darkest + 0.05) / 0.05 >= 1.05 / (lightest + 0.05) ? Qt::black : Qt::white;
    QColor best = towards;
    for (int step = 1; step <= 40; ++step) {
        const QColor candidate = blend(wanted, towards, step / 40.0);
        if (worstContrast(candidate, backgrounds) >= MinContrast) {
            best = candidate;
            break;
        }
    }
    return best;
}

Set forPalette(const QPalette &palette)
{
    const bool dark = isDark(palette);
    Set set;
    set.base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    set.caretLine = blend(set.base, text, 0.06);
    set.match = blend(set.base, palette.color(QPalette::Highlight), dark ? 0.35 : 0.25);
    const QList<QColor> codeBackgrounds{set.base, set.caretLine, set.match};
    for (int kind = 0; kind < SyntaxKinds; ++kind)
        set.syntax[kind] =
            readable(QColor(dark ? DarkSyntax[kind] : LightSyntax[kind]), codeBackgrounds);
    set.errorMark = readable(dark ? QColor(255, 96, 96) : QColor(220, 0, 0), codeBackgrounds);

    set.statusBar = palette.color(QPalette::Window);
    set.errorText = readable(dark ? QColor(255, 120, 120) : QColor(176, 0, 0), {set.statusBar});

    set.margin = palette.color(QPalette::Window);
    set.marginText =
        readable(blend(palette.color(QPalette::WindowText), set.margin, 0.35), {set.margin});
    set.markFill = QColor(200, 0, 0);
    set.markText = readable(Qt::white, {set.markFill});

    // The design's pale yellow, or a dark olive of the same hue.
    set.helpBase = dark ? QColor(58, 54, 24) : QColor(255, 255, 192);
    set.helpText = readable(dark ? QColor(240, 236, 200) : QColor(Qt::black), {set.helpBase});
    return set;
}

} // namespace EditorColours

#include "shell/KitBoxFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace kitbox {

QFont workbenchFont(const QFont &platformFont)
{
    QFont font = platformFont;
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    font.setKerning(false);
    return font;
}

namespace {

// A fixed-pitch family as the reports use it: naming the style hint names
// the strategy too, so the workbench's one is given again here.
QFont typewriter(QFont font)
{
    font.setStyleHint(QFont::TypeWriter, QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

} // namespace

QFont fixedPitchFont(int pointSize, const QString &preferredFamily)
{
    if (!preferredFamily.isEmpty() && QFontDatabase::hasFamily(preferredFamily) &&
        QFontDatabase::isFixedPitch(preferredFamily)) {
        return typewriter(QFont(preferredFamily, pointSize));
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(pointSize);
    font = typewriter(font);
    if (QFontInfo(font).fixedPitch())
        return font;
    // Some platforms (the offscreen one among them) name no usable system
    // fixed font; any installed fixed-pitch family will do.
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        if (QFontDatabase::isFixedPitch(family)) {
            const QFont candidate = typewriter(QFont(family, pointSize));
            if (QFontInfo(candidate).fixedPitch())
                return candidate;
        }
    }
    return font;
}

} // namespace kitbox

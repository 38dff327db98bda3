#include "shell/KitBoxFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace kitbox {

QFont fixedPitchFont(int pointSize, const QString &preferredFamily)
{
    if (!preferredFamily.isEmpty() && QFontDatabase::hasFamily(preferredFamily) &&
        QFontDatabase::isFixedPitch(preferredFamily)) {
        QFont preferred(preferredFamily, pointSize);
        preferred.setStyleHint(QFont::TypeWriter);
        return preferred;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(pointSize);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).fixedPitch())
        return font;
    // Some platforms (the offscreen one among them) name no usable system
    // fixed font; any installed fixed-pitch family will do.
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        if (QFontDatabase::isFixedPitch(family)) {
            QFont candidate(family, pointSize);
            candidate.setStyleHint(QFont::TypeWriter);
            if (QFontInfo(candidate).fixedPitch())
                return candidate;
        }
    }
    return font;
}

} // namespace kitbox

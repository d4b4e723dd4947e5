#include "WindowFontUnit.h"

#include <QStringList>

QFont WindowFont(const QString &familyFirst, int pointSize)
{
    QFont font;
    font.setFamilies({familyFirst, QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UMing CN")});
    font.setPointSize(pointSize);
    return font;
}

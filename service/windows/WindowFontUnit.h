// Fonts of the operator windows. The windows are drawn for 宋体; where that
// font is missing, a CJK font of the system takes its place so that the
// Chinese captions never turn into boxes.
#pragma once

#include <QFont>
#include <QString>

// familyFirst at pointSize, then the CJK fallbacks.
QFont WindowFont(const QString &familyFirst, int pointSize);

// 宋体 at 9 points: the password dialogs, the about box, the main window.
inline QFont SongTiFont() { return WindowFont(QStringLiteral("宋体"), 9); }

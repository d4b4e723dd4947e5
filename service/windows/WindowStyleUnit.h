// Small style settings shared by the operator windows.
#pragma once

#include <QString>

// Password boxes show one "*" per typed character.
inline const QString kAsteriskEcho = QStringLiteral("QLineEdit { lineedit-password-character: 42; }");

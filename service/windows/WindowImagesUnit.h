// Small pictures of the operator windows, drawn here so that no image file
// has to travel with the program.
#pragma once

#include <QPixmap>

// A gold key on a transparent square: the password dialogs and the
// password tool button.
QPixmap KeyPicture(int size);

// A padlock on a key card: the about box.
QPixmap LockCardPicture(int size);

#pragma once

#include <QImage>

class CPicture;

// The picture as the screen shows it, one pixel per dot: a 1-bit image whose
// bit 1 is black, so that its bytes are the picture's rows unchanged. Empty
// for a picture without dots.
QImage BuildDisplayBitmap(const CPicture& picture);

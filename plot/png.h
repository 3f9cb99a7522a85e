// A picture as the bytes of a PNG file, encoded in memory so that the file
// itself is written by the program's own checked writer.
#pragma once

#include <QImage>

#include <string>

namespace torv {

// Throws TorvError with the encoder's message if the picture cannot be encoded.
std::string pngBytes(const QImage& picture);

} // namespace torv
